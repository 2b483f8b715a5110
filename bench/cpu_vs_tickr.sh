#!/usr/bin/env bash
# CPU cost of a scrolling strip, side by side with the GTK ticker tickr: both scroll the same 60
# headlines, 1024 pixels wide, at about 120 pixels a second, on the same virtual display, for the
# same time. Samples user+system CPU from /proc of each program (for ours: the Wine process of
# Ticker.exe plus wineserver) and of the X server, and prints both and their ratio.
#
#   bench/cpu_vs_tickr.sh [seconds]      (after ./test.sh or ./run.sh has built the Windows tree)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-20}"
build="${NEWSRAIL_BUILD:-build}"
ticker="$PWD/$build/win32/bin/Ticker.exe"
[ -f "$ticker" ] || { echo "build the Windows tree first (./test.sh)" >&2; exit 1; }
command -v tickr >/dev/null || { echo "tickr is not installed (scripts/deps.sh)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The same sixty headlines for both: RSS for tickr, the ticker's own cache file for ours.
python3 - "$work" <<'EOF'
import sys
work = sys.argv[1]
titles = ["Headline %d: markets, weather and the news of the day" % i for i in range(60)]
# tickr shows a text file as one line; the headlines joined as our strip shows them.
with open(work + "/news.txt", "w") as f:
    f.write("  *  ".join(titles) + "\n")
feed = b"\x0ert\x051\x0bTop Stories:\x0d/top|\x052"
for i, t in enumerate(titles):
    feed += b"\x0b" + t.encode() + b"\x0d/s%d|" % i
open(work + "/News.Dat", "wb").write(feed)
EOF

fifo="$work/display"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
pids+=("$xvfb")
read -r -t 15 number <"$fifo"
export DISPLAY=":$number"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
sum_ticks() { local t=0; for p in "$@"; do t=$((t + $(ticks "$p"))); done; echo "$t"; }
hz=$(getconf CLK_TCK)

# Measures the given processes and the X server over the run; prints "program% xserver%".
measure() {
  local warmup=4
  sleep "$warmup"
  local p0 x0 p1 x1
  p0=$(sum_ticks "$@"); x0=$(ticks "$xvfb")
  sleep "$seconds"
  p1=$(sum_ticks "$@"); x1=$(ticks "$xvfb")
  awk -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "%.2f %.2f\n", 100 * p / hz / s, 100 * x / hz / s }'
}

# tickr: 4 pixels every 33 ms is about 121 pixels a second. A config file of its own skips its
# welcome; the questions it still asks on a first run are answered "No".
mkdir -p "$work/home/.tickr"
HOME="$work/home" tickr -dumpconfig 2>/dev/null | sed 1d >"$work/home/.tickr/tickr-conf" || true
HOME="$work/home" tickr -delay=33 -shiftsize=4 -win_x=0 -win_y=100 -win_w=1024 -win_h=28 \
  -windec=n "$work/news.txt" >/dev/null 2>&1 &
tickr_pid=$!
pids+=("$tickr_pid")
for _ in 1 2 3 4 5 6; do
  sleep 1
  for w in $(xdotool search --onlyvisible --name '^Tickr$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$HEIGHT" -gt 60 ] && xdotool mousemove $((X + WIDTH - 141)) $((Y + HEIGHT - 24)) click 1
  done
done
read -r tickr_cpu tickr_x < <(measure "$tickr_pid")
kill "$tickr_pid" 2>/dev/null || true

# Ours: "Ticker Speed" 6 is two frames of three pixels every 50 ms, 120 pixels a second; started
# with "R" so that it shows its cache and asks no server.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win32 LC_ALL=C.UTF-8
template="$PWD/$build/win32/wine/template"
[ -f "$template/.ready" ] || scripts/wine-run --root "$build/win32/wine" cmd /c exit >/dev/null 2>&1 || true
cp -a "$template" "$WINEPREFIX"
app="$WINEPREFIX/drive_c/bench"
mkdir -p "$app"
cp "$ticker" "$app/Ticker.exe"
cp "$work/News.Dat" "$app/News.Dat"
key='HKLM\SOFTWARE\Talmora\Ticker'
for value in "Ticker Speed=6" "Smooth Scrolling=0" "Dock in Taskbar=1" "Fit To Caption=0" \
             "Always On Top=0" "Ticker X=0" "Ticker Y=300" "Ticker Width=1026" "Ticker Height=30" \
             "US Headlines=1"; do
  wine reg add "$key" /v "${value%%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
done
wine reg add "$key" /v "Publisher Server" /d "http://127.0.0.1:9" /f >/dev/null 2>&1
(cd "$app" && wine Ticker.exe R >/dev/null 2>&1 &)
sleep 2
ticker_pid=$(pgrep -f 'Ticker.exe' | head -1)
server_pid=$(pgrep -n -f 'wineserver' || true)
read -r ours_cpu ours_x < <(measure "$ticker_pid" "$server_pid")
[ -n "${NEWSRAIL_BENCH_SPLIT:-}" ] && echo "  (wineserver alone: $(measure "$server_pid"))"

echo "Scrolling 60 headlines, 1024 px wide, ~120 px/s, for $seconds s (CPU % of one core):"
printf '  %-28s %6s %% + X server %6s %%\n' "tickr (-delay=33 -shiftsize=4)" "$tickr_cpu" "$tickr_x"
printf '  %-28s %6s %% + X server %6s %%\n' "Ticker.exe under Wine" "$ours_cpu" "$ours_x"
awk -v a="$ours_cpu" -v b="$ours_x" -v c="$tickr_cpu" -v d="$tickr_x" \
  'BEGIN { if (c + d > 0) printf "  ratio (ours / tickr, with X): %.2f\n", (a + b) / (c + d) }'
