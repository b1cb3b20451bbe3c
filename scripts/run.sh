#!/usr/bin/env bash
# Builds the programs and runs the checker under Wine, in a Wine desktop whose task bar
# shows its tray icon. Without an account of your own it checks a local demo mailbox: a
# private Dovecot on 127.0.0.2:110 holding a few sample messages.
#
# Environment: MAILWICK_RUN_SECONDS  how long to keep it running when there is no
#              terminal to press Enter in (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "$jobs"

run=$root/build/run
app=$run/Mailwick
# A copy of the shipped folder, as an installation has it (help file, web links, sounds);
# what the checker wrote there (its "UIDL") stays from run to run.
mkdir -p "$app"
cp -R build/win64/Mailwick/. "$app/"

export WINEPREFIX=$run/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKCU\Software\Quenby Systems\Mailwick\Version 1.0'
started_xvfb=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$started_xvfb" ] && kill "$started_xvfb" 2>/dev/null || true
    bash tests/fixtures/dovecot.sh stop "$run/demo-mailbox" 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    source tests/win/xvfb.sh
    xvfb_start "$run/xvfb.log" || { echo "Xvfb did not start; see $run/xvfb.log" >&2; exit 1; }
    started_xvfb=$xvfb_pid
    export DISPLAY=$xvfb_display
fi
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i </dev/null >"$run/wineboot.log" 2>&1

# The account texts are stored with every character code one higher.
shifted() { printf '%s' "$1" | perl -pe 's/(.)/chr((ord($1) % 255) + 1)/ge'; }
if ! wine reg query "$key" /v Username </dev/null >/dev/null 2>&1; then
    bash tests/fixtures/dovecot.sh start "$run/demo-mailbox" 127.0.0.2 demo demo
    bash tests/fixtures/dovecot.sh deliver "$run/demo-mailbox" tests/fixtures/demo_mail/*.eml
    for v in Username:demo Password:demo Server:127.0.0.2; do
        wine reg add "$key" /v "${v%%:*}" /t REG_SZ /d "$(shifted "${v#*:}")" /f </dev/null >/dev/null
    done
    wine reg add "$key" /v CheckAutoStart /t REG_DWORD /d 1 /f </dev/null >/dev/null
    # A last check one period ago less five seconds: the first check follows at once.
    last=$(( $(date +%s) - 300 + 5 ))
    wine reg add "$key" /v LastCheck /t REG_BINARY /d "$(printf '%08x' "$last" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/')" /f \
        </dev/null >/dev/null
    echo "Account: the demo mailbox on 127.0.0.2 (user demo)."
else
    echo "Account: the one already configured in $WINEPREFIX."
fi

(cd "$app" && wine explorer /desktop=Mailwick,1024x768 mailwick.exe </dev/null >"$run/wine.log" 2>&1 &)
echo "Mailwick is running in a Wine desktop on display $DISPLAY."

status() { wine reg query "$key" /v LastStatus </dev/null 2>/dev/null | sed -n 's/.*REG_SZ[[:space:]]*//p' | tr -d '\r'; }
for _ in $(seq 30); do [ -n "$(status)" ] && break; sleep 1; done
sleep 2
import -window root "$run/screenshot.png"
status >"$run/status.txt"
echo "Status:     $(cat "$run/status.txt") (saved in $run/status.txt)"
echo "Screenshot: $run/screenshot.png"

if [ -t 0 ]; then
    read -r -p "Press Enter to stop Mailwick. "
else
    sleep "${MAILWICK_RUN_SECONDS:-60}"
fi
