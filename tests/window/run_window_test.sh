#!/usr/bin/env bash
# Runs window_probe in a real X window: starts Xvfb on a free display, waits
# for the probe's window, dumps its image with xwd, types keys with xdotool
# and lets the probe check both. Exit 77 (skipped) only when Xvfb is absent.
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

# The probe on an empty drive C (every display setting at its default) and
# SDL's dummy audio driver.
export TALIRA_DRIVE_C="$work/drive_c"
export SDL_AUDIODRIVER=dummy
"$probe" "$work/status" "$work/window.xwd" >"$work/probe.log" 2>&1 &
probe_pid=$!

for _ in $(seq 1 200); do
  grep -q ready "$work/status" 2>/dev/null && break
  kill -0 "$probe_pid" 2>/dev/null || fail "the probe ended before its window was ready"
  sleep 0.1
done
grep -q ready "$work/status" 2>/dev/null || fail "the probe's window was not ready within 20 s"

window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --pid "$probe_pid" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no visible window of the probe (pid $probe_pid) within 10 s"
xdotool windowfocus --sync "$window" || fail "cannot focus the probe's window"
sleep 0.5
xwd -silent -id "$window" -out "$work/window.xwd" || fail "xwd could not dump the window"
xdotool key --clearmodifiers --delay 80 F1 ctrl+F1 a shift+Insert Return alt+F4 || fail "xdotool could not type"

for _ in $(seq 1 300); do
  kill -0 "$probe_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$probe_pid" 2>/dev/null; then
  fail "the probe did not end within 30 s of the keys"
fi
wait "$probe_pid"
status=$?
probe_pid=
cat "$work/probe.log"
exit "$status"
