#!/usr/bin/env python3
"""corvane.exe under wine on a 1,000,000-line code page 932 file: numbered and deleted, it gives
byte for byte what its UTF-8 twin gives once converted, and deleting the numbers gives the file
back. Run as: ExeCp932Test.py RUNNER... CORVANE_EXE"""
import os
import subprocess
import sys
import tempfile

RUNNER, CORVANE = sys.argv[1:-1], sys.argv[-1]


def iconv(data, source, target):
    return subprocess.run(["iconv", "-f", source, "-t", target], input=data, capture_output=True,
                          check=True).stdout


def corvane(args, cwd):
    p = subprocess.run(RUNNER + [CORVANE] + args, cwd=cwd, capture_output=True, timeout=600)
    if p.returncode != 0 or p.stderr.strip():
        sys.exit("corvane %s: exit %d, %r" % (" ".join(args), p.returncode, p.stderr[-300:]))
    return p.stdout


def main():
    # Kanji, kana, half-width katakana, NEC and IBM extensions, trail bytes 0x5C and 0x7C,
    # heads that look like numbers, every kind of break.
    words = ["表示", "ソース", "ｶﾀｶﾅ", "①②", "髙﨑", "12:", " 3 :", "能力", "ー", "abc", "\t"]
    breaks = ["\r\n", "\n", "\r"]
    text = "".join("".join(words[(i * 7 + k) % len(words)] for k in range(i % 4)) + breaks[i % 3]
                   for i in range(1000000))
    utf8 = text.encode("utf-8")
    cp932 = iconv(utf8, "UTF-8", "CP932")
    failures = 0
    with tempfile.TemporaryDirectory(prefix="corvane-cp932-") as work:
        for name, data in [("utf8.txt", utf8), ("cp932.txt", cp932)]:
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        for command in [["number"], ["delete"]]:
            want = corvane(command + ["utf8.txt"], work)
            got = corvane(command + ["cp932.txt"], work)
            same = iconv(got, "CP932", "UTF-8") == want
            print("%s: %s" % (command[0], "same as the UTF-8 twin" if same else "DIFFERENT"))
            failures += not same
            if command == ["number"]:
                with open(os.path.join(work, "numbered.txt"), "wb") as f:
                    f.write(got)
        back = corvane(["delete", "-e", "cp932", "numbered.txt"], work) == cp932
        print("number, then delete: %s" % ("the file again" if back else "DIFFERENT"))
        failures += not back
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
