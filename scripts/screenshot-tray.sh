#!/usr/bin/env bash
# Screenshots of the tray icon in each of its five pictures and of its menu, in a Wine
# virtual desktop on a private Xvfb display, for a person to look at.
# usage: scripts/screenshot-tray.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/tray-*.png (whole screen) and tray-*-zoom.png (the right
# end of the task bar, enlarged).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
demo="$build/tests-bin/tray_demo.exe"
screenshot_need "$demo"
rm -f "$out"/tray-*.png
screenshot_wine

work="$out/work"
mkdir -p "$work"
cd "$work"
rm -f tray-state.ack
echo stopped >tray-state.txt
"$WINE" explorer /desktop=Mailwick,1024x768 "$demo" >"$out/demo.log" 2>&1 &

show() {  # show STATE: switch the demo to STATE and wait until it says it did
  rm -f tray-state.ack
  echo "$1" >tray-state.txt
  for _ in $(seq 100); do
    [ "$(cat tray-state.ack 2>/dev/null)" = "$1" ] && { sleep 1; return 0; }
    sleep 0.2
  done
  echo "the demo did not show $1" >&2
  exit 1
}
shot() {  # shot NAME: the whole screen and the task bar's right end, 8 times enlarged
  import -window root "$out/tray-$1.png"
  convert "$out/tray-$1.png" -crop 96x20+928+748 +repage -scale 800% "$out/tray-$1-zoom.png"
}

# The first state waits for the desktop and the demo to come up.
show newmail
sleep 2
shot newmail
for state in stopped waiting checking failed; do
  show "$state"
  shot "$state"
done

# The icon is where the new-mail and stopped pictures differ.
box=$(convert "$out/tray-newmail.png" "$out/tray-stopped.png" -compose difference -composite \
        -threshold 0 -format '%@' info:)
read -r w h x y <<<"$(echo "$box" | sed 's/[x+]/ /g')"
echo "tray icon at ${w}x${h}+${x}+${y}"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 3
sleep 1.5
import -window root "$out/tray-menu.png"
convert "$out/tray-menu.png" -crop 160x200+864+568 +repage -scale 300% "$out/tray-menu-zoom.png"
xdotool key Escape
sleep 0.5
echo quit >tray-state.txt
sleep 1
ls "$out"/tray-*.png
