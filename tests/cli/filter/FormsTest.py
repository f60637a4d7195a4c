#!/usr/bin/env python3
"""corvane's line forms end to end: what GNU nl and cat -n write is read back (a round trip on
random texts), number's fields against nl's, the list and nl examples in every encoding and
line break, bad values, and number streaming with a fixed width.

Usage: FormsTest.py path/to/corvane [cases]
"""
import random
import shutil
import subprocess
import sys
import unittest

CORVANE = None
CASES = 100


def run(args, stdin=b""):
    p = subprocess.run([CORVANE] + args, input=stdin, capture_output=True, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


def tool(args, stdin):
    return subprocess.run(args, input=stdin, capture_output=True, check=True).stdout


def with_breaks(text, brk):
    # Every LF of text as brk, or "mixed": CR LF, CR and LF in turn.
    if brk != "mixed":
        return text.replace("\n", brk)
    lines = text.split("\n")
    return "".join(l + ["\r\n", "\r", "\n"][i % 3] for i, l in enumerate(lines[:-1])) + lines[-1]


def random_text(rng, crlf=True):
    # Lines end in LF or CR LF (nl takes a lone CR for text, corvane for a break), and no line
    # is one of nl's page delimiters ("\:", "\:\:", "\:\:\:").
    pieces = ["a", "12", ":", " ", "\t", "  3:", "1. x", "7\t", "行", "é", "-5", "word"]
    lines = []
    for _ in range(rng.randrange(0, 30)):
        lines.append("".join(rng.choice(pieces) for _ in range(rng.randrange(0, 6))))
    return "".join(line + rng.choice(["\n", "\r\n"] if crlf else ["\n"]) for line in lines).encode()


@unittest.skipUnless(shutil.which("nl") and shutil.which("cat"), "needs GNU nl and cat")
class AgainstNl(unittest.TestCase):
    def test_delete_gives_back_what_nl_and_cat_numbered(self):
        # (the numbering tool, corvane's options to read it)
        peers = [
            (["nl"], []), (["nl", "-ba"], []), (["cat", "-n"], []),
            (["nl", "-ba", "-n", "ln"], []), (["nl", "-n", "rz", "-w", "3"], []),
            (["nl", "-v", "995", "-w", "2"], []), (["nl", "-s", " | "], ["-S", " | "]),
            (["nl", "-n", "ln", "-s", ") "], ["-S", ") "]),
        ]
        rng = random.Random(1999)
        for case in range(CASES):
            text = random_text(rng)
            for peer, options in peers:
                numbered = tool(peer, text)
                # auto learns the form from a numbered line: where nl numbered none (a text of
                # empty lines under -bt), only --form=nl knows the blanks are its.
                forms = ["nl", "auto"] if any(c in b"0123456789" for c in numbered) else ["nl"]
                for form in forms:
                    with self.subTest(case=case, peer=peer, form=form):
                        code, out, err = run(["delete", "--form=" + form] + options, numbered)
                        self.assertEqual((code, err), (0, ""))
                        self.assertEqual(out, text, numbered)

    def test_number_writes_fields_as_nl_does(self):
        rng = random.Random(7)
        for case in range(CASES):
            # nl's -bt counts a CR before the LF as text; to corvane it is part of the break.
            text = random_text(rng, crlf=False)
            fmt, width = rng.choice(["ln", "rn", "rz"]), rng.randrange(1, 8)
            sep = rng.choice(["\t", ":", " | ", "行"])
            body = rng.choice(["a", "t", "p1", "p^[a-z]"])
            start, step = rng.randrange(-50, 50), rng.choice([1, 3, -2])
            want = tool(["nl", "-b" + body, "-n", fmt, "-w", str(width), "-s", sep,
                         "-v", str(start), "-i", str(step)], text)
            # nl puts blanks where an unnumbered line's number would be; corvane leaves it alone.
            blank = b" " * (width + len(sep.encode()))
            want = b"\n".join(l[len(blank):] if l.startswith(blank) else l
                               for l in want.split(b"\n"))
            with self.subTest(case=case, fmt=fmt, width=width, sep=sep, body=body):
                code, out, err = run(["number", "-b", body, "-n", fmt, "-w", str(width),
                                      "-S", sep, "-s", str(start), "-i", str(step)], text)
                self.assertEqual((code, err), (0, ""))
                self.assertEqual(out, want)


class Forms(unittest.TestCase):
    # (command, input, output), LF breaks, UTF-8; the other encodings and breaks derived.
    ROWS = [
        (["continue"], "  3) alpha\n  beta\n", "  3) alpha\n  4) beta\n"),
        (["renumber"], "1. a\n1. b\n1. c\n", "1. a\n2. b\n3. c\n"),
        (["renumber"], "     7\tx\n       \n     9\ty\n", "     7\tx\n       \n     8\ty\n"),
        (["renumber", "-i", "10"], "007. a\ntext\n1. b\n", "007. a\ntext\n017. b\n"),
        (["renumber", "--form=list"], "# T\n\n3. a\n   more\n3. b\n", "# T\n\n3. a\n   more\n4. b\n"),
        (["renumber", "--form=list"], "9. a\n9. b\n   more\n", "9. a\n10. b\n    more\n"),
        (["continue"], "000009\tx\ny\n", "000009\tx\n000010\ty\n"),
        (["continue", "-S", " - "], "9. x\n  y\n", "9 - x\n  10 - y\n"),
        (["renumber", "-w", "3"], " 9:a\n10:b\n12:c\n", "  9:a\n 10:b\n 11:c\n"),
        (["renumber"], " 9:a\n10:b\n12:c\n", " 9:a\n10:b\n11:c\n"),
        (["delete", "--form=list"], "  1. a\n10)\tb\n1.5 c\n", "  a\nb\n1.5 c\n"),
        (["dedent", "--form=list"], "1.   a\n2.    b\n", "1. a\n2.  b\n"),
        (["tidy", "--form=nl"], "     1\t  a\n     2\t\n     3\t   b\n", "     1\ta\n     3\t b\n"),
        (["number", "--after-indent", "-S", ". "], "a\n  b\n", "1. a\n  2. b\n"),
        (["number", "-w", "4", "-n", "rz", "-p"], "a\n", "+001:a\n"),
        (["copy", "-S", " ", "-w", "3"], "a\n", "\n  \n  1 a\n"),
    ]

    def test_examples_in_every_encoding_and_break(self):
        encodings = [("utf-8", b""), ("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff"),
                     ("cp932", b""), ("euc-jp", b"")]
        for args, given, want in self.ROWS:
            for codec, bom in encodings:
                # Mixed breaks follow the lines, so they are derived where the lines match.
                same_lines = given.count("\n") == want.count("\n")
                for brk in ["\n", "\r\n", "\r"] + (["mixed"] if same_lines else []):
                    data = bom + with_breaks(given, brk).encode(codec)
                    expected = bom + with_breaks(want, brk).encode(codec)
                    named = ["-e", codec] if codec in ("cp932", "euc-jp") else []
                    with self.subTest(args=args, codec=codec, brk=brk):
                        code, out, err = run(args + named, data)
                        self.assertEqual((code, err), (0, ""))
                        self.assertEqual(out, expected)

    def test_bad_values_write_nothing(self):
        rows = [
            (["number", "-w", "0"], "invalid width: '0'"),
            (["number", "-w", "1001"], "invalid width: '1001'"),
            (["number", "-S", ""], "invalid separator: ''"),
            (["copy", "-S", "a\nb"], "invalid separator"),
            (["delete", "--form=tsv"], "invalid form: 'tsv'"),
            (["number", "-b", "p["], "invalid regular expression: '['"),
            (["renumber", "-n", "rr"], "invalid number format: 'rr'"),
        ]
        for args, message in rows:
            with self.subTest(args=args):
                code, out, err = run(args, b"1:a\n")
                self.assertEqual((code, out), (1, b""))
                self.assertIn(message, err)
        # A separator code page 932 lacks is an error for that file, not a '?'.
        code, out, err = run(["number", "-e", "cp932", "-S", "\U0001F600"], b"a\n")
        self.assertEqual((code, out), (1, b""))
        self.assertIn("code page 932 lacks", err)

    def test_a_fixed_width_streams(self):
        # continue and renumber learn all they need from the first line.
        for args, line, want in [(["number", "-w", "6"], "x", b"     1:x\n"),
                                 (["number", "-w", "2", "-b", "t", "-S", ". "], "x", b" 1. x\n"),
                                 (["delete", "--form=list"], "1. x", b"x\n"),
                                 (["continue", "-w", "6"], "5:x", b"     5:x\n"),
                                 (["continue", "-w", "2", "--form=nl"], "  7\tx", b" 7\tx\n"),
                                 (["renumber", "-w", "6"], "3:x", b"     3:x\n"),
                                 (["renumber", "-w", "2", "-n", "rz"], "  3) x", b"  03) x\n"),
                                 (["renumber", "--form=list"], "1. x", b"1. x\n")]:
            with self.subTest(args=args):
                producer = subprocess.Popen(["sh", "-c", 'yes "$0" 2>/dev/null', line],
                                            stdout=subprocess.PIPE)
                consumer = subprocess.run(
                    ["sh", "-c", '"$0" "$@" | head -1', CORVANE] + args,
                    stdin=producer.stdout, capture_output=True, timeout=30)
                producer.stdout.close()
                producer.wait(timeout=30)
                self.assertEqual(consumer.stdout, want)


if __name__ == "__main__":
    CORVANE = sys.argv.pop(1)
    if len(sys.argv) > 1 and sys.argv[1].isdigit():
        CASES = int(sys.argv.pop(1))
    unittest.main()
