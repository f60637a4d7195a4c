#!/usr/bin/env bash
# Runs a cross-built Windows program under wine: wine-run.sh win32|win64 program.exe [args...]
# Each architecture gets a private prefix, created once with window management off and the crash
# dialog disabled, and one wine server that outlives its programs by $keep seconds, so the next
# program finds wine started. The server gets a virtual display of its own that lives exactly as
# long as the server: its desktop process keeps the display it started on, so a display per
# program would leave the next one on a dead display. DISPLAY is not used: the popup menus take
# the keyboard focus and the clipboard is the display's, so two servers on one display (the
# win32 and win64 tests run side by side) close each other's menus and overwrite each other's
# clipboard. CORVANE_WINE_DISPLAY=:N puts the server on display :N instead, to watch it or take
# pictures. The prefix records the live server's display; preparing both happens under a lock,
# since ctest may start several at once.
set -euo pipefail
arch=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=${CORVANE_WINE_HOME:-$here/../build/wine}
mkdir -p "$root"
export WINEPREFIX=$root/$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Japanese user's Windows: code page 932 and a Japanese UI language, which wine takes from the
# program's locale variables. CORVANE_WINE_MESSAGES=C keeps code page 932 with an English UI
# language (LC_MESSAGES=C; wine reads C.UTF-8 as Japanese there).
if [ -n "${CORVANE_WINE_MESSAGES:-}" ]; then
  unset LC_ALL
  export LANG=ja_JP.UTF-8 LC_MESSAGES=$CORVANE_WINE_MESSAGES
else
  export LC_ALL=ja_JP.UTF-8
fi
case $arch in
  win32) loader=/usr/lib/wine/wine;   export WINEARCH=win32 ;;
  win64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
keep=60
record=$WINEPREFIX/.corvane-server  # "display keeper-pid own|given" of the live server
want=${CORVANE_WINE_DISPLAY:-}       # empty: a display of the server's own

# live_display: the display of this prefix's live server when it is the one wanted (the server's
# own, or CORVANE_WINE_DISPLAY); fails when none is recorded alive, when it is another, or when
# its display, a local one, is gone.
live_display() {
  local shown keeper kind number
  [ -f "$record" ] && read -r shown keeper kind <"$record" && kill -0 "$keeper" 2>/dev/null || return 1
  if [ -n "$want" ]; then [ "$shown" = "$want" ] || return 1; else [ "$kind" = own ] || return 1; fi
  number=${shown#:}
  number=${number%%.*}
  case $shown in :*) [ -S "/tmp/.X11-unix/X$number" ] || return 1 ;; esac
  echo "$shown"
}

# own_display: starts Xvfb on a free display of its choosing, exports DISPLAY, sets xvfb.
own_display() {
  local number
  number=$(mktemp "$root/.display.XXXXXX")
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" </dev/null \
    >/dev/null 2>&1 9>&- &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$number" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$number" ] || { rm -f "$number"; echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(tr -d '\n' <"$number")
  rm -f "$number"
}

# start_server: a persistent server on a display of its own (or CORVANE_WINE_DISPLAY), the prefix
# prepared first, and a keeper that ends the display and the record when the server ends.
start_server() {
  local xvfb= kind=own
  # A server still up on another display, or one not started here, goes first.
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  rm -f "$record"
  if [ -n "$want" ]; then
    export DISPLAY=$want
    kind=given
  else
    own_display
  fi
  if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
    "$loader" wineboot -i >/dev/null 2>&1 || true
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$wineserver" -w || true
    touch "$WINEPREFIX/.corvane-ready"
  fi
  # The server and wine's services outlive the programs, so they start here, not in the first
  # program, whose pipes and terminal they would keep open.
  "$wineserver" -p"$keep" </dev/null >/dev/null 2>&1 9>&-
  "$loader" wineboot </dev/null >/dev/null 2>&1 9>&- || true
  # shellcheck disable=SC2016
  setsid bash -c '"$1" -w
    read -r _ owner _ <"$2" && [ "$owner" = $$ ] && rm -f "$2"
    [ -z "$3" ] || kill "$3"' keeper "$wineserver" "$record" "$xvfb" </dev/null >/dev/null 2>&1 9>&- &
  echo "$DISPLAY $! $kind" >"$record"
}

exec 9>"$root/.$arch.lock"
flock 9
if shown=$(live_display); then
  export DISPLAY=$shown
else
  start_server
fi
flock -u 9
exec 9>&-

exec "$loader" "$@"
