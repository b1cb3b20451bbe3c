#!/usr/bin/env bash
# Screenshots of what new mail looks like: the checker, run in a Wine virtual desktop on a
# private Xvfb display against a private Dovecot holding three messages, is told to Check
# Now; the NEWMAIL dialog lists the three senders and the tray icon flashes.
# usage: scripts/screenshot-newmail.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/newmail-N.png (whole screen, half a second apart, so both
# tray pictures appear), newmail-N-tray.png (the task bar's right end, enlarged) and
# newmail-dialog.png (the dialog, enlarged).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
screenshot_need_checker
rm -f "$out"/newmail-*.png

ip=127.0.0.51
screenshot_wine newmail
screenshot_mailbox "$ip" "$out/dovecot" \
  "Ann Example <ann@example.org>" "Bob Sender <bob@example.net>" "Carol Writer <carol@example.com>"
screenshot_account "$ip"
screenshot_new_mail_settings 1

screenshot_start_checker newmail
screenshot_command 201  # Check Now
sleep 3

for i in 1 2 3 4 5 6; do
  import -window root "$out/newmail-$i.png"
  convert "$out/newmail-$i.png" -crop 96x20+928+748 +repage -scale 800% "$out/newmail-$i-tray.png"
  sleep 0.5
done
# The dialog sits in the middle of the screen.
convert "$out/newmail-1.png" -crop 400x300+312+234 +repage -scale 200% "$out/newmail-dialog.png"

screenshot_exit_checker
ls "$out"/newmail-*.png
