#!/usr/bin/env bash
# Shows Corvane at work: builds Corvane.dll and the test host corvane-host.exe (once), then runs
# the real DLL inside the host under wine on a document, picks an item of the plug-in's real
# popup menu, and prints the document before and after (and the clipboard for the copies).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  cat <<'EOF'
usage: scripts/demo.sh [--arch win32|win64] [--doc FILE] [--lines A-B] [--command ID|NAME]
                       [--readonly] [--build-dir DIR]

  --arch      which build of the DLL to run (default win64)
  --doc       the document (UTF-8, UTF-16 with BOM or Shift_JIS; default examples/memo.txt)
  --lines     the lines to select, counted from 1, e.g. 3-5 or 4 (default: nothing selected,
              so the command works on the whole document)
  --command   the menu item to choose, by id or name (default 1):

     id  name                menu text
      1  number              行番号挿入 > 行番号を1番から挿入
      2  reverse             行番号挿入 > 行番号を逆順に挿入
      3  file-number         行番号挿入 > ファイル行番号を挿入
      5  plus1               行番号挿入 > 先頭で指定した行番号を挿入 > ＋１
      6  plus10              行番号挿入 > 先頭で指定した行番号を挿入 > ＋１０
      7  minus1              行番号挿入 > 先頭で指定した行番号を挿入 > －１
      8  minus10             行番号挿入 > 先頭で指定した行番号を挿入 > －１０
      4  delete              行番号削除
     11  tidy                行番号テキストの整形 > 全て実行
      9  delete-number-only  行番号テキストの整形 > 行番号のみの行を削除
     10  delete-indent       行番号テキストの整形 > 行番号以降の余分なインデントの削除
     13  copy-tidied         コピー > ファイル行番号を挿入して整形後コピー
     12  copy-numbered       コピー > ファイル行番号を挿入してコピー
     14  copy-deleted        コピー > 行番号を削除してコピー
      0  cancel              キャンセル

  --readonly  the host reports the document as read-only (the editing items are grayed)
  --build-dir where to build (default build/<arch>)

Examples:
  scripts/demo.sh
  scripts/demo.sh --doc examples/numbered.txt --command tidy
  scripts/demo.sh --doc examples/continue.txt --command plus10
  scripts/demo.sh --lines 3-6 --command copy-numbered --arch win32
EOF
}

arch=win64
doc=$root/examples/memo.txt
lines=
command=1
readonly_doc=
build_dir=
while [ $# -gt 0 ]; do
  case $1 in
    -h|--help) usage; exit 0 ;;
    --arch) arch=${2:?--arch needs win32 or win64}; shift 2 ;;
    --doc) doc=${2:?--doc needs a file}; shift 2 ;;
    --lines) lines=${2:?--lines needs A-B}; shift 2 ;;
    --command) command=${2:?--command needs an id or a name}; shift 2 ;;
    --readonly) readonly_doc=1; shift ;;
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift 2 ;;
    *) echo "demo.sh: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
case $arch in win32|win64) ;; *) echo "demo.sh: --arch is win32 or win64" >&2; exit 2 ;; esac
[ -f "$doc" ] || { echo "demo.sh: no such document: $doc" >&2; exit 2; }
doc=$(cd "$(dirname "$doc")" && pwd)/$(basename "$doc")

names=(cancel number reverse file-number delete plus1 plus10 minus1 minus10 delete-number-only
       delete-indent tidy copy-numbered copy-tidied copy-deleted)
