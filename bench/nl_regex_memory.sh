#!/bin/sh
# Peak memory of corvane nl -b pBRE against GNU nl on one long line (default 10 MB), for a few
# patterns: corvane's matcher must stay within 4 times the line's size.
# Usage: bench/nl_regex_memory.sh path/to/corvane [megabytes]
set -eu
corvane=$1
mb=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c $((mb * 1024 * 1024)) /dev/zero | tr '\0' a > "$work/line"
echo >> "$work/line"
peak() {  # peak resident set of a command, in MB
  /usr/bin/time -v "$@" < "$work/line" 2>&1 >/dev/null | awk '/Maximum resident/ {printf "%d", $6 / 1024}'
}
printf '%-24s %10s %10s\n' pattern "corvane MB" "nl MB"
for pattern in 'a*b' '\(a*\)*b$' '\(a\|b\)\{1,3\}c' 'a\{1,5\}$' '\<a*\>' '\(a\)\1b'; do
  printf '%-24s %10s %10s\n' "$pattern" "$(peak "$corvane" nl -b "p$pattern")" \
    "$(peak nl -b "p$pattern")"
done
echo "line: $mb MB; target: corvane at most $((4 * mb)) MB"
