#!/usr/bin/env python3
"""corvane number against GNU nl, byte for byte.

For LF-only texts that end with a line break, `corvane number -s S -i K` (blank-aligned, the
field as wide as its widest number) must equal `nl -ba -n rn -w W -s: -v S -i K` with W that
same width. Texts come from a fixed seed: empty lines, lines with ":" and digits, blanks and
tabs, non-ASCII; starts and steps negative, zero and positive. GNU nl takes a negative or zero
-i; its starts and steps here stay well inside 32 bits. No generated line consists of a
backslash-colon delimiter ("\\:"), which nl would take for a page break.

Usage: nl_differential.py path/to/corvane [cases]
"""
import random
import shutil
import subprocess
import sys


def width(start, step, lines):
    # Values are monotonic: the widest number is the first or the last.
    return max(len(str(start)), len(str(start + step * (lines - 1))))


def main():
    corvane = sys.argv[1]
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    nl = shutil.which("nl")
    if not nl:
        print("nl_differential: nl not found")
        return 1
    version = subprocess.run([nl, "--version"], capture_output=True, text=True).stdout
    if "GNU coreutils" not in version:
        print("nl_differential: needs GNU nl, found: " + version.splitlines()[0])
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


if __name__ == "__main__":
    sys.exit(main())
