#!/usr/bin/env bash
# Sets up what is missing, builds the native and the Windows tree, and runs every test through
# ctest: the native unit tests, and the Windows programs under Wine. Exit status 0 only when all pass.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/deps.sh

build="${NEWSRAIL_BUILD:-build}"
jobs="$(nproc)"

# Ticker.exe is always built 32-bit; its tests run under Wine from the tree this machine can run.
wintree="$(scripts/windows-tree)"

CC=clang CXX=clang++ cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNEWSRAIL_WIN32_BUILD="$PWD/$build/$wintree" >/dev/null
cmake -S . -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-i686.cmake" \
  -DNEWSRAIL_NATIVE_BUILD="$PWD/$build/native" >/dev/null
cmake --build "$build/native" -j "$jobs"
cmake --build "$build/win32" -j "$jobs"
if [ "$wintree" = win64 ]; then
  echo "This kernel cannot run 32-bit programs: the Windows tests run a 64-bit build of the same sources."
  cmake -S . -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-x86_64.cmake" \
    -DNEWSRAIL_NATIVE_BUILD="$PWD/$build/native" >/dev/null
  cmake --build "$build/win64" -j "$jobs"
fi

# One run of ctest: the native tree includes the Windows tree's tests.
ctest --test-dir "$build/native" -j "$jobs" --output-on-failure --timeout 900 "$@"
