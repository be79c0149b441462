#!/usr/bin/env bash
# Runs window_probe in a real X window: starts Xvfb on a free display, waits
# for the probe's window, dumps its image with xwd, types keys and uses the
# mouse with xdotool, and lets the probe check what arrived and what showed
# (see window_probe.cpp for the turns). Exit 77 (skipped) only when Xvfb is absent.
#   run_window_test.sh PROBE WORK_FOLDER
set -u
probe=$(readlink -f "$1")
work=$2
source "$(dirname "$0")/xvfb_session.sh"
begin_session
mkdir -p "$work/drive_c/windows"

# The probe on a drive C whose settings file asks only for scrolling by
# moving pixels (every other display setting at its default), with SDL's
# dummy audio driver.
printf '[VIDEO]\r\nLENTO=S\r\n' >"$work/drive_c/windows/TALIRA.INI"
export TALIRA_DRIVE_C="$work/drive_c"
# What the probe opens: it writes down its arguments and its folder.
printf '#!/bin/sh\nprintf "%%s\\n" "$#" "$1" "$PWD" >"%s/opened"\n' "$work" >"$work/opener.sh"
chmod +x "$work/opener.sh"
export SDL_AUDIODRIVER=dummy
"$probe" "$work" >"$work/app.log" 2>&1 &
app_pid=$!

await() {  # await WORD: the probe's status says WORD
  for _ in $(seq 1 200); do
    grep -q "$1" "$work/status" 2>/dev/null && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "the probe ended before saying $1"
    sleep 0.1
  done
  fail "the probe did not say $1 within 20 s"
}

await ready
focus_window
await focused
# Near the top of the screen the window's bottom edge is more than 32 pixels
# above the screen's, so the console scrolls by moving pixels (LENTO). Not
# to 0,0: with no window manager SDL takes a move to 0,0 for no move at all.
xdotool windowmove --sync "$window" 0 8 || fail "cannot move the probe's window"
dump initial
xdotool key --clearmodifiers --delay 80 F1 ctrl+F1 a shift+Insert Return || fail "xdotool could not type"
xdotool type --clearmodifiers --delay 80 "$(printf '\303\251A')" || fail "xdotool could not type text"
await scrolled
dump scrolled
xdotool mousemove --window "$window" 0 0 mousedown 3 || fail "xdotool could not press the right button"
dump magnified
xdotool mouseup 3 || fail "xdotool could not let the right button go"
dump restored
xdotool key --clearmodifiers alt+F4 || fail "xdotool could not press Alt+F4"

await_exit 30
cat "$work/app.log"
expected_open=$(printf '1\na b; touch %s/injected\n%s/drive_c' "$work" "$work")
if [ "$(cat "$work/opened" 2>/dev/null)" != "$expected_open" ] || [ -e "$work/injected" ]; then
  echo "FAIL: ShellOpen did not start the program with its parameter as one argument in its folder"
  cat "$work/opened" 2>/dev/null
  exit 1
fi
echo "ok: ShellOpen starts the program with one argument, in the working folder, without a shell"
exit "$app_status"
