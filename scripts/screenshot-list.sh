#!/usr/bin/env bash
# Screenshots of the mail list window: the checker, run in a Wine virtual desktop on a
# private Xvfb display against a private Dovecot, checks twenty generated messages (the
# last six arriving after a first check, so they show as new) and opens its list window.
# usage: scripts/screenshot-list.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/list-open.png (as opened: newest first),
# list-by-from.png (after a click on the From heading), list-keys.png (after keys) and
# list-sorted-selection.png (sorted again with a row selected).
set -euo pipefail
source "$(dirname "$0")/screenshot-common.sh"
checker="$build/bin/mailwick.exe"
post="$build/tests-bin/post_command.exe"
screenshot_need "$checker" "$post"
rm -f "$out"/list-*.png

ip=127.0.0.54
dovecot="$out/dovecot-list"
screenshot_cleanup() { bash "$root/tests/fixtures/dovecot.sh" stop "$dovecot"; }
screenshot_wine list

senders=("Ann Marsh <ann@example.org>" "bob@example.net" "Carol Writer <carol@example.com>"
         "Dave Long-Name Smithson <dave.smithson@example.co.uk>" "eve@example.org")
subjects=("Lunch on Friday?" "Build report" "Photos from the trip" "Re: meeting notes"
          "Invoice 2026-114" "A rather long subject line that will not fit the column at its default width")
deliver() {  # deliver INDEX
  local i=$1 s=${senders[$(( $1 % 5 ))]} subject=${subjects[$(( $1 % 6 ))]}
  local body
  body=$(head -c $(( (i * 7919) % 40000 + 200 )) /dev/zero | tr '\0' 'x' | fold -w 70)
  printf 'Received: from relay.example.org by pop.example.org; Mon, %d Dec 2026 %02d:%02d:00 +0000\r\nFrom: %s\r\nTo: mailwick@example.org\r\nSubject: %s\r\nDate: Mon, %d Dec 2026 %02d:%02d:00 +0000\r\n\r\n%s\r\n' \
    $(( i % 7 + 1 )) $(( 8 + i % 10 )) $(( (i * 13) % 60 )) "$s" "$subject" $(( i % 7 + 1 )) $(( 8 + i % 10 )) $(( (i * 13) % 60 )) "$body" |
    bash "$root/tests/fixtures/dovecot.sh" deliver "$dovecot"
}
bash "$root/tests/fixtures/dovecot.sh" start "$dovecot" "$ip" mailwick secret
for i in $(seq 1 14); do deliver "$i"; done

screenshot_account "$ip"
setting_dword NotifPlayWav 0
setting_dword NotifPlayAlarm 0
setting_dword NotifShowDialog 0
setting_dword LaunchMail 0

screenshot_start_checker list
command() { "$WINE" explorer /desktop=Mailwick,1024x768 "$post" "$1" >>"$out/checker-list.log" 2>&1; }
command 201  # Check Now: the first fourteen
sleep 4
for i in $(seq 15 20); do deliver "$i"; done
command 201  # the last six arrive as new
sleep 4
command 202  # Open
sleep 3
import -window root "$out/list-open.png"

# The window opens at the desktop's top left: a click on the From heading sorts by sender,
# descending; a click on the first row, then Down and End move the selection by keyboard.
xdotool mousemove 260 50 click 1
sleep 1
import -window root "$out/list-by-from.png"
xdotool mousemove 300 68 click 1
xdotool key Down End
sleep 1
import -window root "$out/list-keys.png"

# A click on the Received heading sorts newest first again: the selection stays on the
# message chosen by keys, scrolled into view.
xdotool mousemove 60 50 click 1
sleep 1
import -window root "$out/list-sorted-selection.png"

command 204
sleep 1
ls "$out"/list-*.png
