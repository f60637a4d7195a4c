#!/usr/bin/env python3
"""`corvane renumber --form=list` against cmark, a real CommonMark implementation (libcmark,
in-process through ctypes): for every document the HTML of the output is the HTML of the
input, and every ordered list of the output counts on by one from its first item (and, for
every fourth random one, renumbering the output changes nothing). A table of
hand-written documents (with the output each must give) and random documents.

Usage: MarkdownListsTest.py path/to/corvane [random-documents]   (default 2000)
"""
import ctypes
import ctypes.util
import random
import re
import subprocess
import sys
import unittest

CORVANE = None
DOCUMENTS = 2000


class CMark:
    """libcmark: HTML of a document, and the ordered lists of its tree with their items'
    positions."""
    UNSAFE, SOURCEPOS = 1 << 17, 1 << 1
    LIST, ORDERED = 3, 2

    def __init__(self):
        name = ctypes.util.find_library("cmark")
        if name is None:
            raise RuntimeError("libcmark not found (Debian: libcmark0.30.2, with cmark)")
        lib = ctypes.CDLL(name)
        self.libc = ctypes.CDLL(None)
        self.libc.free.argtypes = [ctypes.c_void_p]
        lib.cmark_markdown_to_html.restype = ctypes.c_void_p
        lib.cmark_markdown_to_html.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_int]
        lib.cmark_parse_document.restype = ctypes.c_void_p
        lib.cmark_parse_document.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_int]
        for f in ["first_child", "next"]:
            getattr(lib, "cmark_node_" + f).restype = ctypes.c_void_p
            getattr(lib, "cmark_node_" + f).argtypes = [ctypes.c_void_p]
        for f in ["get_type", "get_list_type", "get_list_start", "get_start_line",
                  "get_start_column"]:
            getattr(lib, "cmark_node_" + f).argtypes = [ctypes.c_void_p]
        lib.cmark_node_free.argtypes = [ctypes.c_void_p]
        self.lib = lib

    def html(self, doc, raw=True):
        p = self.lib.cmark_markdown_to_html(doc, len(doc), self.UNSAFE if raw else 0)
        out = ctypes.string_at(p)
        self.libc.free(p)
        return out

    def ordered_lists(self, doc):
        """[(start, [(line, column) of each item])] for every ordered list, 1-based."""
        lib, lists = self.lib, []

        def walk(node):
            while node:
                if (lib.cmark_node_get_type(node) == self.LIST
                        and lib.cmark_node_get_list_type(node) == self.ORDERED):
                    items, item = [], lib.cmark_node_first_child(node)
                    while item:
                        items.append((lib.cmark_node_get_start_line(item),
                                      lib.cmark_node_get_start_column(item)))
                        item = lib.cmark_node_next(item)
                    lists.append((lib.cmark_node_get_list_start(node), items))
                walk(lib.cmark_node_first_child(node))
                node = lib.cmark_node_next(node)

        root = lib.cmark_parse_document(doc, len(doc), self.SOURCEPOS)
        walk(lib.cmark_node_first_child(root))
        lib.cmark_node_free(root)
        return lists


def cmark_lines(doc):
    # cmark's lines: a break is CR LF, CR or LF.
    return doc.replace(b"\r\n", b"\n").replace(b"\r", b"\n").split(b"\n")


