#!/usr/bin/env bash
# The real program in a real X window, on the shipped data: F7 starts an
# event, F7 ends it (the elapsed time is spoken), F2 saves and ends. The
# program must end with code 0 and leave the events file with the closed
# event stamped today. Exit 77 (skipped) only when Xvfb is absent.
#   run_program_smoke.sh TEMBRIKA DRIVE_C WORK_FOLDER
set -u
program=$(readlink -f "$1")
drive_c=$(readlink -f "$2")
work=$3
source "$(dirname "$0")/xvfb_session.sh"
require_tools
rm -rf "$work"
mkdir -p "$work"
start_xvfb

export TALIRA_DRIVE_C="$drive_c"
export SDL_AUDIODRIVER=dummy
(cd "$work" && exec "$program" smoke.tpo) >"$work/app.log" 2>&1 &
app_pid=$!
focus_window
sleep 1
xdotool key F7 || fail "xdotool could not type"
sleep 1
xdotool key F7
sleep 2
dump timed
xdotool key F2
await_exit 60
[ "$app_status" -eq 0 ] || fail "the program ended with code $app_status, not 0"

events="$work/smoke.tpo"
[ -f "$events" ] || fail "no events file was written"
lines=$(wc -l <"$events")
[ "$lines" -eq 53 ] || fail "the events file has $lines lines, not 53"
read -r open stored year _ <"$events"
[ "$open" = 0 ] && [ "$stored" = 0 ] || fail "the event is not closed in the events file: $(head -n 1 "$events")"
[ "$year" = $(( $(date +%Y) - 1900 )) ] || fail "the start stamp is not of this year: $(head -n 1 "$events")"
echo "PASS"
