# shellcheck shell=bash
# Sourced library of demo.sh, pictures.sh and package.sh: installing what the builds need and
# building the plug-in. The caller sets root to the repository before sourcing it.
(return 0 2>/dev/null) || { echo "scripts/lib/build.sh is sourced by the scripts, not run" >&2; exit 2; }
: "${root:?scripts/lib/build.sh needs root, the repository}"

# install_deps: what the builds and wine need; through sudo when not root.
install_deps() {
  if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null; then
    sudo "$root/scripts/install-deps.sh"
  else
    "$root/scripts/install-deps.sh"
  fi
}

# build_plugin PRESET BUILD_DIR WHO: Corvane.dll and corvane-host.exe, built when missing or
# out of date; the build's output is shown only when it fails. WHO names the caller in errors.
build_plugin() {
  local preset=$1 build=$2 who=$3 log
  log=$(mktemp /tmp/corvane-build.XXXXXX)
  echo "Building Corvane.dll and corvane-host.exe ($preset) in ${build#"$root"/} ..."
  if { [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" -S "$root" -B "$build"; } >"$log" 2>&1 &&
     cmake --build "$build" --parallel "$(nproc)" --target Corvane corvane-host >>"$log" 2>&1; then
    rm -f "$log"
  else
    tail -n 40 "$log" >&2
    echo "$who: the build failed (full log: $log)" >&2
    exit 1
  fi
}
