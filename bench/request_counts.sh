#!/usr/bin/env bash
# What Ticker.exe asks of Wine and of the X server, counted rather than timed, so that a loaded
# machine measures the same; beside it the bare window (bench/win32/bare_window.cpp), the floor.
#
# Start-up: the wineserver requests and the libraries mapped by one process from its start to its
# first strip drawn from the cache (the marks build started with "R" beside a cache of 60
# headlines, until it writes "startup-marks.txt"), and by the bare window until its title becomes
# "Painted". Wine is warm: each program runs once before the counted start. The counts come from
# the wineserver's own request trace (`wineserver -d1`).
#
# Scrolling: Ticker.exe scrolling the same cache and `bare_window.exe tick`, each alone for the
# given seconds after its start-up: wineserver requests (the same trace), system calls of the
# program's threads (`strace -c -f`) and X requests (`xtrace` between the program and its Xvfb),
# each per scroll tick (the tick timer's messages in the trace).
#
#   bench/request_counts.sh [seconds] [folder]
#
# folder holds Ticker.exe, ticker_marks.exe and bare_window.exe (default: the Windows tree that
# ./test.sh built); 64-bit programs run under wine64 in a 64-bit prefix. Needs strace and xtrace
# (scripts/deps.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build="${NEWSRAIL_BUILD:-build}"
[ "${build#/}" != "$build" ] || build="$PWD/$build"  # absolute from here on
tree="$build/$(scripts/windows-tree)"
seconds="${1:-10}"
folder_in="${2:-}"
marks="${folder_in:-$tree/bench}/ticker_marks.exe"
bare="${folder_in:-$tree/bench}/bare_window.exe"
ticker="${folder_in:-$tree/bin}/Ticker.exe"
fail() {
  echo "request_counts: $*" >&2
  [ -n "${NEWSRAIL_KEEP_TRACE:-}" ] && [ -n "${trace:-}" ] && cp "$trace" "$NEWSRAIL_KEEP_TRACE"
  exit 1
}
[ -f "$marks" ] && [ -f "$bare" ] && [ -f "$ticker" ] || fail "build the Windows tree first (./test.sh)"
for tool in strace xtrace Xvfb; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh)"
done

work=$(mktemp -d)
prefix="$work/prefix"
xvfb=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A prefix of its own, of the programs' word size, from the tests' template, with the cache and
# the settings the bench uses.
arch=win32
case "$(file -b -L "$marks")" in PE32+*) arch=win64 ;; esac
NEWSRAIL_WINE_ARCH=$arch scripts/wine-run --prefix "$prefix" --timeout 120 cmd /c exit \
  >/dev/null 2>&1 || true
[ -d "$prefix/drive_c" ] || fail "no Wine prefix"
folder="$prefix/drive_c/e2e-startup-marks"
mkdir -p "$folder"
cp "$marks" "$folder/Ticker.exe"
cp "$bare" "$folder/bare_window.exe"
mkdir -p "$prefix/drive_c/e2e-scroll"
cp "$ticker" "$prefix/drive_c/e2e-scroll/Ticker.exe"
python3 - "$folder/News.Dat" "$prefix/drive_c/e2e-scroll/News.Dat" <<'EOF'
import sys
feed = b"\x0ert\x051\x0bTop Stories:\x0d/top|\x052"
for i in range(60):
    feed += b"\x0bHeadline %d: markets, weather and the news\x0d/s|" % i
for path in sys.argv[1:]:
    open(path, "wb").write(feed)
EOF

export WINEPREFIX="$prefix" WINEARCH=$arch WINEDEBUG=-all LC_ALL=C.UTF-8 LANG=C.UTF-8
[ "$arch" = win32 ] || export WINELOADER=/usr/lib/wine/wine64
wine="${WINELOADER:-wine}"
fifo="$work/display"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 15 number <"$fifo" || fail "Xvfb did not start"
export DISPLAY=":$number"

