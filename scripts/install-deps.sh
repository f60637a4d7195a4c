#!/usr/bin/env bash
# Installs everything the builds and tests need on a Debian 12 machine (run as root).
# Quiet and idempotent: packages already present are skipped.
# Usage: scripts/install-deps.sh [native|cross]   (default: both)
#   native  what the native builds and their tests need
#   cross   the mingw-w64 compilers, wine and a virtual display, for the Windows builds, their
#           tests and the pictures (test.sh installs these while the first build runs)
set -euo pipefail

native=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
        locales zip unzip python3 time man-db groff-base zsh fish ccache cmark libcmark0.30.2)
cross=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
       wine64 wine32:i386 fonts-wine xvfb xauth imagemagick fonts-noto-cjk)
case ${1:-all} in
  native) need=("${native[@]}") ;;
  cross) need=("${cross[@]}") ;;
  all) need=("${native[@]}" "${cross[@]}") ;;
  *) echo "install-deps.sh: native, cross or nothing, not '$1'" >&2; exit 2 ;;
esac

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Code page 932 for the ANSI clipboard text under wine, and the filter's Japanese tests.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# corvane nl answers in the user's language from the system's catalogs, as nl does; the
# differential test runs it in Japanese (coreutils' own catalog comes with coreutils; the C
# library's texts, strerror(), with libc-l10n).
if ! dpkg-query -W -f='${Status}' libc-l10n 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libc-l10n >/dev/null
fi
