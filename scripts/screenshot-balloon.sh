#!/usr/bin/env bash
# Screenshots of the new-mail balloon: the checker, run in a Wine virtual desktop on a
# private Xvfb display against a private Dovecot holding four messages, with the NEWMAIL
# dialog off, is told to Check Now; the balloon rises from the tray icon.
# usage: scripts/screenshot-balloon.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/balloon.png (whole screen) and balloon-zoom.png (the
# screen's lower right corner, enlarged).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
checker="$build/bin/mailwick.exe"
post="$build/tests-bin/post_command.exe"
screenshot_need "$checker" "$post"
rm -f "$out"/balloon*.png

ip=127.0.0.52
dovecot="$out/dovecot-balloon"
screenshot_cleanup() { bash "$root/tests/fixtures/dovecot.sh" stop "$dovecot"; }
screenshot_wine balloon

bash "$root/tests/fixtures/dovecot.sh" start "$dovecot" "$ip" mailwick secret
for sender in "Ann Example <ann@example.org>" "Bob Sender <bob@example.net>" "Carol Writer <carol@example.com>" \
              "Dan Late <dan@example.com>"; do
  printf 'From: %s\r\nTo: mailwick@example.org\r\nSubject: Hello from %s\r\nDate: Sun, 7 Dec 1997 09:00:00 +0000\r\n\r\nHello.\r\n' \
    "$sender" "${sender%% *}" | bash "$root/tests/fixtures/dovecot.sh" deliver "$dovecot"
  sleep 1  # one second apart, so the server lists them in this order
done

screenshot_account "$ip"
setting_dword NotifPlayWav 0
setting_dword NotifPlayAlarm 0
setting_dword NotifShowDialog 0
setting_dword LaunchMail 0

screenshot_start_checker balloon
"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 201 >>"$out/checker-balloon.log" 2>&1
sleep 4
import -window root "$out/balloon.png"
convert "$out/balloon.png" -crop 512x256+512+512 +repage -scale 200% "$out/balloon-zoom.png"

"$WINE" explorer /desktop=Mailwick,1024x768 "$post" 204 >>"$out/checker-balloon.log" 2>&1 || true
sleep 1
ls "$out"/balloon*.png
