#!/usr/bin/env bash
# Screenshots of the help file in Wine's help viewer: the contents topic and the Account
# page's topic, on a private Xvfb display, for a person to look at.
# usage: scripts/screenshot-help.sh [BUILD_DIR]   (default build/win64; it must be built)
# Writes BUILD_DIR/screenshots/help-contents.png and help-account.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd)
help="$build/bin/mailwick.hlp"
out="$build/screenshots"
[ -f "$help" ] || { echo "build $help first" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/help-*.png

export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

n=60
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=":$n"
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
[ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot -i >"$out/wineboot.log" 2>&1
"$WINESERVER" -p 30 </dev/null >/dev/null 2>&1

# The viewer takes the file as a Windows path; -i opens a topic by its context name.
file="Z:${help//\//\\}"
shot() {  # shot NAME [ARGS...]: opens the viewer with ARGS, screenshots it, closes it
  local name=$1
  shift
  "$WINE" winhlp32 "$@" "$file" >"$out/winhlp32.log" 2>&1 &
  # The viewer's caption begins with the help file's title.
  for _ in $(seq 60); do xdotool search --name "^Mailwick Help" >/dev/null 2>&1 && break; sleep 0.5; done
  sleep 2
  import -window root "$out/help-$name.png"
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
  echo "$out/help-$name.png"
}
shot account -i options_account
shot contents
