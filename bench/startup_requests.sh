#!/usr/bin/env bash
# What start-up asks of Wine, counted rather than timed, so that a loaded machine measures the same:
# the wineserver requests and the libraries mapped by one process from its start to its first
# strip drawn from the cache (the marks build of Ticker.exe started with "R" beside a cache of 60
# headlines, until it writes "startup-marks.txt"), and the same for the bare window until its title
# becomes "Painted". Wine is warm: each program runs once before the counted start, and the
# counts come from the wineserver's own request trace (`wineserver -d1`).
#
#   bench/startup_requests.sh [ticker_marks.exe] [bare_window.exe]
#
# Needs the Windows tree (./test.sh). Prints per program the requests, the registry requests among
# them, the libraries mapped and the ten most frequent requests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build="${NEWSRAIL_BUILD:-build}"
benchdir="$PWD/$build/$(scripts/windows-tree)/bench"
marks="${1:-$benchdir/ticker_marks.exe}"
bare="${2:-$benchdir/bare_window.exe}"
fail() {
  echo "startup_requests: $*" >&2
  [ -n "${NEWSRAIL_KEEP_TRACE:-}" ] && [ -n "${trace:-}" ] && cp "$trace" "$NEWSRAIL_KEEP_TRACE"
  exit 1
}
[ -f "$marks" ] && [ -f "$bare" ] || fail "build the Windows tree first (./test.sh)"

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

# A prefix of its own, from the tests' template, with the cache and the settings the bench uses.
scripts/wine-run --prefix "$prefix" --timeout 120 cmd /c exit >/dev/null 2>&1 || true
[ -d "$prefix/drive_c" ] || fail "no Wine prefix"
folder="$prefix/drive_c/e2e-startup-marks"
mkdir -p "$folder"
cp "$marks" "$folder/Ticker.exe"
cp "$bare" "$folder/bare_window.exe"
python3 - "$folder/News.Dat" <<'EOF'
import sys
feed = b"\x0ert\x051\x0bTop Stories:\x0d/top|\x052"
for i in range(60):
    feed += b"\x0bHeadline %d: markets, weather and the news\x0d/s|" % i
open(sys.argv[1], "wb").write(feed)
EOF

export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all LC_ALL=C.UTF-8 LANG=C.UTF-8
case "$(file -b -L "$marks")" in PE32+*) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;; esac
wine="${WINELOADER:-wine}"
fifo="$work/display"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r -t 15 number <"$fifo" || fail "Xvfb did not start"
export DISPLAY=":$number"

trace="$work/trace"
wineserver -f -d1 2>"$trace" &
sleep 0.5
"$wine" reg add 'HKLM\SOFTWARE\Talmora\Ticker' /v "Publisher Server" /d http://127.0.0.1:9 /f \
  >/dev/null 2>&1

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

# Counts one process's requests in a trace read from its start, up to the line with the marker.
cat >"$work/count.py" <<'EOF'
import collections, re, sys
name, unix_pid, marker = sys.argv[1], sys.argv[2], sys.argv[3]
request = re.compile(r"^([0-9a-f]{4,8}): ([a-z_0-9]+)\( ")
reply = re.compile(r"^([0-9a-f]{4,8}): ([a-z_0-9]+)\(\) = \w+ \{ .*\btid=([0-9a-f]+)")
registry = {"open_key", "create_key", "get_key_value", "enum_key", "enum_key_value",
            "set_key_value", "delete_key", "delete_key_value", "load_registry", "flush_key",
            "set_registry_notification"}
threads, counts, libraries, last_file = set(), collections.Counter(), [], {}
done = False
for line in sys.stdin:  # read to the end, so that the writer of the pipe ends well
    if done:
        continue
    m = request.match(line)
    if m and m.group(2) == "init_first_thread" and "unix_pid=%s," % unix_pid in line:
        threads.add(m.group(1))
    r = reply.match(line)
    if r and r.group(1) in threads and r.group(2) == "new_thread":
        threads.add(r.group(3))
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

count "Ticker.exe R, to its first strip from the cache" 'C:\e2e-startup-marks\Ticker.exe' R \
  'startup-marks.txt'
count "bare window, to its first paint" 'C:\e2e-startup-marks\bare_window.exe' "" 'L"Painted"'