def renumber(doc, args=()):
    p = subprocess.run([CORVANE, "renumber", "--form=list", *args], input=doc,
                       capture_output=True, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


class Oracle(unittest.TestCase):
    cmark = None

    @classmethod
    def setUpClass(cls):
        cls.cmark = CMark()

    def check(self, doc, out, raw=True, blanks=False):
        """The output reads as the input does, and its lists count on by one (raw: with raw
        HTML written out, else left out; blanks: a tab in code read as the blanks it stood
        for, runs of blanks and tabs compared as one)."""
        html = [self.cmark.html(out, raw), self.cmark.html(doc, raw)]
        if blanks:
            html = [re.sub(rb"[ \t]+", b" ", h) for h in html]
        self.assertEqual(*html, "HTML differs")
        lines = cmark_lines(out)
        for start, items in self.cmark.ordered_lists(out):
            for k, (line, column) in enumerate(items):
                text = lines[line - 1][column - 1:]
                digits = text[:len(text) - len(text.lstrip(b"0123456789"))]
                self.assertEqual(int(digits), start + k, f"item {k} of the list on line {line}")

    # (name, input, output[, "no raw HTML" | "blanks"]): LF breaks; every row also goes
    # through the oracle (see check()).
    ROWS = [
        ("counts on", "1. a\n1. b\n1. c\n", "1. a\n2. b\n3. c\n"),
        ("keeps the first number", "7) a\n1) b\n", "7) a\n8) b\n"),
        ("zero-filled", "08. a\n1. b\n1. c\n", "08. a\n09. b\n10. c\n"),
        ("nested lists count on their own",
         "1. a\n\n   3. x\n   3. y\n1. b\n", "1. a\n\n   3. x\n   4. y\n2. b\n"),
        ("only 1 starts a list inside an item's text",
         "1. a\n   3. x\n   1. y\n   1. z\n", "1. a\n   3. x\n   1. y\n   2. z\n"),
        ("'.' and ')' are two lists", "1. a\n1) b\n1) c\n", "1. a\n1) b\n2) c\n"),
        ("a paragraph ends a list", "1. a\n\ntext\n\n1. b\n", "1. a\n\ntext\n\n1. b\n"),
        ("lazy lines stay in the item", "1. a\nlazy\n1. b\n", "1. a\nlazy\n2. b\n"),
        ("lines of the item's text after tabs",
         "100. a\n\tlazy\n   \t in\n1. b\n  \t  in\n1. c\n",
         "100. a\n\tlazy\n   \t in\n101. b\n        in\n102. c\n"),
        ("only 1 interrupts a paragraph", "text\n2. no\n1. yes\n1. b\n",
         "text\n2. no\n1. yes\n2. b\n"),
        ("fenced code", "1. a\n```\n1. x\n```\n1. b\n", "1. a\n```\n1. x\n```\n1. b\n"),
        ("fenced code in an item", "1. a\n   ```\n   1. x\n   ```\n1. b\n",
         "1. a\n   ```\n   1. x\n   ```\n2. b\n"),
        ("indented code", "    1. x\n    1. y\n", "    1. x\n    1. y\n"),
        ("a quote's own list", "> 1. a\n> 1. b\n1. c\n", "> 1. a\n> 2. b\n1. c\n"),
        ("a list in a quote in an item", "1. > 4. a\n   > 4. b\n1. c\n",
         "1. > 4. a\n   > 5. b\n2. c\n"),
        ("HTML block", "<div>\n1. a\n1. b\n</div>\n", "<div>\n1. a\n1. b\n</div>\n"),
        ("wider: the blanks give room", "9.  a\n    more\n9.  b\n    more\n",
         "9.  a\n    more\n10. b\n    more\n"),
        ("wider: the lines move right", "9. a\n   more\n\n       code\n9. b\n   more\n\n       code\n",
         "9. a\n   more\n\n       code\n10. b\n    more\n\n        code\n"),
        ("wider: a nested list moves too", "9. a\n9. b\n   1. x\n   1. y\n      z\n",
         "9. a\n10. b\n    1. x\n    2. y\n       z\n"),
        ("narrower: the lines stay", "1. a\n100. b\n     more\n\n         code\n",
         "1. a\n2.   b\n     more\n\n         code\n"),
        ("narrower beyond four blanks: zeros", "1. a\n10000000. b\n          more\n",
         "1. a\n00000002. b\n          more\n"),
        ("narrower with code on the first line", "1. a\n100.      code\n",
         "1. a\n002.      code\n"),
        ("an empty item", "1.\n1.\n   a\n", "1.\n2.\n   a\n"),
        ("a tab after the marker gives room", "9. a\n9.\tb\n\tmore\n\n\t\tcode\n",
         "9. a\n10. b\n\tmore\n\n\t\tcode\n"),
        ("tabs become blanks when lines move", "9. a\n9. b\n\n   \t   code\n   \tx\n",
         "9. a\n10. b\n\n        code\n     x\n"),
        ("setext heading ends the paragraph", "a\n===\n2. b\n2. c\n", "a\n===\n2. b\n3. c\n"),
        ("bullets and thematic breaks", "- a\n1. b\n1. c\n* * *\n1. d\n",
         "- a\n1. b\n2. c\n* * *\n1. d\n"),
        ("ten digits are no marker", "1. a\n1234567890. b\n1. c\n", "1. a\n1234567890. b\n2. c\n"),
        ("a tab before a fence stays: its units set the blanks its lines lose",
         "  9. a\n  9. b\n     \t```\n        x\n     ```\n",
         "  9. a\n  10. b\n      \t```\n         x\n      ```\n"),
        ("a tab before HTML that would now make it code: the blanks it stood for",
         "9. a\n9. b\n   \t<div>\n", "9. a\n10. b\n     <div>\n", "no raw HTML"),
        ("a fence after a tab the structure took in part: blanks, the fence's offset kept",
         "9. a\n9. b\n\n\t-\n    \t~~~\n    \t  x\n",
         "9. a\n10. b\n\n     -\n        ~~~\n           x\n"),
        ("a code line's tab that would widen into a nested item: the blanks it stood for",
         "10.\n   9.\n\t     00.\n           \t1\n",
         "10.\n   11.\n\t      00.\n             1\n", "blanks"),
        ("... and in a quote",
         "00)\n9)\n   >  0.\t#\n\t>      \tx\n",
         "00)\n01)\n    >  0.    #\n     >       x\n", "blanks"),
        ("a code line that closes its fence but for a tab: the blanks it stood for",
         "01.\n2.\n\t  1220.\n        \t~~~\n            \t~~~\n",
         "01.\n02.\n       1220.\n             ~~~\n                 ~~~\n", "blanks"),
        ("... and before HTML",
         "99.\n0.\n\t-  3) b\n\n       \t<div>\n",
         "99.\n100.\n      -  3) b\n\n          <div>\n", "no raw HTML"),
    ]

    def test_table(self):
        for name, given, want, *how in self.ROWS:
            with self.subTest(name):
                code, out, err = renumber(given.encode())
                self.assertEqual((code, err), (0, ""))
                self.assertEqual(out.decode(), want)
                self.check(given.encode(), out, raw=how != ["no raw HTML"], blanks=how == ["blanks"])

    def test_random_documents(self):
        rng = random.Random(20261208)
        for case in range(DOCUMENTS):
            doc = random_document(rng)
            with self.subTest(case=case):
                code, out, err = renumber(doc)
                self.assertEqual((code, err), (0, ""), doc)
                try:
                    self.check(doc, out)
                    if case % 4 == 0:  # lists that count on are left as they are
                        self.assertEqual(renumber(out)[1], out, "a second renumbering differs")
                except AssertionError as e:
                    raise AssertionError(f"{e}\ninput:  {doc!r}\noutput: {out!r}") from None


# ---------------------------------------------------------------- random documents

WORDS = ["alpha", "beta", "*em*", "`x`", "a:b", "1.5", "行", "é", "<b>", "3)", "-", "#"]


def text(rng):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4)))


