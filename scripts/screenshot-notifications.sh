#!/usr/bin/env bash
# Screenshots of the options sheet's Notifications page: the checker, run in a Wine
# virtual desktop on a private Xvfb display, opens Options and goes to its last page; the
# page as it opens, then after each Tab (to follow the focus).
# usage: scripts/screenshot-notifications.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/notifications.png (whole screen) and notifications-tabs.png
# (the sheet after each Tab, side by side).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
screenshot_need_checker
rm -f "$out"/notifications*.png

screenshot_wine notifications
screenshot_account pop.example.org
screenshot_start_checker notifications
screenshot_command 203  # Options
sleep 3
# The sheet is centred: a click on its last tab, Notifications.
xdotool mousemove 555 227 click 1
sleep 1
import -window root "$out/notifications.png"

screenshot_tabs notifications 14
rm -f "$out"/notifications-tab-*.png
xdotool key Escape
sleep 1
screenshot_exit_checker
ls "$out"/notifications*.png