trace="$work/trace"
wineserver -f -p -d1 2>"$trace" &
sleep 0.5
"$wine" reg add 'HKLM\SOFTWARE\Talmora\Ticker' /v "Publisher Server" /d http://127.0.0.1:9 /f \
  >/dev/null 2>&1 || fail "the settings could not be written"

# Starts one program, waits until the trace shows its marker, ends it; prints "pid first-line".
run_once() {
  local from
  from=$(($(wc -l <"$trace") + 1))
  "$wine" "$1" $2 >/dev/null 2>&1 &
  local pid=$!
  local seen=""
  for _ in $(seq 300); do
    awk -v from="$from" -v marker="$3" 'NR >= from && index($0, marker) { found = 1; exit }
      END { exit !found }' "$trace" && seen=1 && break
    sleep 0.1
  done
  [ -n "$seen" ] || fail "$1 never reached its first paint"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 0.5
  echo "$pid $from"
}

count() {
  local name="$1" exe="$2" args="$3" marker="$4"
  run_once "$exe" "$args" "$marker" >/dev/null
  local pid from
  read -r pid from < <(run_once "$exe" "$args" "$marker")
  tail -n +"$from" "$trace" | python3 "$work/count.py" "$name" "$pid" "$marker"
}

# The wineserver trace's lines of one Unix process: its threads are those that start in it and
# those it creates. Shared by both counters below.
cat >"$work/trace_threads.py" <<'EOF'
import re
request = re.compile(r"^([0-9a-f]{4,8}): ([a-z_0-9]+)\( ")
reply = re.compile(r"^([0-9a-f]{4,8}): ([a-z_0-9]+)\(\) = \w+ \{ .*\btid=([0-9a-f]+)")

def follow(line, unix_pid, threads):
    """The line's request match (or None), after noting the process's new threads."""
    m = request.match(line)
    if m and m.group(2) == "init_first_thread" and "unix_pid=%s," % unix_pid in line:
        threads.add(m.group(1))
    r = reply.match(line)
    if r and r.group(1) in threads and r.group(2) == "new_thread":
        threads.add(r.group(3))
    return m
EOF

# Counts one process's requests in a trace read from its start, up to the line with the marker.
cat >"$work/count.py" <<'EOF'
import collections, re, sys
from trace_threads import follow
name, unix_pid, marker = sys.argv[1], sys.argv[2], sys.argv[3]
registry = {"open_key", "create_key", "get_key_value", "enum_key", "enum_key_value",
            "set_key_value", "delete_key", "delete_key_value", "load_registry", "flush_key",
            "set_registry_notification"}
threads, counts, libraries, last_file = set(), collections.Counter(), [], {}
done = False
for line in sys.stdin:  # read to the end, so that the writer of the pipe ends well
    if done:
        continue
    m = follow(line, unix_pid, threads)
    if not m or m.group(1) not in threads:
        continue
    counts[m.group(2)] += 1
    if m.group(2) == "create_file":
        f = re.search(r'name=L"([^"]*)"', line)
        last_file[m.group(1)] = f.group(1) if f else "?"
    elif m.group(2) == "create_mapping" and re.search(r"flags=0*1[0-9a-f]{6},", line):
        library = last_file.get(m.group(1), "?").split("\\")[-1].lower()
        if library not in libraries:  # Wine maps each library twice
            libraries.append(library)
    done = marker in line
total = sum(counts.values())
print("%s: %d wineserver requests, %d of them registry requests, %d libraries mapped" %
      (name, total, sum(n for k, n in counts.items() if k in registry), len(libraries)))
print("  most frequent: " + ", ".join("%s %d" % kv for kv in counts.most_common(10)))
print("  libraries: " + " ".join(libraries))
EOF

[ -n "${NEWSRAIL_ONLY_BARE:-}" ] || count "Ticker.exe R, to its first strip from the cache" 'C:\e2e-startup-marks\Ticker.exe' R \
  'startup-marks.txt'
