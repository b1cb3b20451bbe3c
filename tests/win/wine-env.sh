#!/usr/bin/env bash
# Prepares (start) or ends (stop) the Wine environment the Windows tests run in:
# a private prefix and a private Xvfb display, both kept under the given folder.
# usage: wine-env.sh start|stop DIR
set -u
source "$(dirname "$0")/xvfb.sh"
cmd=$1 dir=$2
mkdir -p "$dir"
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

case "$cmd" in
start)
  if [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
    :
  else
    if ! xvfb_start "$dir/xvfb.log"; then
      echo "Xvfb did not start; see $dir/xvfb.log" >&2
      exit 1
    fi
    echo "$xvfb_pid" >"$dir/xvfb.pid"
    echo "$xvfb_display" >"$dir/display"
  fi
  export DISPLAY=$(cat "$dir/display")
  # Keep one wineserver for the whole run so each test starts quickly. It and the
  # background services that wineboot starts outlive this script and every test, so
  # their output goes to files: holding ctest's output pipe open makes ctest wait.
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i </dev/null >"$dir/wineboot.log" 2>&1
  else
    "$WINE" wineboot </dev/null >>"$dir/wineboot.log" 2>&1
  fi
  # No window manager runs on this display: Wine would wait up to 2 s for one each time
  # a visible top-level window is hidden or destroyed.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$dir/wineboot.log" 2>&1
  exit 0
  ;;
stop)
  "$WINESERVER" -k 2>/dev/null
  # -k only asks; a next start must not meet the dying server.
  "$WINESERVER" -w 2>/dev/null
  if [ -f "$dir/xvfb.pid" ]; then
    pid=$(cat "$dir/xvfb.pid")
    kill "$pid" 2>/dev/null
    # A new Xvfb started on the same display before this one is gone would fail.
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$dir/xvfb.pid"
  fi
  exit 0
  ;;
esac
echo "usage: $0 start|stop DIR" >&2
exit 2
