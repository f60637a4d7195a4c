#!/usr/bin/env bash
# The whole speed-and-memory table of corvane in one run, against GNU nl as the yardstick.
#
# Inputs, generated with fixed seeds into a temporary folder (LINES lines each):
#   ascii-crlf     ASCII words, blanks, tabs, colons, digits, ~38 chars a line, CR LF
#                  (the same text as compare_nl.sh)
#   mixed-crlf     Japanese and English UTF-8, about a third of the characters non-ASCII, CR LF
#   japanese-lf    Japanese UTF-8, nearly every character non-ASCII, LF
#   short-lf       lines of 0-3 characters, LF
#   long-lf        ASCII lines of ~2,000 bytes, LF; LONG_LINES lines (LINES / 20 unless set:
#                  about 100 MB for a million, as large as the other rows, since a million of
#                  them would be 2 GB and what this row shows is the cost per byte)
#   mixed-utf16le  the mixed-crlf text as UTF-16LE with a BOM; nl gets its UTF-8 form
#   mixed-utf16be  the same as UTF-16BE with a BOM
#   japanese-cp932 the japanese-lf text in code page 932 (Shift_JIS), found by the automatic
#                  detection; nl gets its UTF-8 form
#
# Table 1: `corvane number FILE` against `nl -ba -wW -s: FILE`, where W is the number of digits
#   of the line count (the width corvane picks itself). Both outputs must be the same bytes.
#   Medians of RUNS runs each, alternating pair by pair after a warm-up pair, output to
#   /dev/null; a row is ok when the wall ratio corvane/nl is at most TARGET. The floor,
#   `cat FILE` to /dev/null (reading the bytes once), runs in the same rounds: how far corvane
#   is from it. On mixed-crlf `cat -n FILE` runs there too; ok when corvane/cat -n is at most
#   CAT_TARGET.
# Table 2: every other command on the same input, median wall time and its ratio to
#   `corvane number` there, the two alternating run by run; ok at most CMD_TARGET. continue
#   runs on the file as it is (no start number: the text passes unchanged) and on a copy
#   whose first line begins with `1:`;
#   delete, delete-number-only, dedent and tidy run on the output of `corvane number`.
#   Each command's output is checked where the result is known: continue gives the file back
#   or the numbered file, delete gives the file back, copy's body is the numbered file and
#   copy --tidy's body is tidy's output. Below it, each form against the `N:` form of the
#   same command (delete --form=nl and --form=list against delete, renumber of a list against
#   renumber; number -w 7 against number), the two alternating in FORM_RUNS pairs of their
#   own: the median of the pairs' wall ratios; ok at most FORM_TARGET (WIDTH_TARGET for
#   number -w 7).
# Table 3: peak RSS (/usr/bin/time %M) of every command on every input, in MiB; ok when no
#   corvane command takes more than MEM_LIMIT MiB.
# Table 4: peak RSS of every command on a BIG_LINES-line mixed CR LF file (the mixed-crlf
#   text repeated); ok at most MEM_LIMIT MiB. BIG=0 skips it.
#
# Usage: bench/compare_table.sh [path/to/corvane]   (default: build/native/cli/corvane)
#   LINES=N (1000000)  LONG_LINES=N (LINES / 20)  RUNS=N (9)  TARGET=R (0.3)  CAT_TARGET=R (0.8)
#   CMD_TARGET=R (1.5)  FORM_RUNS=N (25)  FORM_TARGET=R (1.2)  WIDTH_TARGET=R (1.1)  BIG=0|1 (1)  BIG_LINES=N (5000000)  MEM_LIMIT=MiB (8)  KEEP=1 keeps the
#   folder.
# The table goes to standard output, progress to standard error. Exit status 0 when every
# row is ok, 1 when any is not, 2 when the script cannot run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=bench/inputs.sh
. "$here/inputs.sh"
corvane_arg=${1:-$here/../build/native/cli/corvane}
lines=${LINES:-1000000}
long_lines=${LONG_LINES:-}
runs=${RUNS:-9}
target=${TARGET:-0.3}
cat_target=${CAT_TARGET:-0.8}
cmd_target=${CMD_TARGET:-1.5}
form_target=${FORM_TARGET:-1.2}
form_runs=${FORM_RUNS:-25}
width_target=${WIDTH_TARGET:-1.1}
big=${BIG:-1}
big_lines=${BIG_LINES:-5000000}
mem_limit=${MEM_LIMIT:-8}