count "bare window, to its first paint" 'C:\e2e-startup-marks\bare_window.exe' "" 'L"Painted"'

# The tick timer's message is WM_TIMER (0113) with the timer's id: 2 in Ticker.exe, 1 in the bare
# window.
cat >"$work/tick.py" <<'EOF'
import collections, re, sys
from trace_threads import follow
name, unix_pid, begin, timer_id, strace_file, x_file = sys.argv[1:7]
begin = int(begin)
tick = "msg=00000113, wparam=%08x," % int(timer_id)
threads, counts, ticks = set(), collections.Counter(), 0
for number, line in enumerate(sys.stdin, 1):
    m = follow(line, unix_pid, threads)
    if number < begin or not line[:8].split(":")[0] in threads:
        continue
    if m:
        counts[m.group(2)] += 1
    elif "get_message() = 0 {" in line and tick in line:
        ticks += 1
calls = 0
for line in open(strace_file):
    fields = line.split()
    if fields and fields[-1] == "total":
        calls = int(fields[3])
x = collections.Counter(re.findall(r":<:[0-9a-f]+: *\d+: (?:[\w-]+-)?Request\([\d,]+\): (\w+)",
                                   open(x_file, errors="replace").read()))
ticks = max(ticks, 1)
print("%s: %d scroll ticks; per tick %.2f wineserver requests, %.1f system calls, %.2f X requests" %
      (name, ticks, sum(counts.values()) / ticks, calls / ticks, sum(x.values()) / ticks))
print("  requests per tick: " + ", ".join("%s %.2f" % (k, n / ticks) for k, n in counts.most_common(8)))
print("  X requests per tick: " + ", ".join("%s %.2f" % (k, n / ticks) for k, n in x.most_common(8)))
EOF

# Runs one program through xtrace for the given seconds after a start-up of five, counting.
scroll() {
  local name="$1" exe="$2" args="$3" timer_id="$4"
  local fake=$((number + 50)) start
  xtrace -n -k -d ":$number" -D ":$fake" -o "$work/xtrace" >/dev/null 2>&1 &
  local xtracer=$!
  sleep 0.5
  start=$(($(wc -l <"$trace") + 1))
  DISPLAY=":$fake" "$wine" "$exe" $args >/dev/null 2>&1 &
  local pid=$!
  sleep 5
  local begin xbegin
  begin=$(($(wc -l <"$trace") + 1))
  xbegin=$(($(wc -l <"$work/xtrace") + 1))
  local tasks=()
  for task in /proc/"$pid"/task/*; do tasks+=(-p "${task##*/}"); done
  strace -c -f -o "$work/strace" "${tasks[@]}" 2>/dev/null &
  local tracer=$!
  sleep "$seconds"
  kill -INT "$tracer"
  wait "$tracer" 2>/dev/null || true
  local end xend
  end=$(wc -l <"$trace")
  xend=$(wc -l <"$work/xtrace")
  sed -n "${xbegin},${xend}p" "$work/xtrace" >"$work/xwindow"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$xtracer" 2>/dev/null || true
  [ -n "${NEWSRAIL_KEEP_TRACE:-}" ] && cp "$trace" "$work/xwindow" "$work/strace" "$NEWSRAIL_KEEP_TRACE/"
  wait "$xtracer" 2>/dev/null || true
  sed -n "${start},${end}p" "$trace" |
    python3 "$work/tick.py" "$name" "$pid" $((begin - start + 1)) "$timer_id" "$work/strace" \
      "$work/xwindow"
}

[ -n "${NEWSRAIL_ONLY_BARE:-}" ] || scroll "Ticker.exe, scrolling" 'C:\e2e-scroll\Ticker.exe' "" 2
scroll "bare window, a blit each tick" 'C:\e2e-startup-marks\bare_window.exe' tick 1
