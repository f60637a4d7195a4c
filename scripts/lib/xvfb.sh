# shellcheck shell=bash
# Sourced library of test.sh and pictures.sh: a virtual X display of their own for the wine
# runs (windows, popup menus and the clipboard need one).
(return 0 2>/dev/null) || { echo "scripts/lib/xvfb.sh is sourced by the scripts, not run" >&2; exit 2; }

xvfb_pid=

# xvfb_start FIRST WHO [Xvfb options...]: Xvfb on the first free display from :FIRST, exported
# as DISPLAY; fails naming WHO when the display does not come up within five seconds.
xvfb_start() {
  local n=$1 who=$2
  shift 2
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp "$@" >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "$who: Xvfb did not start on :$n" >&2
  return 1
}

# xvfb_stop: ends the Xvfb that xvfb_start started, if any.
xvfb_stop() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
