#!/usr/bin/env bash
# The data request answered by newsrail_server and by nginx serving the same feed bytes as a
# static file: same machine, same client (wrk), same request, same connection mode. Prints both
# servers' requests/s and their ratio (the goal: ours at least nginx's), the processor time each
# server spent per request (user and system, from /proc: a figure that a machine loaded by other
# work disturbs less than requests/s), and how long a new client waits for its answer while the
# load runs.
#
#   bench/server_vs_nginx.sh [seconds] [connections]     (after the native tree is built)
#
# nginx runs as an instance of its own (its own conf, pid, logs and temp files in a temp folder)
# on a free loopback port; both servers write their request log.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-10}"
connections="${2:-200}"
build="${NEWSRAIL_BUILD:-build}"
[ "${build#/}" != "$build" ] || build="$PWD/$build"  # absolute from here on
server="$build/native/server/newsrail_server"
[ -x "$server" ] || { echo "build the native tree first (./test.sh)" >&2; exit 1; }
command -v wrk >/dev/null || { echo "wrk is missing: apt-get install wrk" >&2; exit 1; }
[ -x /usr/sbin/nginx ] || { echo "nginx is missing: apt-get install nginx-light" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is missing" >&2; exit 1; }

request='/tlx/update?stocks=^DJI,^SPC,^IXIC,INTC,MSFT,VXLO&weather=f,JFK,SFO,LAX&news=10,rt,rb,rc,&134501'
work=$(mktemp -d)
chmod 755 "$work"  # nginx's workers may run as another user
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Ours, with its defaults except the per-address cap: every wrk connection comes from 127.0.0.1.
"$server" --port 0 --port-file "$work/port" --content server/sample --log "$work/server.log" \
  --max-connections-per-address $((connections + 50)) >/dev/null &
pids+=("$!")
ours_pids="$!"
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
ours="http://127.0.0.1:$(cat "$work/port")"

# nginx serves the bytes our server answers, at the same path (the query is ignored).
mkdir -p "$work/www" "$work/nginx/logs"
curl -sf -o "$work/www/feed.txt" "$ours$request"
nginx_port=$(free_port)
cat >"$work/nginx/nginx.conf" <<EOF
worker_processes auto;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 4096; }
http {
  access_log $work/nginx/logs/access.log;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  sendfile on;
  keepalive_requests 100;
  server {
    listen 127.0.0.1:$nginx_port;
    location = /tlx/update {
      default_type "text/plain; charset=windows-1252";
      add_header Cache-Control no-cache;
      alias $work/www/feed.txt;
    }
  }
}
EOF
/usr/sbin/nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/logs/error.log" \
  -g 'daemon off;' &
pids+=("$!")
theirs="http://127.0.0.1:$nginx_port"
for _ in $(seq 100); do curl -sf -o /dev/null "$theirs$request" && break; sleep 0.1; done
theirs_pids="${pids[-1]} $(pgrep -P "${pids[-1]}" | tr '\n' ' ')"
cmp -s "$work/www/feed.txt" <(curl -sf "$theirs$request") || { echo "nginx does not serve the feed" >&2; exit 1; }

# Processor time (clock ticks, user and system) the processes named so far have spent.
ticks() {
  local total=0 pid
  for pid in "$@"; do
    total=$((total + $(awk '{print $14 + $15}' "/proc/$pid/stat")))
  done
  echo "$total"
}

# One wrk run: server processes ("PID ..."), then wrk's arguments. Prints its requests/s and the
# servers' processor time per request in microseconds.
rate() {
  local servers="$1" before out
  shift
  before=$(ticks $servers)
  out=$(wrk -t 2 -c "$connections" -d "${seconds}s" "$@")
  awk -v ticks=$(($(ticks $servers) - before)) -v hz="$(getconf CLK_TCK)" '
    /requests in/ {requests = $1}
    /^Requests\/sec:/ {rate = $2}
    END {printf "%.0f %.1f\n", rate, (requests > 0 ? ticks / hz / requests * 1e6 : 0)}' <<<"$out"
}

# Median and worst latency (ms) of 20 new clients, each a connection of its own, while a
# kept-alive wrk load runs against the same server.
fresh() {
  local url="$1"
  wrk -t 2 -c "$connections" -d "$((seconds + 5))s" "$url$request" >/dev/null &
  local load=$!
  sleep 2
  for _ in $(seq 20); do
    curl -s -o /dev/null -H 'Connection: close' -w '%{time_total}\n' "$url$request"
    sleep 0.25
  done | sort -n | awk '{t[NR] = $1 * 1000} END {printf "median %.1f ms, worst %.1f ms", t[int((NR + 1) / 2)], t[NR]}'
  kill "$load" 2>/dev/null || true
  wait "$load" 2>/dev/null || true
}

echo "load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) processors"
echo "GET $request ($(stat -c %s "$work/www/feed.txt") bytes), $connections connections, ${seconds} s a run"
for mode in keep-alive close; do
  extra=()
  [ "$mode" = close ] && extra=(-H 'Connection: close')
  read -r a a_cpu < <(rate "$ours_pids" "${extra[@]}" "$ours$request")
  read -r b b_cpu < <(rate "$theirs_pids" "${extra[@]}" "$theirs$request")
  ratio=$(awk -v a="$a" -v b="$b" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')
  printf '%-12s newsrail_server %8s requests/s   nginx %8s requests/s   ratio %s   (%s vs %s us of processor a request)\n' \
    "$mode" "$a" "$b" "$ratio" "$a_cpu" "$b_cpu"
done
echo "a new client under kept-alive load: newsrail_server $(fresh "$ours"); nginx $(fresh "$theirs")"
