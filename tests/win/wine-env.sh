#!/usr/bin/env bash
# Prepares (start) or ends (stop) the Wine environment the Windows tests run in:
# a private prefix and a private Xvfb display, both kept under the given folder.
# usage: wine-env.sh start|stop DIR
set -u
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
    # First free display number from 40 up; the lock file claims it.
    n=40
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    echo ":$n" >"$dir/display"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
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
