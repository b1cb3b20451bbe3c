#!/usr/bin/env bash
# Builds the programs (native and Windows x64) and runs a POP3 check against a local demo
# mailbox: a private Dovecot on 127.0.0.2:110 holding a few sample messages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "$jobs"

demo=build/demo-mailbox
dovecot=tests/fixtures/dovecot.sh
bash "$dovecot" start "$demo" 127.0.0.2 demo demo
trap 'bash "$dovecot" stop "$demo"' EXIT
bash "$dovecot" deliver "$demo" tests/fixtures/demo_mail/*.eml

echo "Windows programs: build/win64/bin"
build/native/bin/pop3_demo 127.0.0.2 demo demo
