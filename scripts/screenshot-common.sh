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
#   screenshot_start_checker NAME   starts the checker on the Wine desktop in a fresh
#                                   BUILD/screenshots/work-NAME and waits for it
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

screenshot_start_checker() {
  work="$out/work-$1"
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  "$WINE" explorer /desktop=Mailwick,1024x768 "$checker" >"$out/checker-$1.log" 2>&1 &
  screenshot_wait_desktop
  sleep 2
}
