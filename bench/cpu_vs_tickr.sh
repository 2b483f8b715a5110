#!/usr/bin/env bash
# CPU cost of a scrolling strip, side by side with the GTK ticker tickr: both scroll the same 60
# headlines, 1024 pixels wide, at about 120 pixels a second, at the same time, each on a virtual
# display of its own, so that whatever else loads the machine loads both alike. Samples user+system
# CPU from /proc of each program (for ours every process of its Wine prefix: Ticker.exe,
# wineserver and Wine's own helpers) and of each X server, in rounds, and prints both and their
# ratio per round and over the whole run. Beside them, on a third display and in a Wine prefix of
# its own, the bare window (bench/win32/bare_window.cpp) copies a prepared strip to the screen on
# the same 50 ms tick and does nothing else: the floor under what scrolling can cost under Wine,
# against which ours is given as a second ratio.
#
#   bench/cpu_vs_tickr.sh [seconds per round] [rounds]
#
# Needs the Windows tree (./test.sh) and tickr (scripts/deps.sh). NEWSRAIL_BENCH_TICKER=path picks
# another Ticker.exe, for example a 64-bit build on a machine whose kernel runs no 32-bit programs;
# the bare window is taken from the bench folder of the same Windows tree.
# tickr is started with a throw-away home folder and a complete configuration, so it asks nothing
# and leaves the user's own configuration alone.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-20}"
rounds="${2:-3}"
build="${NEWSRAIL_BUILD:-build}"
[ "${build#/}" != "$build" ] || build="$PWD/$build"  # absolute from here on
ticker="${NEWSRAIL_BENCH_TICKER:-$build/$(scripts/windows-tree)/bin/Ticker.exe}"
fail() { echo "cpu_vs_tickr: $*" >&2; exit 1; }
[ -f "$ticker" ] || fail "build the Windows tree first (./test.sh)"
for tool in tickr Xvfb xdotool import compare cc; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh)"
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  [ -d "$work/bare-prefix" ] && WINEPREFIX="$work/bare-prefix" wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The same sixty headlines for both: a text file for tickr, the ticker's own cache file for ours.
python3 - "$work" <<'EOF'
import sys
work = sys.argv[1]
# Of different lengths, so that no two stretches of the strip look alike (the speed check below).
topics = ["markets", "weather and travel", "the news of the day", "sport", "science and health",
          "the arts", "politics at home and abroad"]
titles = ["Headline %d: %s, %s" % (i, topics[i % 7], topics[(i * 3 + 1) % 7]) for i in range(60)]
# tickr shows a text file as one line; the headlines joined as our strip shows them.
with open(work + "/news.txt", "w") as f:
    f.write("  *  ".join(titles) + "\n")
feed = b"\x0ert\x051\x0bTop Stories:\x0d/top|\x052"
for i, t in enumerate(titles):
    feed += b"\x0b" + t.encode() + b"\x0d/s%d|" % i
open(work + "/News.Dat", "wb").write(feed)
EOF

# Starts an Xvfb and prints "display pid".
start_display() {
  local fifo="$work/display$1"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  local pid=$!
  local number
  read -r -t 30 number <"$fifo" || fail "Xvfb did not start"
  echo ":$number $pid"
}
read -r tickr_display tickr_xvfb < <(start_display 1)
read -r ours_display ours_xvfb < <(start_display 2)
read -r bare_display bare_xvfb < <(start_display 3)
pids+=("$tickr_xvfb" "$ours_xvfb" "$bare_xvfb")

# Whether the strip at the given screen rectangle (WxH+X+Y) changes within half a second.
strip_moves() {
  DISPLAY="$1" import -window root -crop "$2" "$work/a.png" 2>/dev/null || return 1
  sleep 0.5
  DISPLAY="$1" import -window root -crop "$2" "$work/b.png" 2>/dev/null || return 1
  local differ
  differ=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
  [ "${differ%% *}" != "0" ]
}
wait_until_moving() {
  for _ in $(seq 40); do
    strip_moves "$1" "$2" && return 0
    sleep 0.5
  done
  return 1
}

