#!/usr/bin/env bash
# Screenshots of the options sheet's Notifications page: the checker, run in a Wine
# virtual desktop on a private Xvfb display, opens Options and goes to its last page; the
# page as it opens, then after each Tab (to follow the focus).
# usage: scripts/screenshot-notifications.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/notifications.png (whole screen) and notifications-tabs.png
# (the sheet after each Tab, side by side).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
checker="$build/bin/mailwick.exe"
post="$build/tests-bin/post_command.exe"
screenshot_need "$checker" "$post"
rm -f "$out"/notifications*.png

screenshot_wine notifications
screenshot_account pop.example.org
screenshot_start_checker notifications
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 203 >>"$out/checker-notifications.log" 2>&1  # Options
sleep 3
# The sheet is centred: a click on its last tab, Notifications.
xdotool mousemove 555 227 click 1
sleep 1
import -window root "$out/notifications.png"

tabs=()
for i in $(seq 1 14); do
  xdotool key Tab
  sleep 0.4
  import -window root "$out/notifications-tab-$i.png"
  convert "$out/notifications-tab-$i.png" -crop 420x420+302+174 +repage "$out/notifications-tab-$i.png"
  tabs+=("$out/notifications-tab-$i.png")
done
convert "${tabs[@]:0:7}" +append "$out/notifications-tabs-a.png"
convert "${tabs[@]:7}" +append "$out/notifications-tabs-b.png"
convert "$out/notifications-tabs-a.png" "$out/notifications-tabs-b.png" -append "$out/notifications-tabs.png"
rm -f "$out"/notifications-tab-*.png "$out/notifications-tabs-a.png" "$out/notifications-tabs-b.png"
xdotool key Escape
sleep 1
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 204 >>"$out/checker-notifications.log" 2>&1 || true
sleep 1
ls "$out"/notifications*.png
