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
. "$root/scripts/lib/build.sh"
install_deps

# 2. The document as the host reads it (UTF-8), and the selection.
work=$(mktemp -d /tmp/corvane-demo.XXXXXX)
trap 'rm -rf "$work"' EXIT
demo_host=(python3 "$root/scripts/lib/demo_host.py")
"${demo_host[@]}" prepare "$doc" "$lines" "$work/doc.txt" >"$work/select"

# 3. Corvane.dll and corvane-host.exe, built when missing or out of date.
build=${build_dir:-$root/build/$arch}
build_plugin "$arch" "$build" demo.sh
dll=$build/Corvane/Corvane.dll
host=$build/host/win/corvane-host.exe

# 4. One run under wine, and its report, readable.
args=(--path "Z:${doc//\//\\}")
[ -n "$(cat "$work/select")" ] && args+=(--select "$(cat "$work/select")")
[ -n "$readonly_doc" ] && args+=(--readonly)
if [ "$id" -eq 0 ]; then args+=(--choose cancel); else args+=(--choose "$id"); fi
"${demo_host[@]}" run --runner "$root/cmake/wine-run.sh" --arch "$arch" --host "$host" --dll "$dll" \
  --work "$work" --doc "$work/doc.txt" --label "${doc#"$root"/}" --lines "$lines" --id "$id" \
  -- "${args[@]}"
