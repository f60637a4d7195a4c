#!/usr/bin/env python3
"""corvane number against GNU nl, byte for byte.

For LF-only texts that end with a line break, `corvane number -s S -i K` (blank-aligned, the
field as wide as its widest number) must equal `nl -ba -n rn -w W -s: -v S -i K` with W that
same width. Texts come from a fixed seed: empty lines, lines with ":" and digits, blanks and
tabs, non-ASCII; starts and steps negative, zero and positive. GNU nl takes a negative or zero
-i; its starts and steps here stay well inside 32 bits. No generated line consists of a
backslash-colon delimiter ("\\:"), which nl would take for a page break.

Then `corvane nl`, run through a link named nl, against nl itself where the two meet the
user: stdout and stderr as one stream (messages after the lines written before them), ranges
in a UTF-8 locale, and messages in Japanese from the system's catalogs.

Usage: NlDifferentialTest.py path/to/corvane [cases]
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile


def width(start, step, lines):
    # Values are monotonic: the widest number is the first or the last.
    return max(len(str(start)), len(str(start + step * (lines - 1))))


def main():
    corvane = sys.argv[1]
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    nl = shutil.which("nl")
    if not nl:
        print("NlDifferentialTest: nl not found")
        return 1
    version = subprocess.run([nl, "--version"], capture_output=True, text=True).stdout
    if "GNU coreutils" not in version:
        print("NlDifferentialTest: needs GNU nl, found: " + version.splitlines()[0])
        return 1

    rng = random.Random(20240601)
    pieces = ["a", "12", ":", "3:", " ", "\t", "x:y", "000", "-5", "+", "行", "é", "word"]
    # The last two run past 32 bits for longer texts: the values must not wrap.
    starts = [1, 0, -1, 7, 9, 99, -100, 999999, -999999, 2000000000, 2147483000, -2147483000]
    steps = [1, -1, 10, -10, 0, 3, -7, 1000, 123456]
    failed = 0
    for case in range(cases):
        lines = rng.choice([1, 2, 9, 10, 11, 50, 101, rng.randint(1, 400)])
        text = "".join(
            "".join(rng.choice(pieces) for _ in range(rng.choice([0, 0, 1, 3, 8]))) + "\n"
            for _ in range(lines))
        start, step = rng.choice(starts), rng.choice(steps)
        w = width(start, step, lines)
        data = text.encode()
        ours = subprocess.run([corvane, "number", "-s", str(start), "-i", str(step)],
                              input=data, capture_output=True)
        theirs = subprocess.run([nl, "-ba", "-n", "rn", "-w", str(w), "-s:", "-v", str(start),
                                 "-i", str(step)], input=data, capture_output=True)
        if ours.returncode != 0 or theirs.returncode != 0 or ours.stdout != theirs.stdout:
            failed += 1
            if failed <= 5:
                print(f"case {case}: start {start} step {step} lines {lines} width {w}: "
                      f"corvane rc {ours.returncode}, nl rc {theirs.returncode}, "
                      f"{ours.stderr.decode()}{theirs.stderr.decode()}")
                print("  corvane:", ours.stdout[:200])
                print("  nl:     ", theirs.stdout[:200])
    print(f"{cases - failed} passed, {failed} failed")
    return 1 if failed else 0


def nl_mode_cases(corvane, nl):
    """corvane nl against nl, 2>&1: the same bytes and status, case by case."""
    have = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    if "ja_JP.utf8" not in have or not os.path.exists(
            "/usr/share/locale/ja/LC_MESSAGES/coreutils.mo"):
        print("nl mode: needs the ja_JP.UTF-8 locale and coreutils' Japanese catalog "
              "(scripts/install-deps.sh)")
        return 1
    ja = {"LC_ALL": "ja_JP.UTF-8"}
    utf8 = {"LC_ALL": "C.UTF-8"}
    c = {"LC_ALL": "C"}
    cases = [  # (environment, arguments, input)
        (c, ["f1", "missing", "f2"], b""),
        (c, ["-v", "9223372036854775806", "f1", "f2"], b""),
        (utf8, ["-b", "p[\u00e9-\u00eb]"], "\u00e9\nb\n\u00ea\n".encode()),
        (utf8, ["-b", "p[a-\u00e9]"], "\u00e9\nb\n\u00ea\n".encode()),
        (utf8, ["-b", "p\\(^a\\)\\{2\\}"], b"aa\nba\n"),
        (ja, ["nosuch"], b""),
        (ja, ["f1", "nosuch", "f2"], b""),
        (ja, ["-w", "0"], b""),
        (ja, ["-l", "x"], b""),
        (ja, ["-b", "x", "-n", "zz"], b""),
        (ja, ["-b", "p\\("], b""),
        (ja, ["-b", "p[[.ab.]]"], b""),
        (ja, ["-v", "9223372036854775807"], b"a\nb\n"),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        link = os.path.join(work, "nl")
        os.symlink(os.path.abspath(corvane), link)
        for name, text in (("f1", b"a\nb\n"), ("f2", b"c\n")):
            with open(os.path.join(work, name), "wb") as f:
                f.write(text)
        for env, args, data in cases:
            results = []
            for program in (link, nl):
                run = subprocess.run([program] + args, input=data, cwd=work,
                                     env=dict(os.environ, **env), stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
                results.append((run.returncode, run.stdout.replace(program.encode(), b"nl")))
            if results[0] != results[1]:
                failed += 1
                print(f"nl mode {env} {args}:\n  corvane: {results[0]}\n  nl:      {results[1]}")
    print(f"nl mode: {len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    status = main()
    sys.exit(nl_mode_cases(sys.argv[1], shutil.which("nl")) or status)
