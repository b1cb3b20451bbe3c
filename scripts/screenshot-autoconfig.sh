#!/usr/bin/env bash
# Screenshots of Autoconfig in a Wine virtual desktop on a private Xvfb display: the
# AUTOCONFIG dialog as it opens, with a password typed, the page filled in after Enter,
# and the message for a client it cannot read.
# usage: scripts/screenshot-autoconfig.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/autoconfig-*.png.
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
demo="$build/tests-bin/autoconfig_demo.exe"
screenshot_need "$demo"
rm -f "$out"/autoconfig-*.png
screenshot_wine

work="$out/work"
mkdir -p "$work"
cd "$work"
shown() {  # waits until the demo says its dialog or message box is up
  for _ in $(seq 100); do
    [ -f autoconfig-shown ] && { rm -f autoconfig-shown; sleep 0.5; return 0; }
    sleep 0.2
  done
  echo "the demo showed nothing" >&2
  exit 1
}
rm -f autoconfig-shown

"$WINE" explorer /desktop=Mailwick,1024x768 "$demo" "Netscape Mail" >"$out/demo.log" 2>&1 &
shown
import -window root "$out/autoconfig-open.png"
# The password box has the focus: type as a user would, then Enter for OK.
xdotool type --delay 60 "secret"
sleep 0.5
import -window root "$out/autoconfig-typed.png"
xdotool key Return
sleep 1
import -window root "$out/autoconfig-filled.png"
sleep 4

"$WINE" explorer /desktop=Mailwick,1024x768 "$demo" "Pegasus Mail" >>"$out/demo.log" 2>&1 &
shown
import -window root "$out/autoconfig-sorry.png"
xdotool key Return
sleep 5
ls "$out"/autoconfig-*.png