die() { echo "compare_table.sh: $*" >&2; exit 2; }
say() { printf "compare_table.sh: [%3ds] %s\n" "$SECONDS" "$*" >&2; }

[[ $lines =~ ^[0-9]+$ ]] && : "${long_lines:=$((10#$lines / 20))}"
for v in lines long_lines runs form_runs big_lines; do
  [[ ${!v} =~ ^[0-9]+$ ]] || die "${v^^} must be a whole number, not '${!v}'"
  printf -v "$v" '%d' "$((10#${!v}))"  # 010 is ten lines, and two digits wide
done
[[ $big =~ ^[01]$ ]] || die "BIG must be 0 or 1, not '$big'"
for v in target cat_target cmd_target mem_limit; do
  [[ ${!v} =~ ^[0-9]+(\.[0-9]+)?$ ]] || die "${v^^} must be a number, not '${!v}'"
done
[ "$runs" -ge 1 ] || die "RUNS must be at least 1"
[ "$form_runs" -ge 1 ] || die "FORM_RUNS must be at least 1"
[ -x "$corvane_arg" ] || die "no corvane at '$corvane_arg' (build the native preset first)"
for tool in nl iconv python3 awk cmp; do
  command -v "$tool" >/dev/null || die "$tool not found"
done
[ -x /usr/bin/time ] || die "/usr/bin/time missing (Debian package 'time')"

work=$(mktemp -d /tmp/compare_table.XXXXXX)
trap '[ "${KEEP:-0}" = 1 ] && echo "compare_table.sh: files kept in $work" >&2 || rm -rf "$work"' EXIT
# The binary is copied first, so that a rebuild during the run cannot mix two versions.
corvane=$work/corvane
cp "$corvane_arg" "$corvane"
version=$("$corvane" --version | head -1)
corvane_arg=$(realpath "$corvane_arg")

# ---------------------------------------------------------------- generators

# The first BIG_LINES lines of the mixed text repeated, so the big file costs no new randomness.
repeat_lines() {  # FILE LINES
  awk -v f="$1" -v n="$2" 'BEGIN {
    while (c < n) {
      got = 0
      while (c < n && (getline l < f) > 0) { print l; c++; got = 1 }
      close(f)
      if (!got) break
    }
  }'
}

# ---------------------------------------------------------------- measuring

median() { sort -g | awk '{ a[NR] = $1 } END { print (NR ? a[int((NR + 1) / 2)] : "n/a") }'; }

# Wall and CPU (user + system) seconds of one run, to the millisecond (bash's time keyword).
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

# Runs CMD... once with its output in OUT and its peak RSS (KiB) in $work/rss; returns its status.
peak() {  # OUT CMD...
  local out=$1; shift
  /usr/bin/time -f %M -o "$work/rss" "$@" > "$out" 2> "$work/stderr"
}
rss_kib() { tail -1 "$work/rss"; }

# The UTF-8 form of a corvane output: UTF-16 files lose their BOM and are converted.
as_utf8() {  # FILE ENCODING
  case $2 in
    utf16le) tail -c +3 "$1" | iconv -f UTF-16LE -t UTF-8 ;;
    utf16be) tail -c +3 "$1" | iconv -f UTF-16BE -t UTF-8 ;;
    cp932) iconv -f CP932 -t UTF-8 "$1" ;;
    *) cat "$1" ;;
  esac
}

