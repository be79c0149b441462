# Shared by the real-window tests (sourced, not run): an Xvfb display of our
# own, the window of a process, and clean-up. Exit 77 means skipped, and is
# used only when Xvfb itself is not installed.
#   work=FOLDER; source xvfb_session.sh; begin_session; ...; focus_window

# xdotool reads typed text in the locale's encoding: make it UTF-8 whatever the
# environment of the test run says.
export LC_ALL=C.UTF-8

xvfb_pid=
app_pid=

cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/app.log" ] && cat "$work/app.log"
  exit 1
}

require_tools() {
  if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Xvfb is not installed: the real-window test is skipped"
    exit 77
  fi
  local tool
  for tool in xdotool xwd; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (tools/install-deps.sh test installs it)"
  done
}

# The checked tools, an empty WORK folder and our own X display.
begin_session() {
  require_tools
  rm -rf "$work"
  mkdir -p "$work"
  start_xvfb
}

# A free display among :97..:120, served by our own Xvfb (its lock file holds
# our server's pid, so two tests started at once never share one); exports DISPLAY.
start_xvfb() {
  local n display=
  for n in $(seq 97 120); do
    { [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; } && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ] &&
         DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        display=":$n"
        break
      fi
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
}

# Sets window to the visible window of app_pid and gives it the focus
# (waits up to 10 s: a window just mapped may not take the focus at once).
focus_window() {
  window=
  for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window showed"
    window=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | tail -n 1)
    if [ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null; then
      return 0
    fi
    sleep 0.1
  done
  fail "no window of pid $app_pid could be focused within 10 s"
}

# dump NAME: the window's image to WORK/NAME.xwd, after a moment for the
# program to draw what it was just sent.
dump() {
  sleep 1
  xwd -silent -id "$window" -out "$work/$1.xwd" || fail "xwd could not dump the window ($1)"
}

# Waits up to SECONDS for app_pid to end; sets app_status to its exit code.
await_exit() {
  for _ in $(seq 1 $(($1 * 10))); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end within $1 s"
  wait "$app_pid"
  app_status=$?
  app_pid=
}
