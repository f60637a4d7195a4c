#!/usr/bin/env bash
# Runs every test: installs what is missing (Debian 12, root), then builds and tests
#   native       g++
#   native-asan  g++ with AddressSanitizer + UndefinedBehaviorSanitizer
#   win32, win64 mingw-w64 cross builds, tests and end-to-end runs under wine
# Usage: scripts/test.sh [preset...]   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan win32 win64)

# One virtual X server for all wine runs (popup menus, clipboard and windows need one).
stop_wine() {
  for prefix in build/wine/win32 build/wine/win64; do
    [ -d "$prefix" ] && WINEPREFIX=$PWD/$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
if [ -z "${DISPLAY:-}" ]; then
  n=87
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'stop_wine; kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
fi

summary=()
status=0
for p in "${presets[@]}"; do
  echo "=== $p: configure and build"
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
  echo "=== $p: test"
  if ctest --preset "$p"; then summary+=("$p: passed"); else summary+=("$p: FAILED"); status=1; fi
done

echo "=== summary"
printf '  %s\n' "${summary[@]}"
exit $status
