#!/usr/bin/env python3
"""corvane copy's start, header and fence in every encoding and with every line break, and the
option values every command refuses: status 1, a message naming the value, nothing written.

Usage: OptionsTest.py path/to/corvane
"""
import os
import subprocess
import sys
import tempfile
import unittest

CORVANE = None

# (arguments, text, expected); "\n" stands for each line break in turn, the path is "d/名.txt".
COPY_ROWS = [
    (["-s", "120"], "a\nb\n", "d/\n  名.txt\n120:a\n121:b\n"),
    (["-s", "9"], "a\nb\n", "d/\n  名.txt\n 9:a\n10:b\n"),
    (["-s", "-1", "--header=name"], "a\nb\nc", "名.txt\n-1:a\n 0:b\n 1:c"),
    # Tidied lines are gone, the others keep their numbers, negative ones too.
    (["-s", "-2", "-t", "--header=none"], "  a\n\n  b\n", "-2:a\n 0:b\n"),
    (["--fence"], "a\n", "d/\n  名.txt\n```\n1:a\n```\n"),
    (["--fence=cpp", "--header=name"], "x ```` y\n`\n", "名.txt\n`````cpp\n1:x ```` y\n2:`\n`````\n"),
    # No break at the end: one before the closing fence, none after it.
    (["--fence=言語", "--header=none", "-s", "5"], "a\nb", "```言語\n5:a\n6:b\n```"),
    (["--fence", "--header=none"], "", "```\n```\n"),
    # A full-width tilde's second byte in code page 932 is a backtick; it makes no run.
    (["--fence", "--header=none"], "～``\n", "```\n1:～``\n```\n"),
]

# (Python's codec, corvane's name, BOM)
ENCODINGS = [("utf-8", "utf-8", b""), ("utf-8", "utf-8", b"\xef\xbb\xbf"),
             ("utf-16-le", "utf-16le", b"\xff\xfe"), ("utf-16-be", "utf-16be", b"\xfe\xff"),
             ("cp932", "cp932", b""), ("euc-jp", "euc-jp", b"")]


def run(args, stdin=b""):
    p = subprocess.run([CORVANE] + args, input=stdin, capture_output=True, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


class Copy(unittest.TestCase):
    def test_start_header_and_fence_in_every_encoding_and_break(self):
        for args, text, expected in COPY_ROWS:
            for codec, name, bom in ENCODINGS:
                if "～" in text and codec == "euc-jp":
                    continue  # Python's EUC-JP spells it otherwise than glibc's
                for brk in ["\n", "\r\n", "\r"]:
                    with self.subTest(args=args, text=text, codec=codec, bom=bom, brk=brk):
                        data = bom + text.replace("\n", brk).encode(codec)
                        # An empty text has no first line: the breaks are CR LF.
                        want_brk = brk if text else "\r\n"
                        want = bom + expected.replace("\n", want_brk).encode(codec)
                        code, out, err = run(["copy", "-e", name, "--path",
                                              "d/名.txt"] + args, data)
                        self.assertEqual((code, err), (0, ""))
                        self.assertEqual(out, want)


# (arguments, the quoted value or phrase the message names)
BAD_VALUES = [
    (["number", "-w", "0"], "invalid width: '0'"),
    (["number", "-w", "1001"], "invalid width: '1001'"),
    (["number", "-w", "x"], "invalid width: 'x'"),
    (["number", "-z", "0"], "invalid zero-fill width: '0'"),
    (["number", "-S", ""], "invalid separator: ''"),
    (["number", "-S", "a\nb"], "invalid separator: 'a\\nb'"),
    (["number", "-S", "\r"], "invalid separator: '\\r'"),
    (["delete", "--form=roman"], "invalid form: 'roman'"),
    (["number", "-n", "xx"], "invalid number format: 'xx'"),
    (["number", "-b", "p\\(a"], "invalid regular expression: '\\\\(a'"),
    (["number", "-b", "p[a"], "invalid regular expression: '[a'"),
    (["number", "-b", "x"], "invalid body numbering style: 'x'"),
    (["number", "-s", "3000000000"], "start value out of range: '3000000000'"),
    (["number", "-e", "latin1"], "invalid encoding: 'latin1'"),
    (["copy", "--header=path"], "invalid header: 'path'"),
    (["copy", "--fence=a`b"], "invalid fence language: 'a`b'"),
    (["copy", "--fence=a\nb"], "invalid fence language: 'a\\nb'"),
    (["number", "--spool-limit=0"], "invalid spool limit: '0'"),
]


class BadValues(unittest.TestCase):
    def test_refused_with_status_1_and_nothing_written(self):
        with tempfile.TemporaryDirectory(prefix="corvane-test-") as folder:
            target = os.path.join(folder, "out.txt")
            for args, message in BAD_VALUES:
                with self.subTest(args=args):
                    with open(target, "wb") as f:
                        f.write(b"keep\n")
                    code, out, err = run(args + ["-o", target], b"1:x\n")
                    self.assertEqual((code, out), (1, b""))
                    self.assertIn("corvane: " + message, err)
                    self.assertTrue(err.endswith("Try 'corvane --help' for more information.\n"))
                    with open(target, "rb") as f:
                        self.assertEqual(f.read(), b"keep\n")
            self.assertEqual(sorted(os.listdir(folder)), ["out.txt"])


if __name__ == "__main__":
    CORVANE = sys.argv.pop(1)
    unittest.main()