# Runs the commands in the arrays cmd_a, cmd_b (and cmd_c, cmd_d when C, D are given) RUNS
# times, alternating run by run so all see the same machine load, appending their times to
# files A, B, C and D.
alternate() {  # A B [C [D]]
  local f
  for f in "$@"; do : > "$f"; done
  for _ in $(seq "$runs"); do
    timed "${cmd_a[@]}" >> "$1"
    timed "${cmd_b[@]}" >> "$2"
    if [ $# -ge 3 ]; then timed "${cmd_c[@]}" >> "$3"; fi
    if [ $# -ge 4 ]; then timed "${cmd_d[@]}" >> "$4"; fi
  done
}
# The median of the run-by-run wall ratios of two files of timed lines, A over B.
pair_ratio() {  # A B
  paste -d' ' "$1" "$2" | awk '$3 > 0 { printf "%.4f\n", $1 / $3 }' | median |
    awk '{ print ($1 == "n/a" ? "n/a" : sprintf("%.2f", $1)) }'
}
# The N: command a form is weighed against (the forms block of table 2).
form_base() {
  case $1 in
    "number -w 7") echo number ;;
    "delete --form=nl" | "delete --form=list") echo delete ;;
    "renumber (list)") echo renumber ;;
  esac
}
# The median wall and CPU seconds of a file of timed lines: "WALL CPU".
medians() { echo "$(cut -d' ' -f1 "$1" | median) $(cut -d' ' -f2 "$1" | median)"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "n/a" && b != "n/a" && b > 0) printf "%.2f", a / b; else print "n/a" }'; }
# ok when R <= LIMIT; n/a (a yardstick under a millisecond) is not judged.
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r == "n/a" ? "n/a" : (r + 0 <= t + 0 ? "ok" : "FAIL")) }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
digits() { local n=$1; echo "${#n}"; }

# Commands of table 2, as label and argument words; FILE, NUM and ONE name the input, the
# numbered input and the copy whose first line begins with `1:`.
# Forms: NLNUM is the input numbered as `nl -ba` numbers it, LIST as `1. ` list items.
cmd_labels=(continue "continue 1:" delete delete-number-only dedent tidy copy "copy --tidy"
  "number -w 7" "number -n ln -S tab" "delete --form=nl" "delete --form=list" renumber
  "renumber (list)")
cmd_words() {
  case $1 in
    number) echo "number FILE" ;;
    "number -w 7") echo "number -w 7 FILE" ;;
    "number -n ln -S tab") echo "number -n ln -S TAB FILE" ;;
    "delete --form=nl") echo "delete --form=nl NLNUM" ;;
    "delete --form=list") echo "delete --form=list LIST" ;;
    renumber) echo "renumber NUM" ;;
    "renumber (list)") echo "renumber LIST" ;;
    continue) echo "continue FILE" ;;
    "continue 1:") echo "continue ONE" ;;
    delete | delete-number-only | dedent | tidy) echo "$1 NUM" ;;
    copy) echo "copy FILE" ;;
    "copy --tidy") echo "copy --tidy FILE" ;;
  esac
}
# The argument list of a label for one input: prints one word a line.
cmd_args() {  # LABEL FILE NUM ONE NLNUM LIST
  local w
  for w in $(cmd_words "$1"); do
    case $w in
      FILE) echo "$2" ;; NUM) echo "$3" ;; ONE) echo "$4" ;; NLNUM) echo "$5" ;; LIST) echo "$6" ;;
      TAB) printf '\t\n' ;;
      *) printf '%s\n' "$w" ;;  # echo would take -n for its own
    esac
  done
}

# What a command's output must be, where it is known: "same FILE", "body FILE" (after the two
# header lines of copy) or nothing. Compared in UTF-8 form.
cmd_expect() {  # LABEL FILE NUM TIDYOUT
  case $1 in
    continue | delete | "delete --form="*) echo "same $2" ;;
    renumber) echo "same $3" ;;
    "continue 1:") echo "same $3" ;;
    copy) echo "body $3" ;;
    "copy --tidy") echo "body $4" ;;
  esac
}

check_output() {  # OUT ENCODING EXPECT...
  local out=$1 enc=$2 how=${3:-} want=${4:-}
  case $how in
    "") return 0 ;;
    same) cmp -s <(as_utf8 "$out" "$enc") <(as_utf8 "$want" "$enc") ;;
    body) cmp -s <(as_utf8 "$out" "$enc" | tail -n +3) <(as_utf8 "$want" "$enc") ;;
  esac
}

