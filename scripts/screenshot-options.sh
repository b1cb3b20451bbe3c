#!/usr/bin/env bash
# Screenshots of the options sheet's Account page: the checker, run in a Wine virtual
# desktop on a private Xvfb display with an account stored for STARTTLS on port 1110, opens
# Options; the page as it opens, then after each Tab (to follow the focus), then with the
# Security list dropped down and SSL/TLS chosen from it.
# usage: scripts/screenshot-options.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/options-account.png, options-tab-N.png (the sheet only),
# options-tabs.png (those side by side), options-security.png (the list dropped down) and
# options-ssl.png (SSL/TLS chosen).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
screenshot_need_checker
rm -f "$out"/options-*.png
screenshot_wine options

screenshot_account pop.example.org
setting_dword Security 1
setting_dword Port 1110

screenshot_start_checker options
screenshot_command 203  # Options
sleep 3
import -window root "$out/options-account.png"
screenshot_tabs options 9

# A click on the Security arrow drops its list down; Down and Enter choose SSL/TLS, which
# fills in its port.
xdotool key Escape
sleep 1
screenshot_command 203
sleep 3
xdotool mousemove 557 457 click 1
sleep 1
import -window root "$out/options-security.png"
xdotool key Down Return
sleep 1
import -window root "$out/options-ssl.png"
xdotool key Escape Escape
sleep 1
screenshot_exit_checker
ls "$out"/options-*.png
