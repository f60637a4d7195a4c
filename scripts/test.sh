#!/usr/bin/env bash
# Runs every test: installs what is missing (Debian 12, root), then builds and tests
#   native-asan  g++ with AddressSanitizer + UndefinedBehaviorSanitizer
#   win32, win64 mingw-w64 cross builds, tests and end-to-end runs under wine
#   native       g++
# Usage: scripts/test.sh [preset...]   (default: all four)
# The builds run one after the other; each build's tests run beside the next builds, their
# output kept and shown once all are done. The sanitized build comes first: its tests take
# longest, and the cross compilers and wine install meanwhile. The cross builds' tests under
# wine run one at a time, while the next builds are made. The plain build, whose tests are
# the shortest, comes last.
# Compilers run through ccache where it is installed, with paths taken relative to the
# checkout, so a fresh clone reuses what an earlier one compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh native

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native-asan win64 win32 native)

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

# The cross compilers and wine install, and the wine prefixes are made (wine-run.sh makes one
# on first use), while the first builds run; a cross build waits for them.
cross=()
for p in "${presets[@]}"; do case $p in win32|win64) cross+=("$p") ;; esac; done
cross_ready=
if [ ${#cross[@]} -gt 0 ]; then
  (
    ./scripts/install-deps.sh cross
    for p in "${cross[@]}"; do cmake/wine-run.sh "$p" cmd /c exit </dev/null >/dev/null 2>&1 & done
    wait
  ) >"$logs/cross-install" 2>&1 &
  cross_ready=$!
fi

declare -A tests
for p in "${presets[@]}"; do
  case $p in
    win32|win64)
      if [ -n "$cross_ready" ]; then
        if ! wait "$cross_ready"; then
          cat "$logs/cross-install"
          echo "test.sh: installing what the cross builds need failed" >&2
          exit 1
        fi
        cross_ready=
      fi ;;
  esac
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
