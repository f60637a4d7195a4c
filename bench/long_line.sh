#!/usr/bin/env bash
# One long line read from a file and from a pipe: the time must grow with the line's length
# alone, whatever size the reads come in (a pipe delivers a few KiB a read, a file the whole
# block). For each size in SIZES (MiB) and each command, the median of RUNS runs of
#   corvane CMD < line.txt            (a file)
#   cat line.txt | corvane CMD        (a pipe)
# in wall time and in CPU time (user + system of corvane alone, so the load of a shared machine
# counts less); a row is ok when the pipe's CPU time is at most TARGET times the file's. The
# outputs of the two must be the same bytes.
# Usage: bench/long_line.sh [path/to/corvane]   (default: build/native/cli/corvane)
#   SIZES="12 25 50 100"  RUNS=3  TARGET=3  COMMANDS="number delete nl"
# Exit status 0 when every row is ok, 1 when any is not, 2 when the script cannot run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
corvane=${1:-$here/../build/native/cli/corvane}
sizes=${SIZES:-12 25 50 100}
runs=${RUNS:-3}
target=${TARGET:-3}
commands=${COMMANDS:-number delete nl}
[ -x "$corvane" ] || { echo "long_line.sh: no corvane at '$corvane'" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "long_line.sh: /usr/bin/time is needed" >&2; exit 2; }

work=$(mktemp -d /tmp/long_line.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs "$@" with /usr/bin/time around corvane; prints "wall cpu".
timed() {
  local how=$1; shift
  if [ "$how" = file ]; then
    /usr/bin/time -f "%e %U %S" -o "$work/t" "$corvane" "$@" < "$work/line.txt" > "$work/out.$how"
  else
    cat "$work/line.txt" | /usr/bin/time -f "%e %U %S" -o "$work/t" "$corvane" "$@" > "$work/out.$how"
  fi
  awk '{ printf "%s %.3f\n", $1, $2 + $3 }' "$work/t"
}

status=0
printf '%-8s %6s %10s %10s %10s %10s %7s %s\n' command MiB file-wall pipe-wall file-cpu pipe-cpu ratio ok
for mib in $sizes; do
  # "12:" and then the line; a short line after it, so the long one is no last line.
  { printf '12:'; head -c $((mib * 1048576)) /dev/zero | tr '\0' 'x'; printf '\na\n'; } > "$work/line.txt"
  for cmd in $commands; do
    : > "$work/file"; : > "$work/pipe"
    for _ in $(seq "$runs"); do
      timed file "$cmd" >> "$work/file"
      timed pipe "$cmd" >> "$work/pipe"
    done
    cmp -s "$work/out.file" "$work/out.pipe" || { echo "long_line.sh: $cmd: file and pipe outputs differ" >&2; exit 2; }
    fw=$(cut -d' ' -f1 "$work/file" | median); pw=$(cut -d' ' -f1 "$work/pipe" | median)
    fc=$(cut -d' ' -f2 "$work/file" | median); pc=$(cut -d' ' -f2 "$work/pipe" | median)
    ratio=$(awk -v p="$pc" -v f="$fc" 'BEGIN { printf "%.2f", p / (f > 0.01 ? f : 0.01) }')
    ok=$(awk -v r="$ratio" -v t="$target" 'BEGIN { print (r <= t) ? "ok" : "SLOW" }')
    [ "$ok" = ok ] || status=1
    printf '%-8s %6s %10s %10s %10s %10s %7s %s\n' "$cmd" "$mib" "$fw" "$pw" "$fc" "$pc" "$ratio" "$ok"
  done
done
exit $status