# How fast the strip at the given rectangle runs, in pixels a second: pairs of grabs a moment apart
# and the shift that lines each pair up best (the text runs right to left); the median of three.
strip_speed() {
  local i t0 t1
  for i in 1 2 3; do
    t0=$(date +%s.%N)
    DISPLAY="$1" import -window root -crop "$2" -colorspace gray -depth 8 "gray:$work/s0" 2>/dev/null
    sleep 0.3
    t1=$(date +%s.%N)
    DISPLAY="$1" import -window root -crop "$2" -colorspace gray -depth 8 "gray:$work/s1" 2>/dev/null
    python3 - "$work/s0" "$work/s1" "${2%%x*}" "$t0" "$t1" <<'PY'
import sys
a, b = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
w, dt = int(sys.argv[3]), float(sys.argv[5]) - float(sys.argv[4])
rows, span = len(a) // w, w - 400
def misses(shift):
    return sum(abs(a[r * w + x + shift] - b[r * w + x]) > 40
               for r in range(rows) for x in range(0, span, 2))
print("%.0f" % (min(range(400), key=misses) / dt))
PY
  done | sort -n | sed -n 2p
}

# tickr reads its configuration from the home folder in the password database, not from $HOME:
# a small preloaded library points it at a throw-away one.
cat >"$work/home_shim.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pwd.h>
#include <stdlib.h>
struct passwd* getpwuid(uid_t uid) {
  struct passwd* (*real)(uid_t) = (struct passwd* (*)(uid_t))dlsym(RTLD_NEXT, "getpwuid");
  struct passwd* p = real(uid);
  const char* home = getenv("HOME");
  if (p != NULL && home != NULL && home[0] == '/') p->pw_dir = (char*)home;
  return p;
}
EOF
cc -shared -fPIC -O2 -o "$work/home_shim.so" "$work/home_shim.c" -ldl || fail "cannot build the home shim"
# A complete configuration: its absence brings the welcome window, an empty feed list the two
# questions about importing one. 4 pixels every 33 ms is about 121 pixels a second.
mkdir -p "$work/home/.tickr"
cat >"$work/home/.tickr/tickr-conf" <<EOF
-delay=33
-shiftsize=4
-win_x=0
-win_y=100
-win_w=1024
-win_h=28
-windec=n
-disablepopups=y
-pauseonmouseover=n
EOF
printf '*  0file://%s>Headlines\n' "$work/news.txt" >"$work/home/.tickr/tickr-url-list"
DISPLAY="$tickr_display" HOME="$work/home" LD_PRELOAD="$work/home_shim.so" \
  tickr "$work/news.txt" >"$work/tickr.log" 2>&1 &
tickr_pid=$!
pids+=("$tickr_pid")
# Should a newer tickr still ask something, the answers are "OK" to the welcome and "No" to
# importing or using a sample feed list.
for _ in $(seq 20); do
  DISPLAY="$tickr_display" xdotool search --onlyvisible --name 'Tickr-' >/dev/null 2>&1 && break
  for w in $(DISPLAY="$tickr_display" xdotool search --onlyvisible --name '^Welcome' 2>/dev/null); do
    DISPLAY="$tickr_display" xdotool key --window "$w" Return 2>/dev/null || true
  done
  for w in $(DISPLAY="$tickr_display" xdotool search --onlyvisible --name '^Tickr$' 2>/dev/null); do
    DISPLAY="$tickr_display" xdotool key --window "$w" alt+n 2>/dev/null || true
  done
  sleep 1
done
kill -0 "$tickr_pid" 2>/dev/null || fail "tickr exited: $(tail -3 "$work/tickr.log")"
wait_until_moving "$tickr_display" 1000x20+10+104 || fail "tickr shows no scrolling strip"

# Ours: "Ticker Speed" 6 is two frames of three pixels every 50 ms, 120 pixels a second; started
# with "R" so that it shows its cache and asks no server.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8 DISPLAY="$ours_display"
# The plain "wine" starts the 32-bit loader whenever it is installed, even where it cannot run.
if file -b "$ticker" | grep -q 'PE32+'; then
  tree=win64
  export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  wine="$WINELOADER"
