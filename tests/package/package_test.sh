#!/usr/bin/env bash
# The release packages as users get them: scripts/package builds them; the .debs pass lintian,
# the arm64 one holds what the amd64 one does, with an arm64 program and Depends of its own, and
# the metainfo and desktop entry validate; each package's program opens a window whose class is
# the desktop entry's (arm64's under qemu); the zip's .exe carries icon, version and manifest and
# imports only Windows' own DLLs; the MSI holds the zip's program and licence, for the current
# user, and installs, upgrades, refuses a downgrade and uninstalls under Wine (msi_test.py); the
# web zip holds the site and nothing else; and a copy of the source at another path packs to the
# same bytes.
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
arm64=build/packages/slithergrid_${version}_arm64.deb
msi=build/packages/Slithergrid-${version}-x64.msi
zip=build/packages/Slithergrid-${version}-win64.zip
web=build/packages/Slithergrid-${version}-web.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -f "$deb" "$arm64" "$msi" "$zip" "$web"
SLITHER_SKIP_SETUP=1 ./scripts/package >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package failed"; }
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

echo "lintian:"
lintian --fail-on error,warning "$deb" "$arm64" || fail "lintian reports errors or warnings"

[ "$(dpkg-deb -f "$arm64" Architecture)" = arm64 ] || fail "the arm64 package is not for arm64"
Listing() { dpkg-deb -c "$1" | awk '{print $1, $2, $6}'; }
diff <(Listing "$deb") <(Listing "$arm64") || fail "the two .debs hold different files"
Fields() { dpkg-deb -f "$1" | grep -vE '^(Architecture|Installed-Size|Depends):'; }
diff <(Fields "$deb") <(Fields "$arm64") || fail "the two .debs' fields differ"
dpkg-deb -f "$arm64" Depends | grep -q 'libgtk-3-0 (>= ' || fail "the arm64 package's Depends: $(dpkg-deb -f "$arm64" Depends)"

dpkg-deb -x "$deb" "$work/deb"
dpkg-deb -x "$arm64" "$work/arm64"
readelf -h "$work/arm64/usr/games/slithergrid" | grep -q 'Machine: *AArch64' ||
    fail "the arm64 package's program is not an arm64 program"
echo "appstreamcli:"
appstreamcli validate --no-net --pedantic "$work/deb/usr/share/metainfo/$id.metainfo.xml" |
    tee "$work/appstream.log"
grep -q '^[EW]:' "$work/appstream.log" && fail "the metainfo has errors or warnings"
desktop-file-validate "$work/deb/usr/share/applications/$id.desktop"
grep -qx "StartupWMClass=$id" "$work/deb/usr/share/applications/$id.desktop" ||
    fail "the desktop entry names another window class"

WindowClass() { # the command of a packaged program
    "$@" &
    local program=$! window class
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$program" | head -1) || true
    class=$(xprop -id "${window:-0}" WM_CLASS 2>&1) || true
    kill "$program"
    wait "$program" 2>/dev/null || true
    [ "$class" = "WM_CLASS(STRING) = \"$id\", \"$id\"" ] || fail "the window of $*: $class"
}
WindowClass "$work/deb/usr/games/slithergrid"
WindowClass qemu-aarch64-static -L / "$work/arm64/usr/games/slithergrid"

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

# The installer: the zip's program and licence, per user and without elevation (word count 10:
# compressed, no elevated privileges), under the one UpgradeCode and refusing a downgrade.
msiextract -C "$work/msi" "$msi" >/dev/null
[ "$(cd "$work/msi" && find . -type f | sort | tr '\n' ' ')" = "./Programs/Slithergrid/LICENSE.txt ./Programs/Slithergrid/Slithergrid.exe " ] ||
    fail "the MSI holds $(cd "$work/msi" && find . -type f)"
cmp "$work/msi/Programs/Slithergrid/Slithergrid.exe" "$folder/Slithergrid.exe" ||
    fail "the MSI's program is not the zip's"
msiinfo suminfo "$msi" | grep -qx 'Source: 10 (a)' || fail "the MSI is not for one user without elevation"
msiinfo suminfo "$msi" | grep -qx 'Template: x64;1033' || fail "the MSI is not for x64"
Table() { msiinfo export "$msi" "$1" | tr -d '\r' | tr '\t' ' '; } # lines end in CR LF there
properties=$(Table Property)
for property in "ProductName Slithergrid" "ProductVersion $version" \
    "UpgradeCode {69F72581-420C-4E57-A97B-FDA2E3C48DF3}"; do
    grep -qx "$property" <<<"$properties" || fail "the MSI lacks the property $property"
done
Table LaunchCondition | grep -qx 'NOT WIX_DOWNGRADE_DETECTED A newer version of Slithergrid is already installed.' ||
    fail "the MSI does not refuse a downgrade"
# The same files as the next version, to install over it.
next=$(awk -F. '{print $1 "." $2 "." $3 + 1}' <<<"$version")
cmake -DVERSION="$next" -DSTAGE=build/package-windows/msi-stage -DOUTPUT="$work/next.msi" \
    -P cmake/msi.cmake
echo "the MSI under Wine:"
/usr/bin/python3 tests/package/msi_test.py "$msi" "$work/next.msi" || fail "the MSI under Wine"

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
for package in "$deb" "$arm64" "$msi" "$zip" "$web"; do
    cmp "$package" "$copy/$package" || fail "$package differs between two builds"
done
echo "package test: passed ($(stat -c %s "$deb") bytes of .deb, $(stat -c %s "$arm64") of arm64 .deb," \
    "$(stat -c %s "$msi") of MSI, $(stat -c %s "$zip") of zip, $(stat -c %s "$web") of web zip)"
