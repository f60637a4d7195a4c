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