else
  tree=win32
  export WINEARCH=win32
  wine=wine
fi
template="$build/$tree/wine/template"
[ -f "$template/.ready" ] ||
  NEWSRAIL_WINE_ARCH=$tree scripts/wine-run --root "$build/$tree/wine" cmd /c exit >/dev/null 2>&1 || true
[ -f "$template/.ready" ] || fail "no $tree Wine prefix (scripts/windows-tree says which this machine runs)"
cp -a "$template" "$WINEPREFIX"
cp -a "$template" "$work/bare-prefix"
bare="${NEWSRAIL_BENCH_BARE:-$(dirname "$(dirname "$ticker")")/bench/bare_window.exe}"
[ -f "$bare" ] || fail "no bare_window.exe beside the Ticker.exe's tree (NEWSRAIL_BENCH_BARE=path)"
app="$WINEPREFIX/drive_c/bench"
mkdir -p "$app"
cp "$ticker" "$app/Ticker.exe"
cp "$work/News.Dat" "$app/News.Dat"
key='HKLM\SOFTWARE\Talmora\Ticker'
# "News Refresh" 10 minutes, as a first run sets it: without the value the ticker refreshes every
# minute, and that refresh (the Internet libraries loaded, a connection refused) fell into the
# rounds as if it were scrolling.
for value in "Ticker Speed=6" "Smooth Scrolling=0" "Dock in Taskbar=1" "Fit To Caption=0" \
             "Always On Top=0" "Ticker X=0" "Ticker Y=100" "Ticker Width=1026" "Ticker Height=30" \
             "US Headlines=1" "News Refresh=10"; do
  "$wine" reg add "$key" /v "${value%%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null 2>&1
done
"$wine" reg add "$key" /v "Publisher Server" /d "http://127.0.0.1:9" /f >/dev/null 2>&1
(cd "$app" && exec "$wine" Ticker.exe R >"$work/ticker.log" 2>&1) &
pids+=("$!")
wait_until_moving "$ours_display" 980x20+30+105 || fail "Ticker.exe shows no scrolling strip"
cp "$bare" "$work/bare_window.exe"
(cd "$work" && WINEPREFIX="$work/bare-prefix" DISPLAY="$bare_display" \
  exec "$wine" bare_window.exe tick >"$work/bare.log" 2>&1) &
pids+=("$!")
wait_until_moving "$bare_display" 980x20+30+305 || fail "the bare window shows no scrolling strip"

