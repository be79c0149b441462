#!/usr/bin/env bash
# Runs window_probe in a real X window: starts Xvfb on a free display, waits
# for the probe's window, dumps its image with xwd, types keys and uses the
# mouse with xdotool, and lets the probe check what arrived and what showed
# (see window_probe.cpp for the turns). Exit 77 (skipped) only when Xvfb is absent.
#   run_window_test.sh PROBE WORK_FOLDER
set -u
probe=$1
work=$2

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "Xvfb is not installed: the real-window test is skipped"
  exit 77
fi
for tool in xdotool xwd; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "FAIL: $tool is missing (tools/install-deps.sh test installs it)"
    exit 1
  fi
done

rm -rf "$work"
mkdir -p "$work/drive_c/windows"
xvfb_pid=
probe_pid=
cleanup() {
  [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/probe.log" ] && cat "$work/probe.log"
  exit 1
}

# A free display: no socket, no lock, and a server that stays up.
display=
for n in $(seq 97 120); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 50); do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then break; fi
    if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then display=":$n"; break; fi
    sleep 0.1
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
done
[ -n "$display" ] || fail "no X display could be started on :97..:120 ($(cat "$work/xvfb.log" 2>/dev/null))"
export DISPLAY=$display
echo "X display $DISPLAY"

# The probe on a drive C whose settings file asks only for scrolling by
# moving pixels (every other display setting at its default), with SDL's
# dummy audio driver.
printf '[VIDEO]\r\nLENTO=S\r\n' >"$work/drive_c/windows/TALIRA.INI"
export TALIRA_DRIVE_C="$work/drive_c"
export SDL_AUDIODRIVER=dummy
"$probe" "$work" >"$work/probe.log" 2>&1 &
probe_pid=$!

await() {  # await WORD: the probe's status says WORD
  for _ in $(seq 1 200); do
    grep -q "$1" "$work/status" 2>/dev/null && return 0
    kill -0 "$probe_pid" 2>/dev/null || fail "the probe ended before saying $1"
    sleep 0.1
  done
  fail "the probe did not say $1 within 20 s"
}

dump() {  # dump NAME: the window's image to WORK/NAME.xwd
  sleep 0.5
  xwd -silent -id "$window" -out "$work/$1.xwd" || fail "xwd could not dump the window ($1)"
}

await ready
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --pid "$probe_pid" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no visible window of the probe (pid $probe_pid) within 10 s"
# Near the top of the screen the window's bottom edge is more than 32 pixels
# above the screen's, so the console scrolls by moving pixels (LENTO). Not
# to 0,0: with no window manager SDL takes a move to 0,0 for no move at all.
xdotool windowmove --sync "$window" 0 8 || fail "cannot move the probe's window"
xdotool windowfocus --sync "$window" || fail "cannot focus the probe's window"
dump initial
xdotool key --clearmodifiers --delay 80 F1 ctrl+F1 a shift+Insert Return || fail "xdotool could not type"
await scrolled
dump scrolled
xdotool mousemove --window "$window" 0 0 mousedown 3 || fail "xdotool could not press the right button"
dump magnified
xdotool mouseup 3 || fail "xdotool could not let the right button go"
dump restored
xdotool key --clearmodifiers alt+F4 || fail "xdotool could not press Alt+F4"

for _ in $(seq 1 300); do
  kill -0 "$probe_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$probe_pid" 2>/dev/null; then
  fail "the probe did not end within 30 s of Alt+F4"
fi
wait "$probe_pid"
status=$?
probe_pid=
cat "$work/probe.log"
exit "$status"
