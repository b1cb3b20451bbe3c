# Sourced by the screenshot scripts (not run on its own): the build tree, a private Xvfb
# display and a Wine prefix, all ended when the script exits.
#
# Sets root (the checkout), build (the script's first argument, default build/win64) and
# out (BUILD/screenshots, created). Then, in the script:
#   screenshot_need FILE...         stops with a message unless every FILE is built
#   screenshot_wine [NAME]          the prefix BUILD/screenshots/prefix[-NAME] and an Xvfb on
#                                   a display of its own; exports
#                                   WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES and DISPLAY, sets
#                                   WINE and WINESERVER; logs go to xvfb[-NAME].log and
#                                   wineboot[-NAME].log
#   screenshot_wait_desktop         waits until the Wine desktop shows something
#   screenshot_account SERVER       stores the account mailwick/secret on SERVER, no autostart
#   setting_dword NAME VALUE        stores one REG_DWORD setting of the checker
#   screenshot_need_checker         sets checker and post (post_command.exe) and needs both
#   screenshot_mailbox IP DIR SENDER...
#                                   a private Dovecot on IP in DIR, stopped at exit, holding
#                                   one message from each SENDER, a second apart
#   screenshot_new_mail_settings SHOW_DIALOG
#                                   new mail silent and no mail program; NotifShowDialog as given
#   screenshot_start_checker NAME   starts the checker on the Wine desktop in a fresh
#                                   BUILD/screenshots/work-NAME and waits for it
#   screenshot_command ID           posts command ID to the checker from its desktop
#   screenshot_exit_checker         the Exit command
#   screenshot_tabs NAME COUNT      presses Tab COUNT times; the centred sheet after each is
#                                   NAME-tab-N.png, and all of them, in two rows, NAME-tabs.png
# A script with more to undo at exit (a server it started) defines screenshot_cleanup.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tests/win/xvfb.sh"
build=$(cd "${1:-$root/build/win64}" && pwd)
out="$build/screenshots"
mkdir -p "$out"

screenshot_need() {
  local f
  for f in "$@"; do [ -f "$f" ] || { echo "build $f first" >&2; exit 1; }; done
}

screenshot_stop() {
  if declare -F screenshot_cleanup >/dev/null; then screenshot_cleanup || true; fi
  "$WINESERVER" -k 2>/dev/null || true
  [ -z "${screenshot_xvfb:-}" ] || kill "$screenshot_xvfb" 2>/dev/null || true
}

screenshot_wine() {
  local tag=${1:+-$1}
  export WINEPREFIX="$out/prefix$tag" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  xvfb_start "$out/xvfb$tag.log" || { echo "Xvfb did not start; see $out/xvfb$tag.log" >&2; exit 1; }
  screenshot_xvfb=$xvfb_pid
  export DISPLAY=$xvfb_display
  trap screenshot_stop EXIT
  [ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >"$out/wineboot$tag.log" 2>&1
}

# A new prefix takes a while to show its desktop: wait until the screen has more than one colour.
screenshot_wait_desktop() {
  for _ in $(seq 120); do
    [ "$(import -window root -format '%k' info:)" -gt 1 ] && return 0
    sleep 0.5
  done
}

settings_key='HKCU\Software\Quenby Systems\Mailwick\Version 1.0'
setting_dword() { "$WINE" reg add "$settings_key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
# The account is stored with every character code plus one.
setting_account_text() {
  "$WINE" reg add "$settings_key" /v "$1" /t REG_SZ /f >/dev/null 2>&1 \
    /d "$(printf '%s' "$2" | perl -pe 's/(.)/chr(ord($1) + 1)/ge')"
}
screenshot_account() {
  setting_account_text Username mailwick
  setting_account_text Password secret
  setting_account_text Server "$1"
  setting_dword CheckAutoStart 0
}

screenshot_need_checker() {
  checker="$build/bin/mailwick.exe"
  post="$build/tests-bin/post_command.exe"
  screenshot_need "$checker" "$post"
}

screenshot_mailbox() {
  local ip=$1 sender
  screenshot_dovecot=$2
  shift 2
  screenshot_cleanup() { bash "$root/tests/fixtures/dovecot.sh" stop "$screenshot_dovecot"; }
  bash "$root/tests/fixtures/dovecot.sh" start "$screenshot_dovecot" "$ip" mailwick secret
  for sender in "$@"; do
    printf 'From: %s\r\nTo: mailwick@example.org\r\nSubject: Hello from %s\r\nDate: Sun, 7 Dec 1997 09:00:00 +0000\r\n\r\nHello.\r\n' \
      "$sender" "${sender%% *}" | bash "$root/tests/fixtures/dovecot.sh" deliver "$screenshot_dovecot"
    sleep 1  # one second apart, so the server lists them in this order
  done
}

screenshot_new_mail_settings() {
  setting_dword NotifPlayWav 0
  setting_dword NotifPlayAlarm 0
  setting_dword NotifShowDialog "$1"
  setting_dword LaunchMail 0
}

screenshot_start_checker() {
  screenshot_name=$1
  work="$out/work-$1"
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  "$WINE" explorer /desktop=Mailwick,1024x768 "$checker" >"$out/checker-$1.log" 2>&1 &
  screenshot_wait_desktop
  sleep 2
}

# From a program on the checker's desktop, so that it finds the checker's window.
screenshot_command() {
  "$WINE" explorer /desktop=Mailwick,1024x768 "$post" "$1" >>"$out/checker-$screenshot_name.log" 2>&1
}

screenshot_exit_checker() {
  screenshot_command 204 || true
  sleep 1
}

# The sheet is centred on the 1024x768 desktop.
screenshot_tabs() {
  local name=$1 count=$2 i tabs=()
  for i in $(seq 1 "$count"); do
    xdotool key Tab
    sleep 0.4
    import -window root "$out/$name-tab-$i.png"
    convert "$out/$name-tab-$i.png" -crop 420x420+302+174 +repage "$out/$name-tab-$i.png"
    tabs+=("$out/$name-tab-$i.png")
  done
  local half=$(((count + 1) / 2))
  convert "${tabs[@]:0:half}" +append "$out/$name-tabs-a.png"
  convert "${tabs[@]:half}" +append "$out/$name-tabs-b.png"
  convert "$out/$name-tabs-a.png" "$out/$name-tabs-b.png" -append "$out/$name-tabs.png"
  rm -f "$out/$name-tabs-a.png" "$out/$name-tabs-b.png"
}