# Every process of a Wine prefix (Wine's helpers and wineserver included).
prefix_pids() {
  local p
  for p in $(pgrep -f 'wine|\.exe' 2>/dev/null); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$1" && echo "$p"
  done
  return 0
}
ours_pids=$(prefix_pids "$WINEPREFIX" | tr '\n' ' ')
[ -n "$ours_pids" ] || fail "no process of the Wine prefix found"
bare_pids=$(prefix_pids "$work/bare-prefix" | tr '\n' ' ')
[ -n "$bare_pids" ] || fail "no process of the bare window's Wine prefix found"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
sum_ticks() { local t=0 p; for p in "$@"; do t=$((t + $(ticks "$p"))); done; echo "$t"; }
hz=$(getconf CLK_TCK)
percent() { awk -v t="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }

echo "Scrolling 60 headlines, 1024 px wide, ~120 px/s, all at once, $rounds x $seconds s (CPU % of one core):"
printf '  %-6s %8s %8s %8s %8s %7s %8s %8s %7s\n' round tickr "X(t)" ours "X(o)" ratio bare "X(b)" "o/bare"
sleep 3
total=(0 0 0 0 0 0)
ratios=()
bare_ratios=()
for round in $(seq "$rounds"); do
  # shellcheck disable=SC2086
  before=("$(ticks "$tickr_pid")" "$(ticks "$tickr_xvfb")" "$(sum_ticks $ours_pids)" "$(ticks "$ours_xvfb")"
          "$(sum_ticks $bare_pids)" "$(ticks "$bare_xvfb")")
  sleep "$seconds"
  # shellcheck disable=SC2086
  after=("$(ticks "$tickr_pid")" "$(ticks "$tickr_xvfb")" "$(sum_ticks $ours_pids)" "$(ticks "$ours_xvfb")"
         "$(sum_ticks $bare_pids)" "$(ticks "$bare_xvfb")")
  d=()
  for i in 0 1 2 3 4 5; do
    d[i]=$((after[i] - before[i]))
    total[i]=$((total[i] + d[i]))
  done
  # A program that stopped scrolling costs next to nothing: that is a broken run, not a figure.
  [ $((d[0] + d[1])) -gt 0 ] || fail "tickr used no CPU in round $round: it did not scroll"
  [ $((d[2] + d[3])) -gt 0 ] || fail "Ticker.exe used no CPU in round $round: it did not scroll"
  [ $((d[4] + d[5])) -gt 0 ] || fail "the bare window used no CPU in round $round: it did not scroll"
  ratio=$(awk -v a=$((d[2] + d[3])) -v b=$((d[0] + d[1])) 'BEGIN { printf "%.2f", a / b }')
  ratios+=("$ratio")
  bare_ratio=$(awk -v a=$((d[2] + d[3])) -v b=$((d[4] + d[5])) 'BEGIN { printf "%.2f", a / b }')
  bare_ratios+=("$bare_ratio")
  printf '  %-6s %8s %8s %8s %8s %7s %8s %8s %7s\n' "$round" "$(percent "${d[0]}")" "$(percent "${d[1]}")" \
    "$(percent "${d[2]}")" "$(percent "${d[3]}")" "$ratio" "$(percent "${d[4]}")" "$(percent "${d[5]}")" \
    "$bare_ratio"
done
# The speeds as they really were (a busy machine slows the timers of both), measured after the
# rounds so that the grabs do not count as CPU of either.
tickr_speed=$(strip_speed "$tickr_display" 1000x8+10+110)
ours_speed=$(strip_speed "$ours_display" 940x8+22+110)
[ "${tickr_speed:-0}" -gt 0 ] || fail "tickr stopped scrolling during the run"
[ "${ours_speed:-0}" -gt 0 ] || fail "Ticker.exe stopped scrolling during the run"

seconds=$((seconds * rounds))
tickr_sum=$((total[0] + total[1]))
ours_sum=$((total[2] + total[3]))
bare_sum=$((total[4] + total[5]))
echo "Over the whole run:"
printf '  %-30s %6s %% + X server %6s %%  at %s px/s\n' "tickr (-delay=33 -shiftsize=4)" \
  "$(percent "${total[0]}")" "$(percent "${total[1]}")" "$tickr_speed"
printf '  %-30s %6s %% + X server %6s %%  at %s px/s\n' "Ticker.exe under Wine" \
  "$(percent "${total[2]}")" "$(percent "${total[3]}")" "$ours_speed"
printf '  %-30s %6s %% + X server %6s %%\n' "bare window, a blit a tick" \
  "$(percent "${total[4]}")" "$(percent "${total[5]}")"
sorted=$(printf '%s\n' "${ratios[@]}" | sort -n | tr '\n' ' ')
awk -v a="$ours_sum" -v b="$tickr_sum" -v r="$sorted" -v so="$ours_speed" -v st="$tickr_speed" \
  'BEGIN { printf "  ratio (ours / tickr, with X): %.2f   (rounds: %s)\n", a / b, r
           printf "  ratio at the same speed (CPU per px/s): %.2f\n", (a / so) / (b / st) }'
sorted=$(printf '%s\n' "${bare_ratios[@]}" | sort -n | tr '\n' ' ')
awk -v a="$ours_sum" -v b="$bare_sum" -v r="$sorted" \
  'BEGIN { printf "  ratio (ours / the bare window, with X; same 50 ms tick): %.2f   (rounds: %s)\n", a / b, r }'
