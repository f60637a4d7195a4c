#!/usr/bin/env bash
# Runs a cross-built Windows program under wine: wine-run.sh win32|win64 program.exe [args...]
# Each architecture gets a private prefix, created once (under a lock, since ctest may start
# several programs at once) with window management off and the crash dialog disabled.
set -euo pipefail
arch=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=${CORVANE_WINE_HOME:-$here/../build/wine}
mkdir -p "$root"
export WINEPREFIX=$root/$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
case $arch in
  win32) loader=/usr/lib/wine/wine;   export WINEARCH=win32 ;;
  win64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

# Without an X server wine cannot create windows; borrow a virtual one for this run.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$arch" "$@"
fi

(
  flock 9
  if [ ! -f "$WINEPREFIX/.corvane-ready" ]; then
    "$loader" wineboot -i >/dev/null 2>&1 || true
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    "$wineserver" -w || true
    touch "$WINEPREFIX/.corvane-ready"
  fi
) 9>"$root/.$arch.lock"

exec "$loader" "$@"