def marker(rng, style):
    if style in "-+*":
        return style
    number = rng.choice([1, 1, 1, 2, 9, 10, 99, 100, 0, rng.randint(0, 10**rng.randint(1, 9) - 1)])
    digits = str(number).zfill(rng.choice([0, 0, 0, 2, 3]))
    return digits[:9] + style


def indent(rng, width, depth):
    # A width of blanks, sometimes a blank fewer or more, or on an outermost item's lines a tab
    # in front. (Tabs at every depth also pass, but for a tab before an HTML block that would
    # turn it into code once its item moved: it becomes blanks, and the raw HTML differs.)
    r = rng.random()
    if r < 0.08 and depth == 0:
        return "\t" + " " * max(0, width - rng.randint(1, 4))
    if r < 0.14:
        return " " * max(0, width + rng.choice([-1, 1, 2]))
    return " " * width


def blocks(rng, depth, out):
    for _ in range(rng.randint(1, 2 if depth else 5)):
        block(rng, depth, out)
        if rng.random() < 0.5:
            out.append("")


def block(rng, depth, out):
    kind = rng.choices(["list", "para", "quote", "fence", "code", "html", "heading", "break"],
                       [5 if depth < 2 else 1, 5, 2 if depth < 2 else 0, 1, 1, 1, 1, 1])[0]
    if kind == "list":
        style = rng.choice([".", ".", ")", "-", "*"])
        count = rng.choice([1, 2, 3, 4, 11] + ([rng.randint(1, 30), 102] if depth == 0 else []))
        for _ in range(count):
            item(rng, depth + (count > 20) * 2, style, out)
            if rng.random() < 0.2:
                out.append("")
    elif kind == "para":
        out.append(text(rng))
        for _ in range(rng.randint(0, 2)):
            out.append(" " * rng.randint(0, 6) + rng.choice([text(rng), "1. " + text(rng)]))
    elif kind == "quote":
        inner = []
        blocks(rng, depth + 1, inner)
        out.extend((">" + rng.choice([" ", "", "  "]) + l) if rng.random() < 0.9 else l
                   for l in inner)
    elif kind == "fence":
        fence = rng.choice(["```", "~~~", "````"])
        pad = " " * rng.randint(0, 3)
        out.append(pad + fence)
        out.extend(" " * rng.randint(0, 5) + rng.choice(["1. x", "code", "- y", ""])
                   for _ in range(rng.randint(0, 3)))
        if rng.random() < 0.9:
            out.append(" " * rng.randint(0, 3) + fence)
    elif kind == "code":
        out.extend(rng.choice(["    ", "\t", "     "]) + rng.choice(["1. x", "code", "2) y"])
                   for _ in range(rng.randint(1, 3)))
    elif kind == "html":
        out.append(rng.choice(["<div>", "<!-- note", "<pre>", "<span class=\"a\">"]))
        out.extend(rng.choice(["1. in html", "text", "-->", "</pre>"]) for _ in range(rng.randint(0, 2)))
    elif kind == "heading":
        out.extend(rng.choice([["# " + text(rng)], [text(rng), rng.choice(["===", "---"])]]))
    else:
        out.append(rng.choice(["***", "- - -", "___"]))


