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
  . scripts/lib/xvfb.sh
  trap 'stop_wine; xvfb_stop' EXIT
  xvfb_start 87 test.sh
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
