#!/usr/bin/env python3
"""Files changed, truncated and grown while corvane reads them, at moments chosen at random
with a fixed seed: in either reading, in every command, to standard output and with -o.
A run passes when corvane either reports the change (status 1, 'file changed while it was
being read', an -o target untouched) or succeeded with what one whole version of the file
makes (the change fell before the first byte read or after the last). A success whose output
is a mix, or is neither version's, fails the run.

Usage: StressChangesTest.py path/to/corvane [RUNS] [SEED]   (RUNS 40, SEED 20261208)
"""
import os
import random
import subprocess
import sys
import tempfile
import threading
import time

COMMANDS = [["number"], ["continue"], ["delete"], ["delete-number-only"], ["dedent"], ["tidy"],
            ["copy", "--path", "memo.txt"], ["renumber"]]
CHANGES = ["rewrite", "rewrite-part", "truncate", "grow"]
MESSAGE = ": file changed while it was being read\n"


def text(rng, lines):
    """Numbered, indented lines with some number-only ones; the first line starts with 1:."""
    out = [b"1:  start\n"]
    for i in range(lines - 1):
        out.append(b"%d:" % (i + 2) + (b"" if i % 17 == 0 else b"  line %d %s\n" % (
            rng.randrange(10 ** 6), b"x" * rng.randrange(40))) + (b"\n" if i % 17 == 0 else b""))
    return b"".join(out)


def changed(rng, old, kind):
    """What the file holds after the change."""
    if kind == "rewrite":  # the same size and line count, other bytes
        return old.translate(bytes.maketrans(b"0123456789abcdefx", b"1234567890bcdefgy"))
    if kind == "rewrite-part":
        start = rng.randrange(len(old))
        end = min(len(old), start + rng.randrange(1, 4096))
        part = old[start:end].translate(bytes.maketrans(b"0123456789ex", b"9876543210fy"))
        return old[:start] + part + old[end:]
    if kind == "truncate":
        return old[:rng.randrange(len(old))]
    return old + b"7:  more\n" * rng.randrange(1, 5000)


def apply(path, old, new):
    """Changes the file in place (never a new file: the reader's descriptor must see it)."""
    with open(path, "r+b") as f:
        if len(new) < len(old):
            f.truncate(len(new))
        f.seek(0)
        f.write(new)


def expected(corvane, command, data, folder):
    path = os.path.join(folder, "version.txt")
    with open(path, "wb") as f:
        f.write(data)
    p = subprocess.run([corvane] + command + [path], capture_output=True, timeout=120)
    return p.returncode, p.stdout


def one_run(corvane, rng, folder, run):
    command = rng.choice(COMMANDS)
    kind = rng.choice(CHANGES)
    to_file = rng.random() < 0.3
    # By output bytes (the second reading, held by the full pipe) or by time (either reading).
    by_output = not to_file and rng.random() < 0.5
    old = text(rng, rng.randrange(20000, 80000))
    new = changed(rng, old, kind)
    versions = {expected(corvane, command, v, folder) for v in (old, new)}
    src = os.path.join(folder, "input.txt")
    with open(src, "wb") as f:
        f.write(old)
    target = os.path.join(folder, "target.txt")
    with open(target, "wb") as f:
        f.write(b"keep me\n")
    args = [corvane] + command + (["-o", target] if to_file else []) + [src]
    p = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    chunks = []
    if by_output:
        # Read a part of the output, change the file while corvane waits to write the rest.
        wanted = rng.randrange(1, max(2, len(old) // 2))
        got = 0
        while got < wanted:
            chunk = p.stdout.read1(wanted - got)
            if not chunk:
                break
            chunks.append(chunk)
            got += len(chunk)
        apply(src, old, new)
    else:
        reader = threading.Thread(target=lambda: chunks.append(p.stdout.read()))
        reader.start()
        time.sleep(rng.random() * 0.03)
        apply(src, old, new)
        reader.join()
    chunks.append(p.stdout.read())
    err = p.stderr.read().decode("utf-8", "replace")
    status = p.wait(120)
    out = b"".join(chunks)
    with open(target, "rb") as f:
        written = f.read()
    where = "run %d: %s, %s, %s, %s" % (run, " ".join(command), kind,
                                        "-o" if to_file else "stdout",
                                        "by output" if by_output else "by time")
    if status == 0:
        result = (0, written if to_file else out)
        if result not in versions:
            return "FAIL " + where + ": success, but the output is no version's"
        return "ok-success"
    reported = "corvane: " + src + MESSAGE
    if to_file:
        reported += "corvane: " + target + ": left unchanged because of the errors above\n"
    if status == 1 and err == reported:
        if to_file and written != b"keep me\n":
            return "FAIL " + where + ": the -o target changed"
        return "ok-reported"
    return "FAIL %s: status %d, %r" % (where, status, err)


def main():
    corvane = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 20261208
    rng = random.Random(seed)
    counts = {}
    failures = []
    with tempfile.TemporaryDirectory(prefix="corvane-stress-") as folder:
        for run in range(runs):
            outcome = one_run(corvane, rng, folder, run)
            if outcome.startswith("FAIL"):
                failures.append(outcome)
                outcome = "FAIL"
            counts[outcome] = counts.get(outcome, 0) + 1
    print("%d runs, seed %d: %s" % (runs, seed, ", ".join(
        "%s %d" % kv for kv in sorted(counts.items()))))
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
