#!/usr/bin/env bash
# Runs a Windows program in the test environment made by wine-env.sh.
# usage: wine-run.sh DIR PROGRAM [ARGS...]
dir=$1; shift
export WINEPREFIX="$dir/prefix" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
[ -f "$dir/display" ] && export DISPLAY=$(cat "$dir/display")
WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
# The prefix's services, started by the first program, inherit its output and may outlive
# it; writing to a file rather than to ctest's pipe keeps them from holding the test open.
out=$(mktemp)
"$WINE" "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
