#!/usr/bin/env bash
# Runs every test: installs what is missing (Debian 12, root), then builds and tests
#   native       g++
#   win32, win64 mingw-w64 cross builds, tests and end-to-end runs under wine
#   native-asan  g++ with AddressSanitizer + UndefinedBehaviorSanitizer
# Usage: scripts/test.sh [preset...]   (default: all four)
# The builds run one after the other; each build's tests run beside the next builds, their
# output kept and shown once all are done. The cross builds come first: their tests under wine
# run one at a time and take longest, so they run while the native builds are made. The
# sanitized build's tests take several times the plain build's, so the plain build comes last.
# Compilers run through ccache where it is installed, with paths taken relative to the
# checkout, so a fresh clone reuses what an earlier one compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32 native-asan native)

if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi

logs=$(mktemp -d /tmp/corvane-test.XXXXXX)
# The wine servers (and the displays wine-run.sh gave them) end with this script.
stop_wine() {
  for prefix in build/wine/win32 build/wine/win64; do
    [ -d "$prefix" ] && WINEPREFIX=$PWD/$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
cleanup() {
  local pid
  for pid in $(jobs -p); do kill "$pid" 2>/dev/null || true; done
  stop_wine
  rm -rf "$logs"
}
trap cleanup EXIT

# The wine prefixes are made while the first builds run (wine-run.sh makes one on first use).
for p in "${presets[@]}"; do
  case $p in win32|win64) cmake/wine-run.sh "$p" cmd /c exit </dev/null >/dev/null 2>&1 & ;; esac
done

declare -A tests
for p in "${presets[@]}"; do
  echo "=== $p: configure and build (at ${SECONDS}s)"
  if cmake --preset "$p" >/dev/null && cmake --build --preset "$p"; then
    echo "=== $p: built, tests started (at ${SECONDS}s)"
    ctest --preset "$p" >"$logs/$p" 2>&1 &
    tests[$p]=$!
  else
    echo "build failed" >"$logs/$p"
  fi
done

summary=()
status=0
for p in "${presets[@]}"; do
  if [ -n "${tests[$p]:-}" ] && wait "${tests[$p]}"; then result=passed; else result=FAILED; status=1; fi
  echo "=== $p: test"
  cat "$logs/$p"
  summary+=("$p: $result")
done

echo "=== summary (${SECONDS}s)"
printf '  %s\n' "${summary[@]}"
exit $status
