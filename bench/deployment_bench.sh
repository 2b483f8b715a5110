#!/usr/bin/env bash
# The deployment of "Running it for many users" (two instances and nginx from the template, on
# loopback ports) under the loads that once took it down, and what each costs now:
#   - wrk with 300 connections through nginx (answers that were not 2xx, nginx's error log);
#   - a guesser at one account through nginx, with --instances 1 and 2 (guesses let through
#     before the first refusal, and in the two minutes after it);
#   - 500 slow readers of a 2.1 MB update file at one instance (its memory; a new client's wait);
#   - slow request heads from 20 addresses, 8 000 connections (new clients' answers).
#
#   bench/deployment_bench.sh [seconds]          (after the native tree is built)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-10}"
server="$PWD/${NEWSRAIL_BUILD:-build}/native/server/newsrail_server"
[ -x "$server" ] || { echo "build the native tree first (./test.sh)" >&2; exit 1; }
for tool in wrk curl python3; do command -v $tool >/dev/null || { echo "$tool is missing" >&2; exit 1; }; done
ulimit -n "$(ulimit -Hn)"

work=$(mktemp -d)
chmod 755 "$work"  # nginx's workers may run as another user
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/nginx.pid" ] && kill -QUIT "$(cat "$work/nginx.pid")" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
head -c 32 /dev/urandom | base64 >"$work/secret"
mkdir -p "$work/ion" && head -c 2200000 /dev/urandom >"$work/ion/ticker.ex_"

# Two instances (with --instances N) and nginx in front, as the README's recipe starts them.
start_deployment() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -f "$work/nginx.pid" ] && kill -QUIT "$(cat "$work/nginx.pid")" 2>/dev/null && sleep 0.5
  pids=()
  rm -f "$work"/port.*
  for n in 1 2; do
    "$server" --port 0 --port-file "$work/port.$n" --content server/sample --log "$work/$n.log" \
      --session-secret "$work/secret" --trusted-proxy 127.0.0.1 --instances "$1" \
      --ion "$work/ion" >/dev/null 2>&1 &
    pids+=("$!")
  done
  for _ in $(seq 100); do [ -s "$work/port.1" ] && [ -s "$work/port.2" ] && break; sleep 0.1; done
  proxy=$(free_port)
  sed -e "s|@PREFIX@|$work|" -e "s|@LISTEN@|127.0.0.1:$proxy|" \
      -e "s|@SERVER1@|127.0.0.1:$(cat "$work/port.1")|" -e "s|@SERVER2@|127.0.0.1:$(cat "$work/port.2")|" \
      server/deploy/nginx.conf >"$work/nginx.conf"
  (umask 027 && /usr/sbin/nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log")
  for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$proxy/" && break; sleep 0.1; done
}

echo "load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
start_deployment 2
wrk -t2 -c300 -d"${seconds}s" "http://127.0.0.1:$proxy/quotes/q?s=INTC" >"$work/wrk.out"
printf 'wrk -c300 through nginx: %s requests, %s not 2xx, socket errors: %s; error.log %s bytes\n' \
  "$(awk '/requests in/ {print $1}' "$work/wrk.out")" \
  "$(awk -F': ' '/Non-2xx/ {print $2}' "$work/wrk.out" | grep . || echo 0)" \
  "$(sed -n 's/.*Socket errors: //p' "$work/wrk.out" | grep . || echo none)" \
  "$(stat -c %s "$work/error.log")"

for instances in 1 2; do
  start_deployment "$instances"
  first="" let=0
  end=$((SECONDS + 120))
  while [ $SECONDS -lt $end ]; do
    answer=$(curl -s "http://127.0.0.1:$proxy/config/tlxlogin?login=alice&passwd=guess$RANDOM")
    case "$answer" in
      *"wrong password"*) let=$((let + 1)) ;;
      *"too many"*) [ -n "$first" ] || first=$let ;;
    esac
    [ -n "$first" ] || continue
    sleep 1
  done
  echo "guesses at one account through nginx, --instances $instances: $first before the first refusal, $let in two minutes"
done

port=$(cat "$work/port.1")
pid=${pids[0]}
rss() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }
before=$(rss)
python3 - "$port" <<'EOF' &
import socket, sys, time
port = int(sys.argv[1]); held = []
for i in range(500):
    s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.bind(("127.0.7.%d" % (1 + i % 20), 0)); s.connect(("127.0.0.1", port))
    s.sendall(b"GET /ion/ticker.ex_ HTTP/1.1\r\nHost: a\r\n\r\n"); held.append(s)
for _ in range(20):
    for s in held: s.recv(256)
    time.sleep(0.5)
EOF
slow=$!
sleep 3
during=$(rss)
fresh=$(curl -s -o /dev/null -w '%{time_total}' "http://127.0.0.1:$port/tlx/update?news=3,rt")
echo "500 slow readers of a 2.1 MB file: server memory ${before} kB before, ${during} kB during; a new client waited ${fresh} s"
wait "$slow" || true

python3 - "$port" <<'EOF'
import socket, sys, time, urllib.request
port = int(sys.argv[1]); held = []
for i in range(8000):
    try:
        s = socket.socket(); s.bind(("127.0.8.%d" % (1 + i % 20), 0)); s.settimeout(1)
        s.connect(("127.0.0.1", port)); s.sendall(b"GET / HTTP/1.1\r\nHost: a\r\nX-a: "); held.append(s)
    except OSError:
        pass
answered = 0
start = time.time()
for _ in range(20):
    try:
        if urllib.request.urlopen("http://127.0.0.1:%d/tlx/update?news=3,rt" % port, timeout=5).status == 200:
            answered += 1
    except OSError:
        pass
alive = 0
for s in held:
    try:
        s.setblocking(False); alive += s.recv(1) != b""
    except BlockingIOError:
        alive += 1
    except OSError:
        pass
print("slow heads, %d connections from 20 addresses: %d of 20 new clients answered (%.2f s in all); "
      "%d slow connections still open" % (len(held), answered, time.time() - start, alive))
EOF