# ---------------------------------------------------------------- the inputs

inputs=(ascii-crlf mixed-crlf japanese-lf short-lf long-lf mixed-utf16le mixed-utf16be japanese-cp932)
: > "$work/t1"; : > "$work/t1n"; : > "$work/t2"; : > "$work/t3"; : > "$work/t4"; : > "$work/t5"
n_in=${#inputs[@]}
i=0
for k in "${inputs[@]}"; do
  i=$((i + 1))
  in=$work/$k.in
  count=$lines
  enc=utf8
  nl_in=$in
  case $k in
    ascii-crlf) say "[$i/$n_in] $k: generating $count lines"; gen_ascii "$count" > "$in" ;;
    long-lf) count=$long_lines; say "[$i/$n_in] $k: generating $count lines"; gen_py "$k" "$count" > "$in" ;;
    mixed-utf16le)
      say "[$i/$n_in] $k: converting mixed-crlf"
      enc=utf16le
      nl_in=$work/mixed-crlf.in
      { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$nl_in"; } > "$in" ;;
    mixed-utf16be)
      say "[$i/$n_in] $k: converting mixed-crlf"
      enc=utf16be
      nl_in=$work/mixed-crlf.in
      { printf '\376\377'; iconv -f UTF-8 -t UTF-16BE "$nl_in"; } > "$in" ;;
    japanese-cp932)
      say "[$i/$n_in] $k: converting japanese-lf"
      enc=cp932
      nl_in=$work/japanese-lf.in
      iconv -f UTF-8 -t CP932 "$nl_in" > "$in" ;;
    *) say "[$i/$n_in] $k: generating $count lines"; gen_py "$k" "$count" > "$in" ;;
  esac
  size=$(stat -c %s "$in")
  width=$(digits "$count")
  nl_cmd=(nl -ba "-w$width" -s:)

  # Table 1: same bytes first, or the timing means nothing.
  say "[$i/$n_in] $k: checking number against ${nl_cmd[*]}"
  num=$work/$k.num
  if peak "$num" "$corvane" number "$in"; then rc=0; else rc=$?; fi
  printf '%s\t%s\t%s\n' "$k" number "$(rss_kib)" >> "$work/t3"
  peak "$work/nl.out" "${nl_cmd[@]}" "$nl_in"
  printf '%s\t%s\t%s\n' "$k" nl "$(rss_kib)" >> "$work/t3"
  if [ "$rc" = 0 ] && cmp -s <(as_utf8 "$num" "$enc") "$work/nl.out"; then same=same; else same=DIFFERENT; fi
  rm -f "$work/nl.out"

  say "[$i/$n_in] $k: timing number, nl and cat, $runs runs each, alternating"
  cmd_a=("$corvane" number "$in"); cmd_b=("${nl_cmd[@]}" "$nl_in"); cmd_c=(cat "$in")
  timed "${cmd_a[@]}" > /dev/null; timed "${cmd_b[@]}" > /dev/null
  if [ "$k" = mixed-crlf ]; then
    cmd_d=(cat -n "$in")
    alternate "$work/t.cv" "$work/t.nl" "$work/t.cat" "$work/t.catn"
    read -r w_catn _ < <(medians "$work/t.catn")
    echo "$k $count $w_catn" >> "$work/t1n"
  else
    alternate "$work/t.cv" "$work/t.nl" "$work/t.cat"
  fi
  read -r w_cv c_cv < <(medians "$work/t.cv")
  read -r w_nl c_nl < <(medians "$work/t.nl")
  read -r w_cat _ < <(medians "$work/t.cat")
  echo "$k $count $size $same $w_nl $c_nl $w_cv $c_cv $w_cat" >> "$work/t1"

  # Table 2 and the rest of table 3.
  one=$work/$k.one
  if [ "$enc" = utf16le ] || [ "$enc" = utf16be ]; then
    { head -c 2 "$in"; printf '1:' | iconv -f UTF-8 -t "UTF-16${enc#utf16}"; tail -c +3 "$in"; } > "$one"
  else
    { printf '1:'; cat "$in"; } > "$one"
  fi
  tidy_out=$work/$k.tidy
  nlnum=$work/$k.nlnum
  list=$work/$k.list
  "$corvane" number -w 6 -S "$(printf '\t')" "$in" > "$nlnum"
  "$corvane" number --after-indent -S '. ' -w 1 "$in" > "$list"
  for label in "${cmd_labels[@]}"; do
    mapfile -t args < <(cmd_args "$label" "$in" "$num" "$one" "$nlnum" "$list")
    out=$work/$k.out
    [ "$label" = tidy ] && out=$tidy_out
    say "[$i/$n_in] $k: $label"
    # The checked run with peak RSS is also the warm-up.
    if peak "$out" "$corvane" "${args[@]}"; then rc=0; else rc=$?; fi
    printf '%s\t%s\t%s\n' "$k" "$label" "$(rss_kib)" >> "$work/t3"
    read -r how want < <(cmd_expect "$label" "$in" "$num" "$tidy_out"; echo)
    if [ "$rc" != 0 ]; then
      check="exit-$rc"
    elif check_output "$out" "$enc" "$how" "$want"; then
      check=${how:+same}; check=${check:-"-"}
    else
      check=DIFFERENT
    fi
    [ "$out" = "$tidy_out" ] || rm -f "$out"
    # Paired with `corvane number` run by run, so that both see the same machine load.
    wall=n/a; cpu=n/a; n_wall=$w_cv; n_cpu=$c_cv
    if [ "$rc" = 0 ]; then
      cmd_a=("$corvane" number "$in"); cmd_b=("$corvane" "${args[@]}")
      alternate "$work/t.num" "$work/t.cmd"
      read -r wall cpu < <(medians "$work/t.cmd")
      read -r n_wall n_cpu < <(medians "$work/t.num")
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$k" "$label" "$check" "$wall" "$n_wall" "$cpu" "$n_cpu" >> "$work/t2"
    # A form against its N: command, in pairs of their own.
    base=$(form_base "$label")
    if [ -n "$base" ] && [ "$rc" = 0 ]; then
      mapfile -t base_args < <(cmd_args "$base" "$in" "$num" "$one" "$nlnum" "$list")
      cmd_a=("$corvane" "${args[@]}"); cmd_b=("$corvane" "${base_args[@]}")
      runs_kept=$runs; runs=$form_runs
      alternate "$work/t.form" "$work/t.base"
      runs=$runs_kept
      printf '%s\t%s\t%s\n' "$k" "$label" "$(pair_ratio "$work/t.form" "$work/t.base")" >> "$work/t5"
    fi
  done
