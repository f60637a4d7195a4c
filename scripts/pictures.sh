#!/usr/bin/env bash
# Takes the pictures of docs/: the real Corvane.dll in corvane-host.exe under wine on a private
# virtual X display with a Japanese font.
#   docs/menu.png          the host window with the plug-in's popup menu open on
#                          行番号挿入 > 行番号を1番から挿入
#   docs/before-after.png  the same document before and after that command, side by side
# The host pauses (--hold) before the command, with the menu open and after the command, and
# says where its window and menus are (--hold-note); each pause is photographed and cropped.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  cat <<'EOF'
usage: scripts/pictures.sh [--arch win32|win64] [--build-dir DIR] [--out DIR] [--keep DIR]

  --arch       which build of the DLL and the host to photograph (default win64)
  --build-dir  where to build (default build/<arch>)
  --out        where the PNGs go (default docs/)
  --keep       also keep the uncropped screenshots and the host's report there
EOF
}

arch=win64
build_dir=
out=$root/docs
keep=
while [ $# -gt 0 ]; do
  case $1 in
    -h|--help) usage; exit 0 ;;
    --arch) arch=${2:?--arch needs win32 or win64}; shift 2 ;;
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift 2 ;;
    --out) out=${2:?--out needs a directory}; shift 2 ;;
    --keep) keep=${2:?--keep needs a directory}; shift 2 ;;
    *) echo "pictures.sh: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
case $arch in win32|win64) ;; *) echo "pictures.sh: --arch is win32 or win64" >&2; exit 2 ;; esac
mkdir -p "$out"
out=$(cd "$out" && pwd)

# 1. Build tools, wine, Xvfb, ImageMagick and the fonts (Debian 12; installs what is missing).
. "$root/scripts/lib/build.sh"
. "$root/scripts/lib/xvfb.sh"
install_deps

# 2. Corvane.dll and corvane-host.exe, built when missing or out of date.
build=${build_dir:-$root/build/$arch}
build_plugin "$arch" "$build" pictures.sh
dll=$build/Corvane/Corvane.dll
host=$build/host/win/corvane-host.exe

work=$(mktemp -d /tmp/corvane-pictures.XXXXXX)
# A prefix of its own, so the font settings below never reach the test prefixes.
export CORVANE_WINE_HOME=$root/build/pictures-wine
cleanup() {
  WINEPREFIX=$CORVANE_WINE_HOME/$arch /usr/lib/wine/wineserver -k 2>/dev/null || true
  xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT

# 3. A virtual screen of our own: nothing else is drawn on it.
xvfb_start 90 pictures.sh -wr
export CORVANE_WINE_DISPLAY=$DISPLAY  # wine-run.sh shows the windows there

# 4. The prefix: made by wine-run.sh on first use; then the fonts. Windows' own UI faces
# (menus, captions, dialogs) are not installed here, so they are replaced by Noto Sans CJK JP,
# which has the Japanese glyphs; wine's Marlett draws the caption buttons.
prefix=$CORVANE_WINE_HOME/$arch
ui_font="Noto Sans CJK JP"
doc_font="Noto Sans Mono CJK JP"
fc-list : family | grep -qx "$ui_font" || { echo "pictures.sh: font '$ui_font' missing (fonts-noto-cjk)" >&2; exit 1; }
if [ ! -f "$prefix/.corvane-fonts" ]; then
  echo "Preparing the wine prefix ${prefix#"$root"/} ..."
  for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS UI Gothic" "MS Sans Serif" "Segoe UI" \
              "MS Gothic" "MS PGothic" "Meiryo UI" "Yu Gothic UI"; do
    "$root/cmake/wine-run.sh" "$arch" reg add 'HKCU\Software\Wine\Fonts\Replacements' \
      /v "$face" /d "$ui_font" /f >/dev/null 2>&1
  done
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
  fi
  # The server outlives its programs; ending it now writes the registry out.
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w || true
  touch "$prefix/.corvane-fonts"
fi

# 5. One run of the host: numbers examples/memo.txt from 1, pausing at each stage.
doc=$root/examples/memo.txt
note=$work/note.txt
report=$work/report.txt
"$root/cmake/wine-run.sh" "$arch" "$host" --dll "$dll" --doc "$doc" --path 'C:\メモ\memo.txt' \
  --choose 1 --hold 3000 --hold-note "$note" --pointer 372:40 --window 600x390 \
  --font "$doc_font" --out "$report" >/dev/null 2>"$work/stderr" &
host_pid=$!

# Photographs a stage once the host has announced it; the file is cropped to the rectangle
# the host gave (window and open menus, in screen coordinates).
shoot() {
  local stage=$1 file=$2 deadline=$((SECONDS + 180)) line
  while :; do
    line=$(grep -m1 "^$stage " "$note" 2>/dev/null || true)
    [ -n "$line" ] && break
    if ! kill -0 "$host_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      cat "$work/stderr" >&2
      echo "pictures.sh: the host never showed the '$stage' stage" >&2
      exit 1
    fi
    sleep 0.1
  done
  read -r _ left top right bottom <<<"$line"
  sleep 0.4  # the rest of the paint
  import -window root "$work/$stage-screen.png"
  convert "$work/$stage-screen.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
    "$file"
  [ -z "$keep" ] || cp "$work/$stage-screen.png" "$keep/"
}
[ -z "$keep" ] || mkdir -p "$keep"
shoot before "$work/before.png"
shoot menu "$out/menu.png"
shoot after "$work/after.png"
wait "$host_pid" || { cat "$work/stderr" >&2; echo "pictures.sh: the host failed" >&2; exit 1; }
[ -z "$keep" ] || cp "$report" "$keep/"

# The pictures must show what they claim: the item was chosen and the document numbered.
grep -qx 'choose.result=chosen' "$report" && grep -qx 'doc.changed=1' "$report" ||
  { echo "pictures.sh: the command did not number the document:" >&2; cat "$report" >&2; exit 1; }

# 6. Before and after side by side, each under a caption.
font_file=$(fc-match -f '%{file}' "$ui_font")
caption() {  # caption TEXT IN OUT
  local width
  width=$(identify -format %w "$2")
  convert \( -size "${width}x30" xc:white -font "$font_file" -pointsize 15 -fill '#202020' \
             -gravity West -annotate +6+0 "$1" \) "$2" -append "$3"
}
caption "前 (before): examples/memo.txt" "$work/before.png" "$work/before-c.png"
caption "後 (after): 行番号挿入 > 行番号を1番から挿入" "$work/after.png" "$work/after-c.png"
convert "$work/before-c.png" \( -size 16x1 xc:white \) "$work/after-c.png" -background white \
  -gravity North +append -strip "$out/before-after.png"
convert "$out/menu.png" -strip "$out/menu.png"

# A blank or one-colour shot means nothing was drawn.
for f in "$out/menu.png" "$out/before-after.png"; do
  colours=$(identify -format %k "$f")
  [ "$colours" -ge 16 ] || { echo "pictures.sh: $f has only $colours colours" >&2; exit 1; }
  echo "wrote ${f#"$root"/} ($(identify -format '%wx%h' "$f"), $colours colours)"
done
