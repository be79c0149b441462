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
source "$(dirname "$0")/xvfb_session.sh"
require_tools
rm -rf "$work"
mkdir -p "$work"
start_xvfb
export TALIRA_DRIVE_C=$drive_c
export SDL_AUDIODRIVER=dummy

# run KEYS...: starts the program in WORK, types the keys into its window
# and waits for it to end; the exit code is in $app_status.
run() {
  (cd "$work" && exec "$program") >"$work/app.log" 2>&1 &
  app_pid=$!
  focus_window
  # The greeting plays first; keys typed meanwhile cut it.
  sleep 0.5
  xdotool key --clearmodifiers --delay 300 "$@" || fail "xdotool could not type $*"
  await_exit 30
}

run F1 Escape
[ "$app_status" -eq 0 ] || fail "F1 Esc: exit code $app_status, expected 0"
[ -e "$work/eventos.tpo" ] && fail "Esc without stored events created an events file"

run alt+F4
[ "$app_status" -eq 0 ] || fail "closing the window: exit code $app_status, expected 0"
echo "tembrika ended with 0 after F1 Esc and after its window was closed"
exit 0
