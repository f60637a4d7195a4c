#!/usr/bin/env bash
# Times `corvane nl` against GNU `nl` on the same generated file, side by side, with nl's
# default options and with -ba: 1,000,000 lines (about 30 MB; one in eight empty, some long)
# made with a fixed seed. Both outputs are first compared byte for byte; then each pair runs
# alternately RUNS times (output to /dev/null) and the medians of wall time give the ratios.
# Usage: bench/compare_nl_mode.sh [path/to/corvane]   (default: build/native/cli/corvane)
#   RUNS=N (default 5), LINES=N (default 1000000), KEEP=1 keeps the file in /tmp.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
corvane=${1:-$here/../build/native/cli/corvane}
runs=${RUNS:-5}
lines=${LINES:-1000000}
[ -x "$corvane" ] || { echo "compare_nl_mode.sh: no corvane at '$corvane' (build the native preset first)" >&2; exit 1; }
command -v nl >/dev/null || { echo "compare_nl_mode.sh: nl not found" >&2; exit 1; }

work=$(mktemp -d /tmp/compare_nl_mode.XXXXXX)
trap '[ "${KEEP:-0}" = 1 ] || rm -rf "$work"' EXIT
input=$work/input.txt

# Source-like lines: words, blanks, tabs, digits; empty lines; now and then a long one.
awk -v lines="$lines" 'BEGIN {
  srand(20240917)
  split("int return value:key if else 0x1F while the 12 for { } ; // alpha\tbeta x=y:z", w, " ")
  n = length(w)
  for (i = 0; i < lines; i++) {
    if (rand() < 0.125) { print ""; continue }
    s = (rand() < 0.3) ? "    " : ""
    len = (rand() < 0.01) ? 400 : 10 + int(rand() * 50)
    while (length(s) < len) s = s w[int(rand() * n) + 1] " "
    print s
  }
}' > "$input"
echo "input: $lines lines, $(stat -c %s "$input") bytes"

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# Wall seconds of one run, to the millisecond.
timed() {
  local TIMEFORMAT='%R'
  { time "$@" > /dev/null 2>&1; } 2>&1
}

status=0
for options in "" "-ba"; do
  label="nl${options:+ $options}"
  # Same output from both, or the comparison means nothing.
  "$corvane" nl $options "$input" > "$work/corvane.out"
  nl $options "$input" > "$work/nl.out"
  if ! cmp -s "$work/corvane.out" "$work/nl.out"; then
    echo "$label: outputs DIFFER"; cmp "$work/corvane.out" "$work/nl.out" | head -1
    status=1
    continue
  fi
  : > "$work/t.corvane"; : > "$work/t.nl"
  for _ in $(seq "$runs"); do  # alternating, so that both see the same machine load
    timed "$corvane" nl $options "$input" >> "$work/t.corvane"
    timed nl $options "$input" >> "$work/t.nl"
  done
  t_corvane=$(median < "$work/t.corvane")
  t_nl=$(median < "$work/t.nl")
  awk -v label="$label" -v c="$t_corvane" -v n="$t_nl" 'BEGIN {
    printf "%-7s corvane nl %.3f s, GNU nl %.3f s (medians): ratio corvane/nl %s\n", label ":", c, n,
           (c > 0 && n > 0) ? sprintf("%.2f (GNU nl / corvane %.1fx)", c / n, n / c) : "n/a"
  }'
done
exit $status
