#!/usr/bin/env bash
# Builds the release package: Corvane.dll and corvane.exe of the win32 and win64 presets, each
# pair zipped with the Japanese and English README, CHANGES.txt, the licence and SHA256SUMS, into
#   dist/Corvane-<version>-x86.zip, dist/Corvane-<version>-x64.zip and dist/SHA256SUMS,
# then checks them: sums, contents, architecture and exports of each DLL, architecture, imports,
# version block and manifest of each corvane.exe, the same bytes when made twice, each packaged
# corvane.exe run under wine and each packaged DLL loaded in corvane-host.exe under wine.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  cat <<'EOF'
usage: scripts/package.sh [--build-prefix P] [--dist DIR]
       scripts/package.sh --dll x86|x64=PATH --exe x86|x64=PATH [--dll ... --exe ...]
                          [--host x86|x64=EXE ...] [--dist DIR]
       scripts/package.sh --verify [--dist DIR]
       (any form) --snapshot

  (no --dll)      builds Corvane.dll, corvane.exe and corvane-host.exe in P/win32 and P/win64
                  (cmake presets win32 and win64; P defaults to build/, so build/win32 and
                  build/win64) and packages both
  --build-prefix  prefix of the two build directories, e.g. build/mine- for build/mine-win32
  --dll           packages this DLL instead of building (nothing is installed or built)
  --exe           with --dll: corvane.exe of that architecture, packaged beside it (required)
  --host          with --dll: corvane-host.exe of that architecture, to load the packaged DLL in
  --dist          where the zips go (default dist/)
  --verify        only checks the zips already in --dist
  --snapshot      zips of work in progress: CHANGELOG.md may open with [Unreleased]. Without
                  it the changelog must open with this version's dated section (a release)

The version is the project's (CMakeLists.txt); every zip entry is dated SOURCE_DATE_EPOCH,
or else the time of the last commit, so the same DLL gives the same zip.
EOF
}

prefix=$root/build/
dist=$root/dist
dlls=()
exes=()
hosts=()
verify_only=
snapshot=()
while [ $# -gt 0 ]; do
  case $1 in
    -h|--help) usage; exit 0 ;;
    --build-prefix) prefix=${2:?--build-prefix needs a path prefix}; shift 2 ;;
    --dist) dist=${2:?--dist needs a directory}; shift 2 ;;
    --dll) dlls+=("${2:?--dll needs ARCH=PATH}"); shift 2 ;;
    --exe) exes+=(--exe "${2:?--exe needs ARCH=PATH}"); shift 2 ;;
    --host) hosts+=("${2:?--host needs ARCH=EXE}"); shift 2 ;;
    --verify) verify_only=1; shift ;;
    --snapshot) snapshot=(--snapshot); shift ;;
    *) echo "package.sh: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)

version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt" >&2; exit 1; }
package=(python3 "$root/packaging/package.py")

host_args=()
add_host() {  # add_host x86|x64 EXE
  host_args+=(--host-"$1" "$2")
}

# build_exe BUILD_DIR: corvane.exe beside the plug-in that build_plugin made there.
build_exe() {
  local log
  log=$(mktemp /tmp/corvane-build.XXXXXX)
  if cmake --build "$1" --parallel "$(nproc)" --target corvane >"$log" 2>&1; then
    rm -f "$log"
  else
    tail -n 40 "$log" >&2
    echo "package.sh: the build of corvane.exe failed (full log: $log)" >&2
    exit 1
  fi
}

if [ -z "$verify_only" ]; then
  if [ ${#dlls[@]} -eq 0 ]; then
    . "$root/scripts/lib/build.sh"
    install_deps
    for preset in win32 win64; do
      build=$prefix$preset
      arch=$([ $preset = win32 ] && echo x86 || echo x64)
      build_plugin "$preset" "$build" package.sh
      build_exe "$build"
      dlls+=("$arch=$build/Corvane/Corvane.dll")
      exes+=(--exe "$arch=$build/cli/corvane.exe")
      add_host "$arch" "$build/host/win/corvane-host.exe"
    done
  fi
  for h in "${hosts[@]}"; do
    case $h in x86=?*|x64=?*) add_host "${h%%=*}" "${h#*=}" ;;
      *) echo "package.sh: --host needs x86=EXE or x64=EXE" >&2; exit 2 ;; esac
  done

  epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)}
  echo "=== packaging Corvane $version into ${dist#"$root"/}"
  rm -f "$dist/SHA256SUMS" "$dist"/Corvane-"$version"-x86.zip "$dist"/Corvane-"$version"-x64.zip
  "${package[@]}" make "${snapshot[@]}" --version "$version" --dist "$dist" --root "$root" --date "$epoch" "${exes[@]}" "${dlls[@]}"

  # The same inputs must give the same bytes.
  again=$(mktemp -d /tmp/corvane-package.XXXXXX)
  trap 'rm -rf "$again"' EXIT
  "${package[@]}" make "${snapshot[@]}" --version "$version" --dist "$again" --root "$root" --date "$epoch" "${exes[@]}" "${dlls[@]}" >/dev/null
  for f in "$again"/*; do
    cmp -s "$f" "$dist/$(basename "$f")" ||
      { echo "package.sh: FAIL: $(basename "$f") differs when made a second time" >&2; exit 1; }
  done
  echo "reproducible: a second run gave the same bytes ($(cd "$again" && echo *))"
fi

echo "=== checking ${dist#"$root"/}"
require=()
[ -n "$verify_only" ] || [ ${#dlls[@]} -ne 2 ] || require=(--require x86 --require x64)
"${package[@]}" verify "${snapshot[@]}" --version "$version" --dist "$dist" --root "$root" "${require[@]}" \
  "${host_args[@]}"
(cd "$dist" && sha256sum -c SHA256SUMS)
