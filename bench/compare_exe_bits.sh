#!/usr/bin/env bash
# The 32-bit corvane.exe against the 64-bit one under wine, on the same files: `corvane number`
# on LINES lines of the mixed Japanese and English text (bench/inputs.sh) as UTF-8, as UTF-16LE
# with a BOM and as code page 932. Medians of RUNS runs each, alternating run by run after a
# warm-up pair, output to /dev/null; wine's start-up is in both. A row is ok when the outputs are
# the same bytes and the wall ratio win32/win64 is at most TARGET.
#
# Usage: bench/compare_exe_bits.sh [win32/corvane.exe] [win64/corvane.exe]
#   (defaults: build/win32/cli/corvane.exe and build/win64/cli/corvane.exe)
#   LINES=N (1000000)  RUNS=N (5)  TARGET=R (1.3)  KEEP=1 keeps the folder.
# Exit status 0 when every row is ok, 1 when any is not, 2 when the script cannot run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=bench/inputs.sh
. "$here/inputs.sh"
runner=$here/../cmake/wine-run.sh
exe32=$(realpath -m "${1:-$here/../build/win32/cli/corvane.exe}")
exe64=$(realpath -m "${2:-$here/../build/win64/cli/corvane.exe}")
lines=${LINES:-1000000}
runs=${RUNS:-5}
target=${TARGET:-1.3}

die() { echo "compare_exe_bits.sh: $*" >&2; exit 2; }
[[ $lines =~ ^[0-9]+$ && $runs =~ ^[1-9][0-9]*$ ]] || die "LINES and RUNS must be whole numbers"
[[ $target =~ ^[0-9]+(\.[0-9]+)?$ ]] || die "TARGET must be a number, not '$target'"
[ -f "$exe32" ] || die "no 32-bit corvane.exe at '$exe32' (build the win32 preset first)"
[ -f "$exe64" ] || die "no 64-bit corvane.exe at '$exe64' (build the win64 preset first)"
for tool in iconv python3 awk cmp; do
  command -v "$tool" >/dev/null || die "$tool not found"
done

work=$(mktemp -d /tmp/compare_exe_bits.XXXXXX)
trap '[ "${KEEP:-0}" = 1 ] && echo "compare_exe_bits.sh: files kept in $work" >&2 || rm -rf "$work"' EXIT
cd "$work"  # the programs get relative names, the same under wine's Z: drive
cp "$exe32" corvane32.exe
cp "$exe64" corvane64.exe

echo "compare_exe_bits.sh: generating $lines lines" >&2
gen_py mixed-crlf "$lines" > utf8.txt
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE utf8.txt; } > utf16le.txt
iconv -f UTF-8 -t CP932 utf8.txt > cp932.txt

# Both prefixes ready (wine-run.sh makes them), and their wine servers kept up between runs,
# so that no run pays for starting one.
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
for arch in win32 win64; do
  "$runner" "$arch" "corvane${arch#win}.exe" --version > /dev/null
  prefix=${CORVANE_WINE_HOME:-$here/../build/wine}/$arch
  WINEPREFIX=$prefix "$wineserver" -w  # the server of that run ends, one that stays starts
  WINEPREFIX=$prefix "$wineserver" -p60
done

timed() {
  local TIMEFORMAT='%R'
  { time "$@" > /dev/null 2>&1; } 2>&1
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

fails=0
echo "corvane.exe, 32-bit against 64-bit under wine: $lines lines, medians of $runs runs"
printf '%-10s %8s %9s %8s %8s %7s %s\n' input MiB output win32 win64 ratio verdict
for f in utf8 utf16le cp932; do
  echo "compare_exe_bits.sh: $f" >&2
  same=same
  "$runner" win32 corvane32.exe number "$f.txt" > out32 || same=exit-$?
  "$runner" win64 corvane64.exe number "$f.txt" > out64 || same=exit-$?
  [ "$same" = same ] && ! cmp -s out32 out64 && same=DIFFERENT
  rm -f out32 out64
  : > t32; : > t64
  for _ in $(seq "$runs"); do
    timed "$runner" win32 corvane32.exe number "$f.txt" >> t32
    timed "$runner" win64 corvane64.exe number "$f.txt" >> t64
  done
  w32=$(median < t32); w64=$(median < t64)
  r=$(awk -v a="$w32" -v b="$w64" 'BEGIN { printf "%.2f", a / b }')
  v=$(awk -v r="$r" -v t="$target" 'BEGIN { print (r + 0 <= t + 0 ? "ok" : "FAIL") }')
  [ "$same" = same ] || v=FAIL
  [ "$v" = ok ] || fails=$((fails + 1))
  printf '%-10s %8s %9s %8s %8s %7s %s\n' "$f" \
    "$(awk -v s="$(stat -c %s "$f.txt")" 'BEGIN { printf "%.1f", s / 1048576 }')" \
    "$same" "$w32" "$w64" "$r" "$v"
done
echo "ok: the same output and win32/win64 wall ratio <= $target"
[ "$fails" = 0 ] && { echo "all rows ok"; exit 0; }
echo "$fails row(s) FAIL"
exit 1
