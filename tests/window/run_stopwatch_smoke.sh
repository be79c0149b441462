#!/usr/bin/env bash
# Smoke test of the real stopwatch: starts tembrika on the shipped data in an
# Xvfb display with SDL's dummy audio driver, types F1 and Esc with xdotool
# and expects the program to end by itself with exit code 0; then starts it
# again and closes its window (Alt+F4), which must end it with 0 as well.
# Exit 77 (skipped) only when Xvfb is absent.
#   run_stopwatch_smoke.sh TEMBRIKA DRIVE_C WORK_FOLDER
set -u
program=$(readlink -f "$1")
drive_c=$(readlink -f "$2")
work=$3

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "Xvfb is not installed: the stopwatch smoke test is skipped"
  exit 77
fi
command -v xdotool >/dev/null 2>&1 || { echo "FAIL: xdotool is missing"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
xvfb_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/program.log" ] && cat "$work/program.log"
  exit 1
}

display=
for n in $(seq 121 150); do
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
[ -n "$display" ] || fail "no X display could be started on :121..:150"
export DISPLAY=$display
export TALIRA_DRIVE_C=$drive_c
export SDL_AUDIODRIVER=dummy

# run KEYS...: starts the program in WORK, types the keys into its window
# and waits for it to end; the exit code is in $status.
run() {
  (cd "$work" && exec "$program") >"$work/program.log" 2>&1 &
  program_pid=$!
  # The window that stays visible and takes the focus (a window seen while
  # the program starts may be gone by then).
  focused=
  for _ in $(seq 1 200); do
    kill -0 "$program_pid" 2>/dev/null || fail "tembrika ended before showing its window"
    window=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | tail -n 1)
    if [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null; then
      focused=yes
      break
    fi
    sleep 0.1
  done
  [ -n "$focused" ] || fail "no window of tembrika could be focused within 20 s"
  # The greeting plays first; keys typed meanwhile cut it.
  sleep 0.5
  xdotool key --clearmodifiers --delay 300 "$@" || fail "xdotool could not type $*"
  for _ in $(seq 1 300); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$program_pid" 2>/dev/null && fail "tembrika did not end within 30 s of the keys $*"
  wait "$program_pid"
  status=$?
  program_pid=
}

run F1 Escape
[ "$status" -eq 0 ] || fail "F1 Esc: exit code $status, expected 0"
[ -e "$work/eventos.tpo" ] && fail "Esc without stored events created an events file"

run alt+F4
[ "$status" -eq 0 ] || fail "closing the window: exit code $status, expected 0"
echo "tembrika ended with 0 after F1 Esc and after its window was closed"
exit 0
