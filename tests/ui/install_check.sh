#!/usr/bin/env bash
# cmake --install puts the game, its desktop entry and its icon where a Linux
# desktop looks for them: install_check.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

id=org.slithergrid.Slithergrid
entry=$prefix/share/applications/$id.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/$id.svg
[ -x "$prefix/bin/slithergrid" ] || { echo "no program in bin/"; exit 1; }
[ -s "$icon" ] || { echo "no icon"; exit 1; }
desktop-file-validate "$entry"
# The menu starts what bin/ holds, with the icon installed beside it.
grep -qx 'Exec=slithergrid' "$entry" || { echo "Exec does not name bin/slithergrid"; exit 1; }
grep -qx "Icon=$id" "$entry" || { echo "Icon does not name the installed icon"; exit 1; }
grep -q '<svg' "$icon" || { echo "the icon is no SVG"; exit 1; }
