#!/usr/bin/env python3
"""The corvane program end to end: encodings, breaks, every command, standard input, several
files, -o replacing its target atomically, and the errors and exit statuses.

Usage: ProgramTest.py path/to/corvane [LINES]
LINES: the lines of the large code page 932 text (1000000; fewer under the sanitizers).
"""
import os
import select
import stat
import subprocess
import sys
import tempfile
import unittest

CORVANE = None
LARGE_LINES = 1000000
NEITHER = "invalid text (neither UTF-8 nor code page 932 nor EUC-JP)"


def run(args, stdin=b"", cwd=None):
    p = subprocess.run([CORVANE] + args, input=stdin, capture_output=True, cwd=cwd, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


class Program(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="corvane-test-")
        self.addCleanup(self.dir.cleanup)

    def file(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def leftovers(self):
        return [n for n in os.listdir(self.dir.name) if n.startswith(".corvane-")]

    def test_encodings_round_trip_with_their_bom(self):
        text = "行番号\r\nplain\n\U0001F600 é\rlast"
        expected = "1:行番号\r\n2:plain\n3:\U0001F600 é\r4:last"
        for codec, bom in [("utf-8", b""), ("utf-8", b"\xef\xbb\xbf"),
                           ("utf-16-le", b"\xff\xfe"), ("utf-16-be", b"\xfe\xff")]:
            with self.subTest(codec=codec, bom=bom):
                data = bom + text.encode(codec)
                code, out, err = run(["number", self.file("in.txt", data)])
                self.assertEqual((code, err), (0, ""))
                self.assertEqual(out, bom + expected.encode(codec))
                code, back, _ = run(["delete"], stdin=out)
                self.assertEqual((code, back), (0, data))

    def test_invalid_input_is_reported_and_never_written(self):
        rows = [
            # No encoding holds from the last of their first bad bytes on: UTF-8 and EUC-JP fail
            # at 3, code page 932 (where C3 is a katakana) at 5.
            (b"ok\n\xc3(\xff", NEITHER + " at byte offset 5"),
            (b"\xef\xbb\xbfab\xff", "invalid UTF-8 at byte offset 5"),
            (b"\xff\xfea\x00\x00\xdc", "unpaired surrogate in UTF-16 at byte offset 4"),
            (b"\xfe\xff\x00a\x00", "incomplete UTF-16 code unit at byte offset 4"),
        ]
        for data, message in rows:
            with self.subTest(message=message):
                src = self.file("bad.txt", data)
                target = self.file("target.txt", b"keep me\n")
                code, out, err = run(["number", "-o", target, src])
                self.assertEqual(code, 2)
                self.assertIn("corvane: " + src + ": " + message + "\n", err)
                self.assertEqual(self.read(target), b"keep me\n")
                self.assertEqual(self.leftovers(), [])
                # A pipe is spooled for a command with a plan, so it is validated first too.
                code, out, err = run(["tidy"], stdin=data)
                self.assertEqual((code, out), (2, b""))
                self.assertIn("corvane: -: " + message, err)

    def test_line_breaks_come_out_as_they_went_in(self):
        rows = [b"a\r\nb\r\n", b"a\rb\r", b"a\nb\n", b"a\r\nb\rc\nd", b"\r\n\r\r\n\n", b"x"]
        for data in rows:
            with self.subTest(data=data):
                code, out, _ = run(["number"], stdin=data)
                self.assertEqual(code, 0)
                self.assertEqual(out.replace(b"\r\n", b"|").count(b"|"), data.count(b"\r\n"))
                code, back, _ = run(["delete"], stdin=out)
                self.assertEqual(back, data)
        self.assertEqual(run(["number"], stdin=b"a\r\nb\rc\nd")[1], b"1:a\r\n2:b\r3:c\n4:d")

    def test_every_command(self):
        numbered = b" 9:  a\r\n10:\r\n11:    b\r\n12:\t\r\n"
        rows = [
            (["number"], b"a\nb\n", b"1:a\n2:b\n"),
            (["number", "-r", "-s", "8", "-i", "-1"], b"a\nb\nc\n", b"6:a\n7:b\n8:c\n"),
            (["number", "--zero-fill=3", "--start", "5", "--step=10"], b"a\nb\nc\n",
             b"005:a\n015:b\n025:c\n"),
            (["number", "-p", "-s", "8"], b"a\nb\nc\n", b" +8:a\n +9:b\n+10:c\n"),
            (["number", "-z2", "-s1", "-i-1"], b"a\nb\nc\n", b" 01:a\n 00:b\n-01:c\n"),
            (["number", "-s", "2147483647"], b"a\nb\n", b"2147483647:a\n2147483648:b\n"),
            (["continue"], b"005:a\r\nb\r\n", b"005:a\r\n006:b\r\n"),
            (["continue", "--step=-10"], b"  +7:a\nb\nc", b" +7:a\n -3:b\n-13:c"),
            (["delete"], numbered, b"  a\r\n\r\n    b\r\n\t\r\n"),
            (["delete-number-only"], numbered, b" 9:  a\r\n11:    b\r\n"),
            (["dedent"], numbered, b" 9:a\r\n10:\r\n11:  b\r\n12:\r\n"),
            (["tidy"], numbered, b" 9:a\r\n11:  b\r\n"),
            (["copy", "--path", "/docs/memo.txt"], b"  x\n\n", b"/docs/\n  memo.txt\n1:  x\n2:\n"),
            (["copy", "--tidy", "--path", "C:\\d\\m.txt"], b"  x\r\n\r\n",
             b"C:\\d\\\r\n  m.txt\r\n1:x\r\n"),
            (["renumber"], b" 9:a\n10:b\n12:c\n", b" 9:a\n10:b\n11:c\n"),
            (["renumber"], b"3:a\r\n7:b\r\n", b"3:a\r\n4:b\r\n"),
            (["renumber"], b"08:a\n9:b\nx\n", b"08:a\n09:b\n10:x\n"),
            (["renumber", "-i", "-10"], b"x\n5:y\n", b" 1:x\n-9:y\n"),
        ]
        for args, data, expected in rows:
            with self.subTest(args=args):
                code, out, err = run(args, stdin=data)
                self.assertEqual((code, err), (0, ""))
                self.assertEqual(out, expected)

    def test_continue_without_a_start_leaves_the_text(self):
        # renumber too, when the first line's number cannot be read: never a silent restart at 1.
        for command, data in [("continue", b"1 2:x\ny\n"), ("continue", b"no colon\nhere\n"),
                              ("continue", b"\t5:x\n"), ("renumber", b"99999999999:a\n5:b\n"),
                              ("renumber", b"\t7:a\n8:b\n"), ("renumber", b"1 2:a\n"),
                              ("renumber", b"2147483648:a\r\n3:b")]:
            with self.subTest(command=command, data=data):
                code, out, err = run([command], stdin=data)
                self.assertEqual((code, out), (0, data))
                self.assertRegex(err, "^corvane: -: the first line.*; text left unchanged\n$")

    def test_files_stdin_and_concatenation(self):
        a = self.file("a.txt", b"x\ny\n")
        b = self.file("b.txt", b"\xff\xfez\x00\n\x00")
        code, out, err = run(["number", a, "-", b], stdin=b"s\n")
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out, b"1:x\n2:y\n1:s\n\xff\xfe1\x00:\x00z\x00\n\x00")
        code, out, err = run(["copy", a])
        self.assertEqual(out, (os.path.dirname(a) + "/\n  a.txt\n1:x\n2:y\n").encode())
        # A missing file is reported; the others are still written (as cat does).
        code, out, err = run(["number", a, os.path.join(self.dir.name, "missing"), a])
        self.assertEqual(code, 1)
        self.assertEqual(out, b"1:x\n2:y\n1:x\n2:y\n")
        self.assertEqual(err, "corvane: " + os.path.join(self.dir.name, "missing") +
                         ": No such file or directory\n")
        code, out, err = run(["number", self.dir.name])
        self.assertEqual((code, err), (1, "corvane: " + self.dir.name + ": Is a directory\n"))

    def test_standard_input_is_read_from_its_offset(self):
        # As cat and nl read it: from where the descriptor stands, once; a later '-' is at the end.
        data = b"1:a\n2:b\n3:c\n"
        src = self.file("in.txt", data)
        def gnu(*args):
            return lambda text: subprocess.run(args, input=text, capture_output=True).stdout
        numbered = lambda text: b"".join(b"%d:%s" % (i + 1, line)
                                         for i, line in enumerate(text.splitlines(True)))
        rows = [(["nl"], gnu("nl")), (["nl", "-", "-"], gnu("nl", "-", "-")),
                (["number", "-", "-"], numbered), (["delete", "-"], gnu("cut", "-c3-")),
                (["tidy", "-", "-"], gnu("cat", "-", "-"))]
        for args, expected in rows:
            for offset in [0, 4, len(data)]:
                with self.subTest(args=args, offset=offset):
                    with open(src, "rb") as f:
                        f.seek(offset)
                        p = subprocess.run([CORVANE] + args, stdin=f, capture_output=True,
                                           timeout=60)
                        self.assertEqual(f.tell(), len(data))
                    want = expected(data[offset:])
                    self.assertEqual((p.returncode, p.stderr), (0, b""))
                    self.assertEqual(p.stdout, want)

    def test_output_file_is_replaced_atomically(self):
        src = self.file("src.txt", b"a\nb\n")
        target = self.file("target.txt", b"old\n")
        os.chmod(target, 0o640)
        self.assertEqual(run(["number", "-o", target, src])[0], 0)
        self.assertEqual(self.read(target), b"1:a\n2:b\n")
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o640)
        # In place: the input is read whole before the target is replaced.
        self.assertEqual(run(["delete", "-o", src, src])[0], 0)
        self.assertEqual(self.read(src), b"a\nb\n")
        # Through a symbolic link, the file it points to is replaced.
        link = os.path.join(self.dir.name, "link.txt")
        os.symlink(target, link)
        self.assertEqual(run(["delete", "--output", link, target])[0], 0)
        self.assertTrue(os.path.islink(link))
        self.assertEqual(self.read(target), b"a\nb\n")
        # Any failing input leaves the target as it was.
        code, _, err = run(["number", "-o", target, src, os.path.join(self.dir.name, "nope")])
        self.assertEqual(code, 1)
        self.assertIn(target + ": left unchanged because of the errors above", err)
        self.assertEqual(self.read(target), b"a\nb\n")
        # A target that cannot be replaced: a directory, or a folder that does not exist.
        sub = os.path.join(self.dir.name, "sub")
        os.mkdir(sub)
        code, _, err = run(["number", "-o", sub, src])
        self.assertEqual(code, 1)
        self.assertIn("corvane: " + sub + ": Is a directory", err)
        self.assertTrue(os.path.isdir(sub))
        code, _, err = run(["number", "-o", os.path.join(self.dir.name, "no", "x.txt"), src])
        self.assertEqual(code, 1)
        self.assertIn("cannot create temporary file", err)
        self.assertEqual(self.leftovers(), [])

    def test_write_error_on_standard_output(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full")
        with open("/dev/full", "wb") as full:
            p = subprocess.run([CORVANE, "number"], input=b"a\n" * 100000, stdout=full,
                               stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(p.stderr, b"corvane: write error: No space left on device\n")

    def test_streams_through_pipes(self):
        # The reader of the output goes away after one line: corvane ends too, reading no more.
        p = subprocess.run(["bash", "-c", 'yes "12:abc" | "$1" delete | head -1', "sh", CORVANE],
                           capture_output=True, timeout=60)
        self.assertEqual(p.stdout, b"abc\n")
        # Each block read from a pipe is answered before the next read waits for the writer.
        p = subprocess.Popen([CORVANE, "delete"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.addCleanup(p.kill)
        p.stdin.write(b"7:first\n")
        p.stdin.flush()
        self.assertTrue(select.select([p.stdout], [], [], 30)[0], "no answer to the first line")
        self.assertEqual(os.read(p.stdout.fileno(), 100), b"first\n")
        p.stdin.close()
        self.assertEqual(p.wait(30), 0)
        p.stdout.close()

    def test_spool_limit_stops_an_endless_pipe(self):
        # An endless pipe ends at the limit: reported, nothing written, no spool left behind.
        spool = os.path.join(self.dir.name, "spool")
        os.mkdir(spool)
        env = dict(os.environ, TMPDIR=spool)
        p = subprocess.run(["bash", "-c", 'yes | "$1" number --spool-limit=20M | head -1', "sh",
                            CORVANE], capture_output=True, timeout=60, env=env)
        self.assertEqual((p.stdout, p.stderr.decode()), (b"", "corvane: -: more than "
                         "--spool-limit=20M of input to keep for its second reading; stopped\n"))
        self.assertEqual(os.listdir(spool), [])
        # Up to the limit a pipe is spooled as before.
        for limit, data, status in [("4", b"a\nb\n", 0), ("3", b"a\nb\n", 1),
                                    ("1k", b"x" * 1024, 0), ("1K", b"x" * 1025, 1)]:
            with self.subTest(limit=limit, size=len(data)):
                self.assertEqual(run(["copy", "--spool-limit", limit], stdin=data)[0], status)

    def test_late_invalid_byte_in_a_pipe(self):
        good = b"12:line\n" * 200000
        data = good + b"13:bad \xff\n14:after\n"
        message = "corvane: -: %s at byte offset %d\n" % (NEITHER, len(good) + 7)
        # Streamed: some whole lines before the bad one have been written, none after it.
        code, out, err = run(["delete"], stdin=data)
        self.assertEqual((code, err), (2, message))
        self.assertEqual(out, b"line\n" * (len(out) // 5))
        # Into a file, nothing at all.
        target = self.file("target.txt", b"keep\n")
        code, out, err = run(["delete", "-o", target], stdin=data)
        self.assertEqual(code, 2)
        self.assertEqual(self.read(target), b"keep\n")
        self.assertEqual(self.leftovers(), [])

    def test_file_changed_while_it_is_read(self):
        for change in ["shrink", "grow", "rewrite"]:
            with self.subTest(change=change):
                src = self.file("big.txt", b"%060d\n" % 7 * 300000)
                p = subprocess.Popen([CORVANE, "number", src], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
                self.addCleanup(p.kill)
                # Output has begun, so the second reading is under way, held by the full pipe.
                self.assertTrue(select.select([p.stdout], [], [], 30)[0])
                if change == "shrink":
                    os.truncate(src, 1000)
                elif change == "rewrite":
                    # The same size and line count: only the content tells.
                    with open(src, "r+b") as f:
                        f.write(b"%060d\n" % 8 * 300000)
                else:
                    with open(src, "ab") as f:
                        f.write(b"more\n" * 1000)
                out, err = p.communicate(timeout=60)
                self.assertEqual(p.returncode, 1)
                self.assertEqual(err.decode(), "corvane: " + src +
                                 ": file changed while it was being read\n")

    def twin_lines(self, words, count):
        """count lines of words, heads that look like numbers among them, every break."""
        breaks = ["\r\n", "\n", "\r"]
        return "".join("".join(words[(i * 7 + k) % len(words)] for k in range(i % 4)) +
                       breaks[i % 3] for i in range(count))

    def assert_same_as_utf8_twin(self, text, encoding, commands, named=()):
        """Each command on text in encoding gives what it gives on the UTF-8 text, converted."""
        utf8 = text.encode("utf-8")
        legacy = subprocess.run(["iconv", "-f", "UTF-8", "-t", encoding], input=utf8,
                                capture_output=True, check=True).stdout
        for name, data in [("utf8.txt", utf8), ("legacy.txt", legacy)]:
            self.file(name, data)
        for command in commands:
            with self.subTest(encoding=encoding, command=command):
                code, want, err = run(command + [os.path.join(self.dir.name, "utf8.txt")])
                got_code, got, got_err = run(command + list(named) +
                                             [os.path.join(self.dir.name, "legacy.txt")])
                self.assertEqual((got_code, got_err.replace("legacy", "utf8")), (code, err))
                back = subprocess.run(["iconv", "-f", encoding, "-t", "UTF-8"], input=got,
                                      capture_output=True, check=True).stdout
                self.assertTrue(back == want, "%s differs from the UTF-8 twin" % command)
        return legacy

    def test_code_page_932_is_numbered_as_its_utf8_twin(self):
        # Kanji, kana, half-width katakana, NEC and IBM extensions, trail bytes 0x5C ('表',
        # 'ソ') and 0x7C, heads that look like numbers, every break.
        words = ["表示", "ソース", "ｶﾀｶﾅ", "①②", "髙﨑", "12:", " 3 :", "能力", "ー", "abc", "\t"]
        cp932 = self.assert_same_as_utf8_twin(
            self.twin_lines(words, LARGE_LINES), "CP932",
            [["number"], ["delete"], ["number", "-z", "8", "-r"], ["tidy"]])
        # Numbered and deleted, the file comes back byte for byte, from a pipe as well.
        code, numbered, _ = run(["number", os.path.join(self.dir.name, "legacy.txt")])
        code, back, err = run(["delete", "-e", "sjis"], stdin=numbered)
        self.assertEqual((code, err), (0, ""))
        self.assertTrue(back == cp932, "the write-back differs")

    def test_euc_jp_through_every_command_as_its_utf8_twin(self):
        # JIS X 0208 and 0212 ('丂', the tilde), half-width katakana after 8E, the path converted.
        words = ["表示", "丂～", "ｶﾀｶﾅ", "蔭", "12:", " 3 :", "能力", "ー", "abc", "\t", "  "]
        text = "7:" + self.twin_lines(words, 30000)
        commands = [["number"], ["number", "-z", "8", "-r"], ["continue", "-i", "3"], ["delete"],
                    ["delete-number-only"], ["dedent"], ["tidy"], ["renumber"],
                    ["copy", "--tidy", "--path", "/表/丂.txt"]]
        self.assert_same_as_utf8_twin(text, "EUC-JP", commands, named=["-e", "euc-jp"])

    def test_encoding_option(self):
        jp = "行\n".encode("utf-8")  # E8 A1 8C 0A: valid UTF-8, not code page 932
        sjis = "ア表\n".encode("cp932")  # 83 41 95 5C 0A: code page 932, not UTF-8
        euc = b"\xb0\xfe\x8f\xb0\xa1\n"  # 蔭丂: EUC-JP, FE trails nothing in code page 932
        rows = [
            (["-e", "cp932"], sjis, 0, b"1:" + sjis, ""),
            (["--encoding=SJIS"], sjis, 0, b"1:" + sjis, ""),
            (["-e", "shift_jis"], b"a\n", 0, b"1:a\n", ""),
            (["-e", "utf-8"], sjis, 2, b"", "invalid UTF-8 at byte offset 0"),
            (["-e", "cp932"], jp, 2, b"", "invalid code page 932 at byte offset 2"),
            (["-e", "utf-8"], b"\xef\xbb\xbfa", 0, b"\xef\xbb\xbf1:a", ""),
            # Another encoding's BOM is refused, even where its bytes are valid in the named one.
            (["-e", "cp932"], b"\xef\xbb\xbfa", 2, b"",
             "UTF-8 byte order mark in code page 932 text at byte offset 0"),
            (["-e", "utf-8"], b"\xff\xfea\x00", 2, b"",
             "UTF-16LE byte order mark in UTF-8 text at byte offset 0"),
            (["-e", "utf-16be"], b"\xff\xfea\x00\n\x00", 2, b"",
             "UTF-16LE byte order mark in UTF-16BE text at byte offset 0"),
            (["-e", "utf-16le"], b"\xef\xbb\xbf\x00\n", 2, b"",
             "UTF-8 byte order mark in UTF-16LE text at byte offset 0"),
            (["-e", "euc-jp"], b"\xef\xbb\xbf\xa4\xa2", 2, b"",
             "UTF-8 byte order mark in EUC-JP text at byte offset 0"),
            # EUC-JP: named (JIS X 0212 and a C1 control included), or guessed when the text is
            # neither UTF-8 nor code page 932; its first bad byte is named.
            (["-e", "EUCJP"], euc, 0, b"1:" + euc, ""),
            (["-e", "euc-jp"], b"\x85" + euc, 0, b"1:\x85" + euc, ""),
            ([], euc, 0, b"1:" + euc, ""),
            (["-e", "euc-jp"], euc + b"\xa4\n", 2, b"", "invalid EUC-JP at byte offset 6"),
            (["-e", "euc-jp"], b"x\xff\n", 2, b"", "invalid EUC-JP at byte offset 1"),
            # UTF-16 needs no BOM when it is named; a BOM of its order is kept.
            (["-e", "utf-16le"], b"a\x00\n\x00", 0, b"1\x00:\x00a\x00\n\x00", ""),
            (["-e", "utf-16be"], b"\xfe\xff\x00a", 0, b"\xfe\xff\x001\x00:\x00a", ""),
            (["-e", "auto"], sjis + jp, 2, b"", NEITHER + " at byte offset 7"),
        ]
        for args, data, status, out, message in rows:
            with self.subTest(args=args, data=data):
                code, got, err = run(["number"] + args, stdin=data)
                self.assertEqual((code, got), (status, out))
                self.assertEqual(err, "corvane: -: " + message + "\n" if message else "")
        code, out, err = run(["number", "-e", "latin1"])
        self.assertEqual((code, out), (1, b""))
        self.assertTrue(err.startswith("corvane: invalid encoding: 'latin1' (allowed: auto,"))

    def test_copy_header_path_in_code_page_932(self):
        sjis = "ア\r\n".encode("cp932")
        code, out, err = run(["copy", "--path", "C:\\表\\ソース.txt"], stdin=sjis)
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out, "C:\\表\\\r\n  ソース.txt\r\n1:ア\r\n".encode("cp932"))
        # A character code page 932 lacks is an error, never a '?'.
        code, out, err = run(["copy", "--path", "/한/a.txt"], stdin=sjis)
        self.assertEqual((code, out), (1, b""))
        self.assertEqual(err, "corvane: -: the copy's path holds characters code page 932 lacks\n")

    def test_copy_header_name_bytes(self):
        # A name that is not UTF-8 keeps its own bytes where the file's encoding reads them (a
        # code page 932 name, its trail byte 5C no separator), a UTF-8 name is converted, and a
        # name that fits neither is an error naming the file, with nothing written.
        folder = os.fsencode(self.dir.name) + b"/"
        sjis = "ア\n".encode("cp932")
        rows = [
            (b"\x95\x5c.txt", sjis, 0, b"  \x95\x5c.txt\n1:" + sjis, ""),
            ("表.txt".encode(), sjis, 0, b"  \x95\x5c.txt\n1:" + sjis, ""),
            (b"caf\xe9.txt", b"x\n", 1, b"", "the copy's path is not valid UTF-8"),
            (b"caf\xe9.txt", sjis, 1, b"", "the copy's path is not valid UTF-8 nor code page 932"),
        ]
        for name, data, status, header, message in rows:
            with self.subTest(name=name):
                path = folder + name
                with open(path, "wb") as f:
                    f.write(data)
                p = subprocess.run([CORVANE, "copy", path], capture_output=True, timeout=60)
                os.remove(path)
                self.assertEqual(p.returncode, status)
                self.assertEqual(p.stdout, folder + b"\n" + header if header
                                 else b"")
                # The name is quoted for a shell, as coreutils quotes one that is not text.
                shown = path.replace(b"\xe9", b"'$'\\351''")
                want = (b"corvane: '" + shown + b"': " + message.encode() + b"\n" if message
                        else b"")
                self.assertEqual(p.stderr, want)

    def test_usage_errors_help_and_version(self):
        for args, message in [([], "missing command"),
                              (["number", "--frob"], "unrecognized option '--frob'"),
                              (["number", "-s", "2147483648"], "start value out of range"),
                              (["continue", "-i", "-2147483649"], "step out of range"),
                              (["copy", "-r"], "invalid option -- 'r'")]:
            with self.subTest(args=args):
                code, out, err = run(args)
                self.assertEqual((code, out), (1, b""))
                self.assertTrue(err.startswith("corvane: " + message), err)
                self.assertTrue(err.endswith("\nTry 'corvane --help' for more information.\n"))
        code, out, _ = run(["--help"])
        self.assertEqual(code, 0)
        for command in ["number", "continue", "delete", "delete-number-only", "dedent", "tidy",
                        "copy"]:
            self.assertIn(b"\n  " + command.encode() + b" ", out)
            self.assertEqual(run([command, "--help"])[0], 0)
        self.assertIn(b"--zero-fill", run(["number", "--help"])[1])
        self.assertRegex(run(["--version"])[1].decode(),
                         r"^corvane \(Corvane\) \d+\.\d+\.\d+\nCopyright .*\nLicense MIT: ")


if __name__ == "__main__":
    CORVANE = os.path.abspath(sys.argv.pop(1))
    if len(sys.argv) > 1 and sys.argv[1].isdigit():
        LARGE_LINES = int(sys.argv.pop(1))
    unittest.main(verbosity=1)
