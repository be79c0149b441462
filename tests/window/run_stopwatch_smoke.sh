#!/usr/bin/env bash
# Smoke test of the real stopwatch on the shipped data, in an Xvfb display with
# SDL's dummy audio driver, keys typed with xdotool; each run must end the
# program with exit code 0:
#   F1, Esc: it ends by itself, and writes no events file;
#   Alt+F4: closing its window ends it;
#   F7, F7, F2 with an events file named on the command line: the event is
#   timed and saved, closed and stamped this year, in 53 lines.
# Exit 77 (skipped) only when Xvfb is absent.
#   run_stopwatch_smoke.sh TEMBRIKA DRIVE_C WORK_FOLDER
set -u
program=$(readlink -f "$1")
drive_c=$(readlink -f "$2")
work=$3
source "$(dirname "$0")/xvfb_session.sh"
begin_session
export TALIRA_DRIVE_C=$drive_c
export SDL_AUDIODRIVER=dummy

# run "ARGUMENTS" KEYS...: starts the program in WORK with the arguments, types
# the keys into its window and waits for it to end; the exit code is in
# $app_status.
run() {
  local arguments=$1
  shift
  # shellcheck disable=SC2086 # the arguments are words
  (cd "$work" && exec "$program" $arguments) >"$work/app.log" 2>&1 &
  app_pid=$!
  focus_window
  # The greeting plays first; keys typed meanwhile cut it.
  sleep 0.5
  xdotool key --clearmodifiers --delay 300 "$@" || fail "xdotool could not type $*"
  await_exit 60
}

run "" F1 Escape
[ "$app_status" -eq 0 ] || fail "F1 Esc: exit code $app_status, expected 0"
[ -e "$work/eventos.tpo" ] && fail "Esc without stored events created an events file"

run "" alt+F4
[ "$app_status" -eq 0 ] || fail "closing the window: exit code $app_status, expected 0"

run smoke.tpo F7 F7 F2
[ "$app_status" -eq 0 ] || fail "F7 F7 F2: exit code $app_status, expected 0"
events="$work/smoke.tpo"
[ -f "$events" ] || fail "no events file was written"
lines=$(wc -l <"$events")
[ "$lines" -eq 53 ] || fail "the events file has $lines lines, not 53"
read -r open stored year _ <"$events"
[ "$open" = 0 ] && [ "$stored" = 0 ] || fail "the event is not closed in the events file: $(head -n 1 "$events")"
[ "$year" = $(( $(date +%Y) - 1900 )) ] || fail "the start stamp is not of this year: $(head -n 1 "$events")"
echo "tembrika ended with 0 after F1 Esc, after its window was closed, and after F7 F7 F2"
exit 0
