# Sourced by the comparison scripts: generators of their inputs, one for each kind of text.

# gen_ascii LINES: words, blanks, tabs, colons and digits, about 38 bytes a line, CR LF, the
# kinds of text a numbered listing holds; a fixed seed, so every run times the same bytes.
gen_ascii() {
  awk -v lines="$1" 'BEGIN {
    srand(20240601)
    split("int return value:key if else 0x1F while the 12 for { } ; // alpha\tbeta x=y:z", w, " ")
    n = length(w)
    for (i = 0; i < lines; i++) {
      s = (rand() < 0.2) ? "    " : ""
      while (length(s) < 38) s = s w[int(rand() * n) + 1] " "
      printf "%s\r\n", substr(s, 1, 38)
    }
  }'
}

# gen_py KIND LINES: mixed-crlf (Japanese and English, about a third of the characters
# non-ASCII, CR LF), japanese-lf, short-lf (0-3 characters) or long-lf (~2,000 bytes), fixed seed.
gen_py() {  # KIND LINES
  python3 - "$1" "$2" <<'PY'
import random, sys
kind, count = sys.argv[1], int(sys.argv[2])
rnd = random.Random(20240601)
JA = ("これは ファイル 行番号 を 削除 します 挿入 した テキスト の 設定 変更 確認 文字列 "
      "データ サーバー エディタ 「 」 （ ） 、 。 ： ！ ？ 　 表示 する ません 日本語 漢字 "
      "かな カタカナ 一覧 番号 処理 終了 開始 ０１ ２３ です ます が は に").split(" ")
EN = [w + " " for w in ("int return value:key if else 0x1F while the 12 for { } ; // "
                        "alpha\tbeta x=y:z file line number copy tidy 2024 main() delete").split(" ")]
FEW = ("1", "23", "-", ".", "(3)", "5:", "/")

def words(pool, weights, target, head=""):
    parts, n = [head], len(head)
    while n < target:
        for w in rnd.choices(pool, weights, k=16):
            parts.append(w); n += len(w)
            if n >= target:
                break
    return "".join(parts)

MIX, MIXW = JA + EN, [0.6 / len(JA)] * len(JA) + [0.4 / len(EN)] * len(EN)
JAP, JAPW = JA + list(FEW), [0.96 / len(JA)] * len(JA) + [0.04 / len(FEW)] * len(FEW)

def mixed():
    r = rnd.random()
    if r < 0.03:
        return ""
    return words(MIX, MIXW, rnd.randint(28, 48), "    " if r < 0.2 else "")

def japanese():
    r = rnd.random()
    if r < 0.03:
        return ""
    return words(JAP, JAPW, rnd.randint(18, 36), "　" if r < 0.1 else "")

def short():
    return "".join(rnd.choices("ab xyz.\t1:", k=rnd.randint(0, 3)))

def long():
    return words(EN, None, rnd.randint(1900, 2100))

make, eol = {"mixed-crlf": (mixed, "\r\n"), "japanese-lf": (japanese, "\n"),
             "short-lf": (short, "\n"), "long-lf": (long, "\n")}[kind]
out = sys.stdout.buffer
left = count
while left:
    n = min(left, 20000)
    out.write("".join(make() + eol for _ in range(n)).encode())
    left -= n
PY
}