done

# ---------------------------------------------------------------- the big file

if [ "$big" = 1 ]; then
  src=$work/mixed-crlf.in
  bigf=$work/big.in
  say "big: $big_lines lines of the mixed-crlf text"
  if [ "$lines" -gt 0 ]; then repeat_lines "$src" "$big_lines" > "$bigf"; else gen_py mixed-crlf "$big_lines" > "$bigf"; fi
  big_size=$(stat -c %s "$bigf")
  bnum=$work/big.num
  bone=$work/big.one
  btidy=$work/big.tidy
  say "big: number"
  if peak "$bnum" "$corvane" number "$bigf"; then rc=0; else rc=$?; fi
  rss=$(rss_kib)
  say "big: nl (yardstick)"
  peak "$work/big.nl" nl -ba "-w$(digits "$big_lines")" -s: "$bigf"
  big_nl=$(rss_kib)
  if [ "$rc" != 0 ]; then check="exit-$rc"
  elif cmp -s "$bnum" "$work/big.nl"; then check=same
  else check=DIFFERENT; fi
  rm -f "$work/big.nl"
  printf '%s\t%s\t%s\n' number "$rss" "$check" >> "$work/t4"
  { printf '1:'; cat "$bigf"; } > "$bone"
  "$corvane" number -w 6 -S "$(printf '\t')" "$bigf" > "$work/big.nlnum"
  "$corvane" number --after-indent -S '. ' -w 1 "$bigf" > "$work/big.list"
  for label in "${cmd_labels[@]}"; do
    mapfile -t args < <(cmd_args "$label" "$bigf" "$bnum" "$bone" "$work/big.nlnum" "$work/big.list")
    out=$work/big.out
    [ "$label" = tidy ] && out=$btidy
    say "big: $label"
    if peak "$out" "$corvane" "${args[@]}"; then rc=0; else rc=$?; fi
    rss=$(rss_kib)
    read -r how want < <(cmd_expect "$label" "$bigf" "$bnum" "$btidy"; echo)
    if [ "$rc" != 0 ]; then check="exit-$rc"
    elif check_output "$out" utf8 "$how" "$want"; then check=${how:+same}; check=${check:-"-"}
    else check=DIFFERENT; fi
    [ "$out" = "$btidy" ] || rm -f "$out"
    printf '%s\t%s\t%s\n' "$label" "$rss" "$check" >> "$work/t4"
  done
