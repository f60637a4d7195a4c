#!/usr/bin/env bash
# Times `corvane number` against `nl -ba -wW -s:` on the same generated file, side by side:
#   1,000,000 lines of about 40 bytes with CR LF breaks (about 40 MB), made with a fixed seed.
# Prints both times, wall and CPU (medians of RUNS runs, output to /dev/null), their ratios,
# and corvane's peak RSS against its 64 MiB limit. Both outputs are also compared byte for byte:
# corvane's field is as wide as the line count has digits, so nl gets that as W (1 at least).
# Usage: bench/compare_nl.sh [path/to/corvane]   (default: build/native/cli/corvane)
#   RUNS=N (default 7), LINES=N (default 1000000), KEEP=1 keeps the file in /tmp.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=bench/inputs.sh
. "$here/inputs.sh"
corvane=${1:-$here/../build/native/cli/corvane}
runs=${RUNS:-7}
lines=${LINES:-1000000}
[ -x "$corvane" ] || { echo "compare_nl.sh: no corvane at '$corvane' (build the native preset first)" >&2; exit 1; }
command -v nl >/dev/null || { echo "compare_nl.sh: nl not found" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "compare_nl.sh: /usr/bin/time missing (Debian package 'time')" >&2; exit 1; }

work=$(mktemp -d /tmp/compare_nl.XXXXXX)
trap '[ "${KEEP:-0}" = 1 ] || rm -rf "$work"' EXIT
input=$work/input.txt

gen_ascii "$lines" > "$input"
size=$(stat -c %s "$input")
echo "input: $input, $lines lines, $size bytes, CR LF"
count=$(wc -l < "$input")
nl_cmd=(nl -ba "-w${#count}" -s:)

# Same output from both, or the comparison means nothing.
"$corvane" number "$input" > "$work/corvane.out"
"${nl_cmd[@]}" "$input" > "$work/nl.out"
if cmp -s "$work/corvane.out" "$work/nl.out"; then
  echo "outputs: identical ($(stat -c %s "$work/corvane.out") bytes)"
else
  echo "outputs: DIFFERENT"; cmp "$work/corvane.out" "$work/nl.out" | head -1; exit 1
fi

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# Wall and CPU (user + system) seconds of one run, to the millisecond (bash's time keyword).
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

# Alternate the two so that both see the same machine load.
: > "$work/t.corvane"; : > "$work/t.nl"
timed "$corvane" number "$input" > /dev/null; timed "${nl_cmd[@]}" "$input" > /dev/null  # warm-up
for _ in $(seq "$runs"); do
  timed "$corvane" number "$input" >> "$work/t.corvane"
  timed "${nl_cmd[@]}" "$input" >> "$work/t.nl"
done
t_corvane=$(cut -d' ' -f1 "$work/t.corvane" | median)
t_nl=$(cut -d' ' -f1 "$work/t.nl" | median)
c_corvane=$(cut -d' ' -f2 "$work/t.corvane" | median)
c_nl=$(cut -d' ' -f2 "$work/t.nl" | median)
echo "runs: $runs each, alternating (wall seconds)"
echo "  corvane: $(cut -d' ' -f1 "$work/t.corvane" | tr '\n' ' ')"
echo "  nl:      $(cut -d' ' -f1 "$work/t.nl" | tr '\n' ' ')"

rss_kb=$(/usr/bin/time -f %M "$corvane" number "$input" 2>&1 >/dev/null | tail -1)
awk -v c="$t_corvane" -v n="$t_nl" -v cc="$c_corvane" -v cn="$c_nl" -v rss="$rss_kb" -v size="$size" \
    -v nl="${nl_cmd[*]}" 'BEGIN {
  printf "corvane number:        %.3f s wall, %.3f s CPU (medians)\n", c, cc
  printf "%-23s%.3f s wall, %.3f s CPU (medians)\n", nl ":", n, cn
  # A yardstick under a millisecond gives no ratio.
  if (n > 0 && cn > 0)
    printf "ratio corvane/nl:      %.2f wall (%s), %.2f CPU\n", c / n,
           (c <= n ? "corvane at least as fast" : "corvane SLOWER"), cc / cn
  else
    printf "ratio corvane/nl:      n/a (nl took under a millisecond)\n"
  if (size > 0)
    printf "corvane peak RSS:      %.1f MiB for a %.1f MiB file (limit 64 MiB: %s)\n",
           rss / 1024, size / 1048576, (rss <= 64 * 1024 ? "ok" : "EXCEEDED")
  else
    printf "corvane peak RSS:      %.1f MB (empty file)\n", rss / 1024
}'
