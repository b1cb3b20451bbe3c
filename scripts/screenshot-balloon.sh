#!/usr/bin/env bash
# Screenshots of the new-mail balloon: the checker, run in a Wine virtual desktop on a
# private Xvfb display against a private Dovecot holding four messages, with the NEWMAIL
# dialog off, is told to Check Now; the balloon rises from the tray icon.
# usage: scripts/screenshot-balloon.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/balloon.png (whole screen) and balloon-zoom.png (the
# screen's lower right corner, enlarged).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
screenshot_need_checker
rm -f "$out"/balloon*.png

ip=127.0.0.52
screenshot_wine balloon
screenshot_mailbox "$ip" "$out/dovecot-balloon" "Ann Example <ann@example.org>" "Bob Sender <bob@example.net>" \
  "Carol Writer <carol@example.com>" "Dan Late <dan@example.com>"
screenshot_account "$ip"
screenshot_new_mail_settings 0

screenshot_start_checker balloon
screenshot_command 201  # Check Now
sleep 4
import -window root "$out/balloon.png"
convert "$out/balloon.png" -crop 512x256+512+512 +repage -scale 200% "$out/balloon-zoom.png"

screenshot_exit_checker
ls "$out"/balloon*.png