def item(rng, depth, style, out):
    first = " " * rng.choice([0, 0, 0, 1, 2, 3]) + marker(rng, style)
    gap = rng.choice([" ", " ", " ", "  ", "   ", "    ", "\t", "      ", ""])
    inner = []
    if rng.random() < 0.7 or gap == "":
        inner.append(text(rng))
        for _ in range(rng.randint(0, 2)):
            inner.append(rng.choice(["", text(rng)]))
    if rng.random() < (0.5 if depth < 2 else 0.1):
        blocks(rng, depth + 1, inner)
    width = len(first) + max(1, len(gap.expandtabs(4)) if gap.strip(" ") == "" else 1)
    head = inner.pop(0) if inner and gap else ""
    out.append(first + (gap + head if head else ""))
    for line in inner:
        out.append(indent(rng, width, depth) + line if line else rng.choice(["", " " * width]))


def random_document(rng):
    lines = []
    blocks(rng, 0, lines)
    breaks = rng.choice([["\n"], ["\n"], ["\r\n"], ["\r"], ["\n", "\r\n", "\r"]])
    doc = "".join(line + rng.choice(breaks) for line in lines)
    if rng.random() < 0.2:
        doc = doc.rstrip("\r\n")
    return doc.encode()


if __name__ == "__main__":
    CORVANE = sys.argv.pop(1)
    if len(sys.argv) > 1 and sys.argv[1].isdigit():
        DOCUMENTS = int(sys.argv.pop(1))
    unittest.main()
