#!/usr/bin/env bash
# Runs a Windows program in the test environment made by wine-env.sh.
# usage: wine-run.sh DIR PROGRAM [ARGS...]
dir=$1; shift
export WINEPREFIX="$dir/prefix" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
[ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
exec "$WINE" "$@"
