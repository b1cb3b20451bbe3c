#!/usr/bin/env bash
# Builds everything (native, Windows x64, Windows i686, fuzzers) and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/win64 -j "$jobs"
# 32-bit programs cannot run on this kernel: compiled only, to keep the code 32-bit clean.
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j "$jobs"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DMAILWICK_FUZZ=ON -DMAILWICK_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"

status=0
ctest --test-dir build/native --output-on-failure -j "$jobs" || status=1
ctest --test-dir build/win64 --output-on-failure || status=1
# The fuzz tree also builds the native unit tests with AddressSanitizer and UBSan: run them
# there too, stopping at the first undefined behaviour.
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/fuzz --output-on-failure -j "$jobs" -L "unit|fuzz" || status=1
exit $status
