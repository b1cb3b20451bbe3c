#!/usr/bin/env bash
# Screenshots of the installer: setup.exe from the shipped folder, run in a private Wine
# prefix on a private Xvfb display, shown page by page, then while it installs.
# usage: scripts/screenshot-setup.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/setup-page-N.png (the four wizard pages),
# setup-progress.png (during the installation) and setup-done.png (the closing message).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
shipped="$build/Mailwick"
press="$build/tests-bin/wizard_press.exe"
screenshot_need "$shipped/setup.exe" "$press"
rm -f "$out"/setup-*.png
screenshot_wine setup

# Install from a copy; files that this tree does not build yet get stand-ins there.
src="$out/setup-source"
rm -rf "$src" && cp -r "$shipped" "$src"
while IFS= read -r name; do
  [ -e "$src/$name" ] || { echo "stand-in for $name" >"$src/$name"; echo "no $name in the shipped folder: stand-in used" >&2; }
done <"$src/setup.lst"

shot() { sleep "${2:-1}"; import -window root "$out/$1.png"; echo "$out/$1.png"; }
# A Wine desktop draws the title bars, as Windows would.
(cd "$src" && "$WINE" explorer /desktop=setup,1024x768 setup.exe >"$out/setup.log" 2>&1 &)
"$WINE" explorer /desktop=setup,1024x768 "$press" wait
shot setup-page-1 3
for page in 2 3 4; do
  "$WINE" explorer /desktop=setup,1024x768 "$press" next
  shot "setup-page-$page"
done
"$WINE" explorer /desktop=setup,1024x768 "$press" finish
shot setup-progress 1.2
shot setup-done 3
