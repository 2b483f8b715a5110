#!/usr/bin/env bash
# A run by hand (scripts/wine-run --timeout 0, as ./run.sh starts the ticker on a display) lasts
# as long as the user keeps the ticker: after the program restarts itself (here through "Always
# on Top" in its menu) the new ticker must outlive the first process by more than the ten seconds
# a test run gives a prefix, and the run ends when the user chooses "Exit".
#
#   interactive_run_test.sh TICKER_EXE WINE_ROOT
set -u
ticker="$1"
root="$2"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run="$here/../../scripts/wine-run"

work=$(mktemp -d "${TMPDIR:-/tmp}/interactive-run.XXXXXX")
xvfb=""
run=""
finish() {
  if [ -n "$run" ] && kill -0 "$run" 2>/dev/null; then
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null
    kill -TERM "$run"
    wait "$run"
  fi
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display of our own, which the user's run would have.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 15 number <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$number"

# A plain floating frame, and a data server that never answers: the strip keeps its status.
cat >"$work/plain.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Talmora\Ticker]
"Dock in Taskbar"=dword:00000001
"Fit To Caption"=dword:00000000
"Always On Top"=dword:00000000
"Always On Bottom"=dword:00000000
"Ticker X"=dword:00000064
"Ticker Y"=dword:00000190
"Ticker Width"=dword:000002bc
"Ticker Height"=dword:0000001e
"Data Server"="http://127.0.0.1:9/tlx/update"
EOF
mkdir -p "$work/app"
cp "$ticker" "$work/app/Ticker.exe"
"$wine_run" --root "$root" --prefix "$work/prefix" --timeout 60 regedit /S "$work/plain.reg" ||
  fail "the settings were not written"

frames() { xdotool search --name '^MyVexlo! Newsrail$' 2>/dev/null | sort; }
wait_for() {  # seconds, then a condition
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.5; done
}
# The user's right click on the middle of the strip, then keys in the menu.
menu() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
  sleep 1.5
  xdotool key --clearmodifiers "${@:2}"
}

"$wine_run" --root "$root" --prefix "$work/prefix" --timeout 0 "$work/app/Ticker.exe" &
run=$!
shown() { [ -n "$(frames)" ]; }
wait_for 60 shown || fail "no ticker showed"
first=$(frames)
sleep 2

# "Always on Top", the first item of the floating frame's menu, restarts the program.
menu "$first" Down Return
restarted() { local now; now=$(frames); [ -n "$now" ] && [ "$now" != "$first" ]; }
wait_for 30 restarted || fail "the ticker did not restart"
second=$(frames)
sleep 15
kill -0 "$run" 2>/dev/null || fail "the run ended with the first process"
[ "$(frames)" = "$second" ] || fail "the restarted ticker is gone 15 s after the restart"

# "Exit", the menu's last item, ends the program and with it the run.
menu "$second" Up Return
ended() { ! kill -0 "$run" 2>/dev/null; }
wait_for 30 ended || fail "the run did not end after Exit"
wait "$run"
status=$?
run=""
[ "$status" -eq 0 ] || fail "the run ended with status $status"
echo "PASS"
