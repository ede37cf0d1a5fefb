#!/usr/bin/env bash
# The release packages as users get them: scripts/package builds them; the .deb passes lintian,
# its metainfo and desktop entry validate, and its program opens a window whose class is the
# desktop entry's; the zip's .exe carries icon, version and manifest and imports only Windows'
# own DLLs; the web zip holds the site and nothing else; and a copy of the source at another path
# packs to the same bytes.
# Needs DISPLAY, an X server with a window manager.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() {
    echo "package test: $*" >&2
    exit 1
}
version=$(sed -n 's/^project(Slithergrid VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
id=org.slithergrid.Slithergrid
deb=build/packages/slithergrid_${version}_amd64.deb
zip=build/packages/Slithergrid-${version}-win64.zip
web=build/packages/Slithergrid-${version}-web.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$deb" "$zip" "$web"
SLITHER_SKIP_SETUP=1 ./scripts/package >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package failed"; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

echo "lintian:"
lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

dpkg-deb -x "$deb" "$work/deb"
echo "appstreamcli:"
appstreamcli validate --no-net --pedantic "$work/deb/usr/share/metainfo/$id.metainfo.xml" |
    tee "$work/appstream.log"
grep -q '^[EW]:' "$work/appstream.log" && fail "the metainfo has errors or warnings"
desktop-file-validate "$work/deb/usr/share/applications/$id.desktop"
grep -qx "StartupWMClass=$id" "$work/deb/usr/share/applications/$id.desktop" ||
    fail "the desktop entry names another window class"

"$work/deb/usr/games/slithergrid" &
program=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$program" | head -1) || true
class=$(xprop -id "${window:-0}" WM_CLASS 2>&1) || true
kill "$program"
wait "$program" 2>/dev/null || true
[ "$class" = "WM_CLASS(STRING) = \"$id\", \"$id\"" ] || fail "the packaged program's window: $class"

unzip -q "$zip" -d "$work/zip"
folder=$work/zip/Slithergrid-$version-win64
[ "$(ls "$folder" | tr '\n' ' ')" = "LICENSE.txt README.txt Slithergrid.exe " ] ||
    fail "the zip holds $(ls "$folder")"
resources=$(wrestool -l "$folder/Slithergrid.exe")
for type in 14 16 24; do # group icon, version, manifest
    grep -q -- "--type=$type " <<<"$resources" || fail "no resource of type $type in the .exe"
done
wrestool -x --raw --type=16 "$folder/Slithergrid.exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null |
    grep -qa "$version" || fail "the .exe's version information lacks $version"
x86_64-w64-mingw32-objdump -p "$folder/Slithergrid.exe" | sed -n 's/.*DLL Name: //p' |
    grep -viE '^(kernel32|user32|gdi32|msvcrt)\.dll$' && fail "the .exe imports DLLs of others"

unzip -q "$web" -d "$work/web"
site=$work/web/Slithergrid-$version-web
[ "$(LC_ALL=C ls "$site" | tr '\n' ' ')" = "index.html service-worker.js slithergrid-192.png slithergrid-512.png slithergrid.css slithergrid.js slithergrid.svg slithergrid.wasm slithergrid.webmanifest start.js " ] ||
    fail "the web zip holds $(ls "$site")"

# The copy keeps its build trees between runs; only the source is copied afresh.
copy=build/package-copy/slithergrid
mkdir -p "$copy"
find "$copy" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
git ls-files -co --exclude-standard | tar -c -T - | tar -x -C "$copy"
SLITHER_SKIP_SETUP=1 "$copy/scripts/package" >"$work/copy.log" 2>&1 || { cat "$work/copy.log"; fail "scripts/package failed in the copy"; }
for package in "$deb" "$zip" "$web"; do
    cmp "$package" "$copy/$package" || fail "$package differs between two builds"
done
echo "package test: passed ($(stat -c %s "$deb") bytes of .deb, $(stat -c %s "$zip") bytes of zip," \
    "$(stat -c %s "$web") bytes of web zip)"
