#!/usr/bin/env bash
# Sets up what is missing, builds, starts the local content server with its sample content and
# runs Ticker.exe under Wine against it: on your X display when $DISPLAY is set, otherwise on a
# virtual display, saving a screenshot.
#
#   NEWSRAIL_RUN_SECONDS  how long to run on a virtual display before the screenshot (default 15)
#   NEWSRAIL_PORT         the content server's port (default 18471, what the ticker expects)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/deps.sh

build="${NEWSRAIL_BUILD:-build}"
jobs="$(nproc)"
port="${NEWSRAIL_PORT:-18471}"

# The 32-bit Ticker.exe where this machine runs 32-bit programs, else a 64-bit build of it.
wintree="$(scripts/windows-tree)"
[ "$wintree" = win64 ] && arch=x86_64 || arch=i686
cmake -S . -B "$build/$wintree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-$arch.cmake" >/dev/null
cmake --build "$build/$wintree" -j "$jobs" --target Ticker newsrail_update_files
CC=clang CXX=clang++ cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ -f server/CMakeLists.txt ]; then
  cmake --build "$build/native" -j "$jobs" --target newsrail_server
fi

run="$PWD/$build/run"
prefix="$run/prefix"
app="$run/app"
mkdir -p "$app"
cp "$build/$wintree/bin/Ticker.exe" "$app/Ticker.exe"

pids=()
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

server="$build/native/server/newsrail_server"
if [ -x "$server" ]; then
  "$server" --port "$port" --content server/sample --log "$run/server.log" \
    --ion "$build/$wintree/ion" &
  pids+=($!)
  echo "Content server: http://127.0.0.1:$port (sample content, log in $run/server.log)"
fi

if [ ! -d "$prefix" ]; then
  # A fresh install floats on the caption bar at its first-run width of 150 pixels; this demo
  # gives it room to show a few headlines. Everything else is the program's own default.
  scripts/wine-run --root "$build/$wintree/wine" --prefix "$prefix" --timeout 60 \
    reg add 'HKLM\SOFTWARE\Talmora\Ticker' /v "Ticker Width" /t REG_DWORD /d 700 /f >/dev/null 2>&1
fi

echo "Wine prefix:    $prefix"
echo "Program folder: $app (News.Dat, Sponsor.Dat and sponsor.ini go here)"

if [ -n "${DISPLAY:-}" ]; then
  scripts/wine-run --root "$build/$wintree/wine" --prefix "$prefix" --timeout 0 "$app/Ticker.exe"
  exit 0
fi

# No display: a virtual one, a while of running, then a picture of the screen.
seconds="${NEWSRAIL_RUN_SECONDS:-15}"
fifo="$run/.display"
rm -f "$fifo"; mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
pids+=($!)
read -r -t 15 display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
scripts/wine-run --root "$build/$wintree/wine" --prefix "$prefix" --timeout 0 "$app/Ticker.exe" &
pids+=($!)
sleep "$seconds"
shot="$run/screenshot.png"
import -window root "$shot"
echo "Screenshot:     $shot"
