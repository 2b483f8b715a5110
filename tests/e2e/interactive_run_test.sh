#!/usr/bin/env bash
# A run by hand (scripts/wine-run --timeout 0, as ./run.sh starts the ticker on a display) lasts
# as long as the user keeps the ticker: after the program restarts itself ("Always on Top" in its
# menu) the new ticker outlives the first process by more than the ten seconds a test run gives a
# prefix, and "Exit" ends the run.
#
#   interactive_run_test.sh TICKER_EXE WINE_ROOT
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/interactive-run.XXXXXX")
run() { "$(dirname "$0")/../../scripts/wine-run" --root "$2" --prefix "$work/prefix" "${@:3}"; }
xvfb="" pid=""
finish() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    WINEPREFIX="$work/prefix" wineserver -k; kill "$pid"; wait "$pid"
  fi
  [ -n "$xvfb" ] && kill "$xvfb"
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 15 number <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$number"

# A plain floating frame; a data server that never answers.
printf '%s\n' REGEDIT4 '' '[HKEY_LOCAL_MACHINE\SOFTWARE\Talmora\Ticker]' \
  '"Dock in Taskbar"=dword:1' '"Fit To Caption"=dword:0' '"Always On Top"=dword:0' \
  '"Ticker X"=dword:64' '"Ticker Y"=dword:190' '"Ticker Width"=dword:2bc' \
  '"Data Server"="http://127.0.0.1:9/tlx/update"' >"$work/plain.reg"
mkdir "$work/app" && cp "$1" "$work/app/Ticker.exe"
run "$@" --timeout 60 regedit /S "$work/plain.reg" || fail "the settings were not written"
run "$@" --timeout 0 "$work/app/Ticker.exe" &
pid=$!

frame() { xdotool search --name '^MyVexlo! Newsrail$' 2>/dev/null; }
owner() { xdotool getwindowpid "$(frame)" 2>/dev/null; }  # window ids come back, processes do not
wait_until() {  # seconds, a condition
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.5; done
}
choose() {  # seconds, a condition, keys: the user's right click on the strip, keys in its menu
  local try
  for try in 1 2 3; do  # a menu that opens late under load misses the keys: again
    eval "$(xdotool getwindowgeometry --shell "$(frame | head -1)")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    sleep 1.5
    xdotool key --clearmodifiers "${@:3}"
    wait_until "$1" "$2" && return 0
  done
  return 1
}
# One frame, and the process that owns it in $current. A frame being made or replaced answers
# for a moment with no process, or two frames show: each check asks again until it holds.
shown() { [ "$(frame | wc -l)" = 1 ] && current=$(owner) && [ -n "$current" ]; }
restarted() { shown && [ "$current" != "$first" ]; }
kept() { shown && [ "$current" = "$second" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
seen() {  # what shows instead, for a failure's message
  local w
  for w in $(frame); do printf 'frame %s of process %s; ' "$w" "$(xdotool getwindowpid "$w" 2>&1)"; done
  pgrep -af '\.exe' | tr '\n' ';'
}

wait_until 60 shown || fail "no ticker showed"
first=$current
sleep 2
# "Always on Top", the first item of a floating frame's menu, restarts the program.
choose 10 restarted Down Return || fail "the ticker did not restart"
second=$current
sleep 15
ended && fail "the run ended with the first process"
wait_until 5 kept || fail "the restarted ticker (process $second) is gone 15 s after the restart: $(seen)"

choose 10 ended Up Return || fail "the run did not end after Exit"  # the last item
wait "$pid" || fail "the run ended with status $?"
pid=""
echo PASS
