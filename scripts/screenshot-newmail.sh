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
checker="$build/bin/mailwick.exe"
post="$build/tests-bin/post_command.exe"
screenshot_need "$checker" "$post"
rm -f "$out"/newmail-*.png

ip=127.0.0.51
dovecot="$out/dovecot"
screenshot_cleanup() { bash "$root/tests/fixtures/dovecot.sh" stop "$dovecot"; }
screenshot_wine newmail

bash "$root/tests/fixtures/dovecot.sh" start "$dovecot" "$ip" mailwick secret
for sender in "Ann Example <ann@example.org>" "Bob Sender <bob@example.net>" "Carol Writer <carol@example.com>"; do
  printf 'From: %s\r\nTo: mailwick@example.org\r\nSubject: Hello from %s\r\nDate: Sun, 7 Dec 1997 09:00:00 +0000\r\n\r\nHello.\r\n' \
    "$sender" "${sender%% *}" | bash "$root/tests/fixtures/dovecot.sh" deliver "$dovecot"
  sleep 1  # one second apart, so the server lists them in this order
done

screenshot_account "$ip"
setting_dword NotifPlayWav 0
setting_dword NotifPlayAlarm 0
setting_dword NotifShowDialog 1
setting_dword LaunchMail 0

screenshot_start_checker newmail
# Check Now (201), from a program on the checker's desktop so it finds the window.
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 201 >>"$out/checker-newmail.log" 2>&1
sleep 3

for i in 1 2 3 4 5 6; do
  import -window root "$out/newmail-$i.png"
  convert "$out/newmail-$i.png" -crop 96x20+928+748 +repage -scale 800% "$out/newmail-$i-tray.png"
  sleep 0.5
done
# The dialog sits in the middle of the screen.
convert "$out/newmail-1.png" -crop 400x300+312+234 +repage -scale 200% "$out/newmail-dialog.png"

"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 204 >>"$out/checker-newmail.log" 2>&1 || true
sleep 1
ls "$out"/newmail-*.png