id=
if [[ $command =~ ^[0-9]+$ ]] && [ "$command" -le 14 ]; then
  id=$((10#$command))
else
  for i in "${!names[@]}"; do [ "${names[$i]}" = "$command" ] && id=$i; done
fi
[ -n "$id" ] || { echo "demo.sh: unknown command '$command' (see --help)" >&2; exit 2; }

# 1. What the build and wine need (Debian 12; installs only what is missing).
. "$root/scripts/build-plugin.sh"
install_deps

# 2. The document as the host reads it (UTF-8), and the selection.
work=$(mktemp -d /tmp/corvane-demo.XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$doc" "$work/doc.txt" "$lines" >"$work/select" <<'PY'
import re, sys
src, dst, lines = sys.argv[1:4]
raw = open(src, "rb").read()
for enc in ("utf-8-sig", "utf-16", "cp932"):
    if enc == "utf-16" and not raw.startswith((b"\xff\xfe", b"\xfe\xff")):
        continue
    try:
        text = raw.decode(enc)
        break
    except UnicodeDecodeError:
        pass
else:
    sys.exit("demo.sh: the document is neither UTF-8, UTF-16 nor Shift_JIS")
open(dst, "wb").write(text.encode("utf-8"))
if lines:
    m = re.fullmatch(r"(\d+)(?:-(\d+))?", lines)
    if not m:
        sys.exit("demo.sh: --lines needs A-B or A, counted from 1")
    first, last = int(m.group(1)), int(m.group(2) or m.group(1))
    doc_lines = re.split(r"\r\n|\r|\n", text)  # the host's lines: one more after a final break
    if not 1 <= first <= last <= len(doc_lines):
        sys.exit("demo.sh: --lines %s is outside the document's lines 1-%d" % (lines, len(doc_lines)))
    # From the start of the first line to the start of the line after the last (or its end).
    end = "%d:0" % last if last < len(doc_lines) else "%d:%d" % (last - 1, len(doc_lines[-1]))
    print("%d:0-%s" % (first - 1, end))
PY

# 3. Corvane.dll and corvane-host.exe, built when missing or out of date.
build=${build_dir:-$root/build/$arch}
build_plugin "$arch" "$build" demo.sh
dll=$build/Corvane/Corvane.dll
host=$build/host/win/corvane-host.exe

# 4. One run under wine.
args=(--dll "$dll" --doc "$work/doc.txt" --path "Z:${doc//\//\\}" --out "$work/report.txt")
[ -n "$(cat "$work/select")" ] && args+=(--select "$(cat "$work/select")")
[ -n "$readonly_doc" ] && args+=(--readonly)
if [ "$id" -eq 0 ]; then args+=(--choose cancel); else args+=(--choose "$id"); fi
set +e
"$root/cmake/wine-run.sh" "$arch" "$host" "${args[@]}" >/dev/null 2>"$work/stderr"
status=$?
set -e
if [ ! -s "$work/report.txt" ]; then
  cat "$work/stderr" >&2
  echo "demo.sh: corvane-host.exe failed (exit $status)" >&2
  exit 1
fi

# 5. The report, readable.
python3 - "$work/report.txt" "$arch" "${doc#"$root"/}" "$lines" "$id" <<'PY'
import re, sys
report, arch, doc, lines, ident = sys.argv[1:6]
ident = int(ident)
pairs = [l.partition("=")[::2] for l in open(report, encoding="utf-8").read().splitlines() if l]
values = dict(pairs)
esc = re.compile(r"\\(\\|r|n|t|x[0-9A-F]{2}|u[0-9A-F]{4})")
def text(key):
    return esc.sub(lambda m: {"\\": "\\", "r": "\r", "n": "\n", "t": "\t"}.get(m.group(1))
                   or chr(int(m.group(1)[1:], 16)), values.get(key, ""))

menu = [v.split("\t") for k, v in pairs if k == "menu"]
label = {int(i): t for p, kind, i, f, t in menu if kind == "item"}
title = {p: t for p, kind, i, f, t in menu}
path_of = {int(i): p for p, kind, i, f, t in menu if kind == "item"}
def trail(ident):
    p = path_of.get(ident, "")
    parts = p.split(".")
    return " > ".join(title[".".join(parts[:n])] for n in range(1, len(parts) + 1)) if p else "?"

BREAKS = {"\r\n": "␍␊", "\r": "␍", "\n": "␊"}
def show(body, marked=(), numbered=True):
    items = re.findall(r"[^\r\n]*(?:\r\n|\r|\n)|[^\r\n]+$", body)
    if not items:
        print("      (empty)")
    for n, item in enumerate(items, 1):
        content = item.rstrip("\r\n")
        mark = ">" if n in marked else " "
        row = "%3d" % n if numbered else "   "
        print("  %s %s  %s%s" % (mark, row, content.replace("\t", "→"), BREAKS.get(item[len(content):], "")))

def line_range(start, end):
    (sy, sx), (ey, ex) = [map(int, p.split(":")) for p in (start, end)]
    if (sy, sx) == (ey, ex):
        return ()
    return range(sy + 1, ey + (1 if ex > 0 else 0) + 1)

print()
print("Corvane.dll (%s) in corvane-host.exe under wine — %s" % (values.get("host", arch), doc))
print("Popup menu of the plug-in (as Windows built it; * = grayed, ▶ = chosen):")
for p, kind, i, f, t in menu:
    depth = p.count(".")
    if kind == "separator":
        print("    " + "  " * depth + "────────")
        continue
    grayed = "*" if int(f, 16) & 1 else " "
    chosen = "▶" if kind == "item" and int(i) == ident else " "
    print("  %s%s%s%s%s" % (chosen, grayed, "  " * depth, t, " ▸" if kind == "popup" else ""))
print()
where = "lines " + lines if lines else "nothing selected: the whole document"
print("Command %d: %s   (%s)" % (ident, trail(ident), where))
result = values.get("choose.result")
if result == "grayed":
    print("  The item is grayed (read-only document): Windows would not let it be chosen.")
elif result != "chosen" and ident != 0:
    print("  The menu choice did not happen: %s" % result)

before = text("doc.before")
sel = line_range(*sorted([values["selection.before.anchor"], values["selection.before.active"]],
                         key=lambda p: tuple(map(int, p.split(":")))))
print()
print("Before (> = selected):")
show(before, sel)
print()
after = text("doc.after")
selected = line_range(values["selection.start"], values["selection.end"])
if after == before:
    span = ("line %d" % selected[0] if len(selected) == 1 else
            "lines %d-%d" % (selected[0], selected[-1])) if selected else ""
    print("After: the document is unchanged" + (", %s selected." % span if span else "."))
else:
    print("After (> = selected):")
    show(after, selected)
caret = values["caret"].split(":")
print("  caret: line %d, column %d; redraw %s" % (int(caret[0]) + 1, int(caret[1]) + 1,
                                               values.get("redraw", "?")))
if "clipboard.unicode" in values:
    clip = text("clipboard.unicode")
    print()
    print("Clipboard (CF_UNICODETEXT):")
    show(clip, numbered=False)
    ansi = bytes.fromhex(values.get("clipboard.text.hex", ""))
    same = ansi == clip.encode("cp932", "replace")
    print("  CF_TEXT: %d bytes in code page 932%s" % (len(ansi), ", the same text" if same else ""))
for a in [v for k, v in pairs if k == "anomaly"]:
    print("  host anomaly: " + a)
sys.exit(0 if result == "chosen" or (ident == 0 and result == "cancelled") else 1)
PY