fi

# ---------------------------------------------------------------- the table

fails=0
fail() { fails=$((fails + 1)); }

echo "corvane against nl: $version ($corvane_arg), $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores"
echo "inputs: $lines lines each; long-lf: $long_lines lines of ~2,000 bytes (LONG_LINES, not LINES:"
echo "  a million would be 2 GB, and the row is about the cost per byte); medians of $runs runs"
echo
echo "1. corvane number FILE against nl -ba -wW -s: FILE (W = digits of the line count);"
echo "   seconds, alternating pair by pair, output to /dev/null; ok: wall ratio <= $target"
printf '%-15s %8s %8s %9s %8s %8s %8s %8s %7s %7s %7s %7s %s\n' \
  input lines MiB output nl-wall nl-cpu cv-wall cv-cpu wall-x cpu-x floor cv/flr verdict
while read -r k count size same w_nl c_nl w_cv c_cv w_cat; do
  rw=$(ratio "$w_cv" "$w_nl"); rc_=$(ratio "$c_cv" "$c_nl"); v=$(verdict "$rw" "$target")
  [ "$same" = same ] || v=FAIL
  [ "$v" = FAIL ] && fail
  printf '%-15s %8s %8s %9s %8s %8s %8s %8s %7s %7s %7s %7s %s\n' "$k" "$count" \
    "$(mib $((size / 1024)))" "$same" "$w_nl" "$c_nl" "$w_cv" "$c_cv" "$rw" "$rc_" "$w_cat" \
    "$(ratio "$w_cv" "$w_cat")" "$v"
done < "$work/t1"
echo "   mixed-utf16le/-be: corvane reads the UTF-16 file, nl the UTF-8 mixed-crlf file; the"
echo "   outputs are compared in UTF-8; japanese-cp932 likewise with the japanese-lf file"
echo "   floor: cat FILE to /dev/null, wall seconds; cv/flr: corvane's wall time over it"
while read -r k count w_catn; do
  w_cv=$(awk -v k="$k" '$1 == k { print $7 }' "$work/t1")
  r=$(ratio "$w_cv" "$w_catn"); v=$(verdict "$r" "$cat_target")
  [ "$v" = FAIL ] && fail
  echo "   $k: cat -n FILE $w_catn s, corvane number $w_cv s, ratio $r (ok: <= $cat_target) $v"
done < "$work/t1n"

echo
echo "2. every other command against corvane number on the same input, alternating run by run:"
echo "   median wall seconds of both, ratios; ok: wall ratio <= $cmd_target and the output as it"
echo "   must be (same: checked, -: nothing to check it against)"
printf '%-15s %-19s %9s %8s %8s %7s %7s %s\n' input command output wall number wall-x cpu-x verdict
while IFS=$'\t' read -r k label check wall n_wall cpu n_cpu; do
  r=$(ratio "$wall" "$n_wall"); rc_=$(ratio "$cpu" "$n_cpu"); v=$(verdict "$r" "$cmd_target")
  case $check in same | -) ;; *) v=FAIL ;; esac
  [ "$v" = FAIL ] && fail
  printf '%-15s %-19s %9s %8s %8s %7s %7s %s\n' "$k" "$label" "$check" "$wall" "$n_wall" "$r" "$rc_" "$v"
done < "$work/t2"
echo "   continue: the file as it is (passes unchanged); continue 1:: its first line begins with 1:"
echo "   delete, delete-number-only, dedent, tidy: on the output of corvane number"

echo
echo "   each form against the N: form of the same command, alternating in $form_runs pairs of"
echo "   their own, the median of the pairs' wall ratios: ok at most $form_target ($width_target"
echo "   for number -w 7, against number itself)"
printf '%-15s %9s %9s %9s %9s %s\n' input num-w7 del-nl del-list ren-list verdict
while read -r k w7 dnl dlist rlist; do
  v=ok
  for r in "$dnl" "$dlist" "$rlist"; do [ "$(verdict "$r" "$form_target")" = ok ] || v=FAIL; done
  [ "$(verdict "$w7" "$width_target")" = ok ] || v=FAIL
  [ "$v" = FAIL ] && fail
  printf '%-15s %9s %9s %9s %9s %s\n' "$k" "$w7" "$dnl" "$dlist" "$rlist" "$v"
done < <(awk -F'\t' '
  function x(k, l) { return (k SUBSEP l) in r ? r[k, l] : "n/a" }
  { r[$1, $2] = $3 }
  !($1 in seen) { seen[$1] = 1; order[++n] = $1 }
  END {
    for (i = 1; i <= n; i++) {
      k = order[i]
      print k, x(k, "number -w 7"), x(k, "delete --form=nl"), x(k, "delete --form=list"),
            x(k, "renumber (list)")
    }
  }' "$work/t5")

echo
echo "3. peak RSS, MiB (/usr/bin/time %M); ok: every corvane command <= $mem_limit MiB"
cols=(nl number "${cmd_labels[@]}")
heads=(nl number cont "cont1:" delete del-num dedent tidy copy copy-t num-w7 num-ln del-nl
  del-lst renum ren-lst)
printf '%-15s %8s' input file
printf ' %7s' "${heads[@]}"; echo " verdict"
for k in "${inputs[@]}"; do
  grep -q "^$k"$'\t' "$work/t3" || continue
  size=$(awk -v k="$k" '$1 == k { print $3 }' "$work/t1")
  printf '%-15s %8s' "$k" "$(mib $((size / 1024)))"
  v=ok
  for c in "${cols[@]}"; do
    kib=$(awk -F'\t' -v k="$k" -v c="$c" '$1 == k && $2 == c { print $3 }' "$work/t3")
    m=$(mib "${kib:-0}")
    printf ' %7s' "$m"
    if [ "$c" != nl ] && awk -v m="$m" -v t="$mem_limit" 'BEGIN { exit !(m + 0 > t + 0) }'; then v=FAIL; fi
  done
  [ "$v" = FAIL ] && fail
  echo " $v"
done

echo
if [ "$big" = 1 ]; then
  echo "4. peak RSS on $big_lines lines of mixed CR LF text ($(mib $((big_size / 1024))) MiB); ok: <= $mem_limit MiB"
  printf '%-19s %9s %9s %s\n' command output MiB verdict
  while IFS=$'\t' read -r label kib check; do
    m=$(mib "$kib")
    v=$(awk -v m="$m" -v t="$mem_limit" 'BEGIN { print (m + 0 <= t + 0 ? "ok" : "FAIL") }')
    case $check in same | -) ;; *) v=FAIL ;; esac
    [ "$v" = FAIL ] && fail
    printf '%-19s %9s %9s %s\n' "$label" "$check" "$m" "$v"
  done < "$work/t4"
  printf '%-19s %9s %9s %s\n' "(nl, yardstick)" - "$(mib "$big_nl")" -
else
  echo "4. peak RSS on $big_lines lines: skipped (BIG=0)"
fi

echo
if [ "$fails" = 0 ]; then echo "all rows ok"; exit 0; fi
echo "$fails row(s) FAIL"
exit 1
