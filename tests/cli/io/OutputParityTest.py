#!/usr/bin/env python3
"""One table of -o targets and one of --in-place files, run by the same script on corvane natively and on corvane.exe under
wine (x86 and x64), each row held to one outcome on both systems: exit status, message, what
the target and any other name hold afterwards, and whether a link is still a link. Signals
that end a run while it writes are rows too: never exit status 0, nothing left behind.

A row's `wine` entry is where wine itself cannot give the Windows behaviour (it shows a
dangling unix symbolic link as no file at all); it is asserted too, so a change shows.

Usage: OutputParityTest.py [RUNNER...] CORVANE"""
import os
import re
import signal
import stat
import subprocess
import sys
import tempfile
import time

RUNNER, CORVANE = sys.argv[1:-1], os.path.abspath(sys.argv[-1])
WINE = bool(RUNNER)
SOURCE, NUMBERED, OLD = b"a\nb\n", b"1:a\n2:b\n", b"old\n"
NULL = "NUL" if WINE else "/dev/null"


def files(**content):
    return lambda d: [write(os.path.join(d, n), c) for n, c in content.items()]


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def links(*pairs):
    return lambda d: [os.symlink(target, os.path.join(d, name)) for name, target in pairs]


def hard_link(d):
    write(os.path.join(d, "h.txt"), OLD)
    os.link(os.path.join(d, "h.txt"), os.path.join(d, "h2.txt"))


def read_only(d):
    write(os.path.join(d, "ro.txt"), OLD)
    os.chmod(os.path.join(d, "ro.txt"), 0o444)


# name, setup, -o target, status, message (a regex over standard error), afterwards: name ->
# content (None: absent), links that must still be links, and what wine gives instead.
ROWS = [
    ("new file", None, "new.txt", 0, "", {"new.txt": NUMBERED}, []),
    ("existing file", files(**{"t.txt": OLD}), "t.txt", 0, "", {"t.txt": NUMBERED}, []),
    ("hard-linked file", hard_link, "h.txt", 1,
     r"corvane: h\.txt: has 2 hard links; not replaced", {"h.txt": OLD, "h2.txt": OLD}, []),
    ("symbolic link", lambda d: (files(**{"t.txt": OLD})(d), links(("l.txt", "t.txt"))(d)),
     "l.txt", 0, "", {"t.txt": NUMBERED}, ["l.txt"]),
    ("chain of links", lambda d: (files(**{"t.txt": OLD})(d),
                                  links(("c1", "c2"), ("c2", "t.txt"))(d)),
     "c1", 0, "", {"t.txt": NUMBERED}, ["c1", "c2"]),
    ("dangling link", links(("d.txt", "missing.txt")), "d.txt", 1,
     r"corvane: d\.txt: dangling symbolic link to 'missing\.txt'; nothing written",
     {"missing.txt": None}, ["d.txt"],
     {"wine": (0, "", {"d.txt": NUMBERED}, [])}),
    ("dangling chain", links(("e1", "e2"), ("e2", "gone.txt")), "e1", 1,
     r"corvane: e1: dangling symbolic link to 'gone\.txt'; nothing written",
     {"gone.txt": None}, ["e1", "e2"],
     {"wine": (0, "", {"e1": NUMBERED}, ["e2"])}),
    ("link loop", links(("p1", "p2"), ("p2", "p1")), "p1", 1,
     r"corvane: p1: Too many levels of symbolic links", {}, ["p1", "p2"]),
    ("directory", lambda d: os.mkdir(os.path.join(d, "dir")), "dir", 1,
     r"corvane: dir: Is a directory", {}, []),
    ("read-only file", read_only, "ro.txt", 0, "", {"ro.txt": NUMBERED}, []),
    ("missing folder", None, "no/x.txt", 1,
     r"corvane: cannot create temporary file in 'no/?': No such file or directory",
     {"no": None}, []),
    ("standard output", None, "-", 0, "", {}, []),
    ("null device", None, NULL, 0, "", {}, []),
]

# --in-place: name, setup, arguments after "number", status, standard error (a regex over all
# of it), afterwards as above, and what wine gives instead.
BAD = b"\xff\xfe\x00\xd8"  # UTF-16LE with an unpaired surrogate
UTF16BE = b"\xfe\xff\x30\x42\x00\r"  # "あ" and a lone CR
IN_PLACE_ROWS = [
    ("in place, several", files(**{"a.txt": SOURCE, "b.txt": b"x\r\n", "c.txt": UTF16BE}),
     ["--in-place", "a.txt", "b.txt", "c.txt"], 0, "",
     {"a.txt": NUMBERED, "b.txt": b"1:x\r\n", "c.txt": b"\xfe\xff\x001\x00:" + UTF16BE[2:]}, []),
    ("in place, backup", files(**{"t.txt": SOURCE, "t.txt~": OLD}), ["--in-place=~", "t.txt"], 0,
     "", {"t.txt": NUMBERED, "t.txt~": SOURCE}, []),
    ("in place, backup a folder", lambda d: (files(**{"t.txt": SOURCE})(d),
                                              os.mkdir(os.path.join(d, "t.txt.b"))),
     ["--in-place=.b", "t.txt"], 1,
     r"corvane: t\.txt: cannot keep the original as '[^']*t\.txt\.b': Is a directory\n",
     {"t.txt": SOURCE}, []),
    ("in place, link", lambda d: (files(**{"t.txt": SOURCE})(d), links(("l.txt", "t.txt"))(d)),
     ["--in-place=.bak", "l.txt"], 0, "",
     {"t.txt": NUMBERED, "t.txt.bak": SOURCE, "l.txt.bak": None}, ["l.txt"]),
    ("in place, one fails", files(**{"bad.txt": BAD, "ok.txt": SOURCE}),
     ["--in-place=.bak", "bad.txt", "missing.txt", "ok.txt"], 2,
     r"corvane: bad\.txt: unpaired surrogate[^\n]*\ncorvane: bad\.txt: left unchanged\n"
     r"corvane: missing\.txt: No such file or directory\n",
     {"bad.txt": BAD, "bad.txt.bak": None, "ok.txt": NUMBERED, "ok.txt.bak": SOURCE}, []),
    ("in place, hard link", hard_link, ["--in-place", "h.txt"], 1,
     r"corvane: h\.txt: has 2 hard links; not replaced[^\n]*\n", {"h.txt": OLD, "h2.txt": OLD},
     []),
    ("in place, read-only", read_only, ["--in-place", "ro.txt"], 0, "", {"ro.txt": b"1:old\n"}, []),
    ("in place, directory", lambda d: os.mkdir(os.path.join(d, "dir")), ["--in-place", "dir"], 1,
     r"corvane: dir: Is a directory\n", {}, []),
    ("in place, device", None, ["--in-place", NULL], 1,
     r"corvane: %s: not a regular file; not edited in place\n" % re.escape(NULL), {}, []),
    ("in place with -o", files(**{"t.txt": SOURCE}), ["--in-place", "-o", "u.txt", "t.txt"], 1,
     r"corvane: options '--in-place' and '-o' cannot be combined\n.*", {"t.txt": SOURCE,
                                                                         "u.txt": None}, []),
    # Windows programs expand their own wildcards.
    ("in place, wildcard", files(**{"w1.txt": SOURCE, "w2.txt": b"x\n"}),
     ["--in-place", "w*.txt"], 1, r"corvane: 'w\*\.txt': No such file or directory\n",
     {"w1.txt": SOURCE}, [], {"wine": (0, "", {"w1.txt": NUMBERED, "w2.txt": b"1:x\n"}, [])}),
]



def corvane(args, cwd):
    p = subprocess.run(RUNNER + [CORVANE] + args, cwd=cwd, capture_output=True, timeout=300)
    # Only corvane's own lines count; wine may add its own.
    err = p.stderr.decode("utf-8", "replace").replace("\r", "").splitlines(keepends=True)
    return p.returncode, p.stdout, "".join(l for l in err if l.startswith("corvane"))


def content(path):
    if not os.path.lexists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def leftovers(work):
    return [n for n in os.listdir(work) if n.startswith(".corvane-")]


def check_row(row, work):
    name, setup, target, status, message, after, still_links = row[:7]
    if WINE and len(row) > 7:
        status, message, after, still_links = row[7]["wine"]
    write(os.path.join(work, "src.txt"), SOURCE)
    if setup:
        setup(work)
    code, out, err = corvane(["number", "-o", target, "src.txt"], work)
    got = [code, bool(re.fullmatch(message + r"[^\n]*\n", err)) if message else err == "",
           out == (NUMBERED if target == "-" else b"")]
    got += [content(os.path.join(work, n)) == c for n, c in after.items()]
    got += [os.path.islink(os.path.join(work, n)) for n in still_links]
    if name == "read-only file":
        got.append(stat.S_IMODE(os.stat(os.path.join(work, target)).st_mode) & 0o222 == 0)
    got.append(leftovers(work) == [])
    want = [status] + [True] * (len(got) - 1)
    return got == want, "status %d, stderr %r, stdout %r, folder %s" % (
        code, err, out, sorted(os.listdir(work)))


def check_in_place(row, work):
    name, setup, args, status, message, after, still_links = row[:7]
    if WINE and len(row) > 7:
        status, message, after, still_links = row[7]["wine"]
    if setup:
        setup(work)
    code, out, err = corvane(["number"] + args, work)
    got = [code, bool(re.fullmatch(message, err, re.S)), out == b""]
    got += [content(os.path.join(work, n)) == c for n, c in after.items()]
    got += [os.path.islink(os.path.join(work, n)) for n in still_links]
    if name.endswith("read-only"):
        got.append(stat.S_IMODE(os.stat(os.path.join(work, "ro.txt")).st_mode) & 0o222 == 0)
    got.append(leftovers(work) == [])
    want = [status] + [True] * (len(got) - 1)
    return got == want, "status %d, stderr %r, folder %s" % (code, err, sorted(os.listdir(work)))


def check_directory_input(work):
    """A folder given as input says what it is, on both systems."""
    code, out, err = corvane(["number", "."], work)
    return (code, out, err) == (1, b"", "corvane: .: Is a directory\n"), repr((code, out, err))


def check_signal(sig, work):
    """A run ended while it writes its -o target: status not 0, target and folder as before.
    Under wine SIGQUIT ends the process with status 0 (wine's own handling, which a Windows
    program never sees): that row expects it, and only the cleanup is held."""
    target = os.path.join(work, "t.txt")
    write(target, OLD)
    p = subprocess.Popen(RUNNER + [CORVANE, "number", "-o", "t.txt"], cwd=work,
                         stdin=subprocess.PIPE, stderr=subprocess.DEVNULL)
    p.stdin.write(b"x\n" * 1000)
    p.stdin.flush()
    # Natively the temporary file has no name; under wine it is marked for deletion on close.
    # Either way, a moment after it appears (or after start) the run waits on its input.
    for _ in range(600):
        if leftovers(work) or not WINE:
            break
        time.sleep(0.05)
    time.sleep(0.5)
    p.send_signal(sig)
    p.wait(60)
    p.stdin.close()
    time.sleep(0.5 if WINE else 0)
    exited_zero = p.returncode == 0
    expect_zero = WINE and sig == signal.SIGQUIT
    ok = exited_zero == expect_zero and content(target) == OLD and leftovers(work) == []
    return ok, "status %d, folder %s" % (p.returncode, sorted(os.listdir(work)))


def main():
    failures = 0
    cases = [(row[0], lambda w, row=row: check_row(row, w)) for row in ROWS]
    cases += [(row[0], lambda w, row=row: check_in_place(row, w)) for row in IN_PLACE_ROWS]
    cases.append(("folder as input", check_directory_input))
    signals = [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGKILL]
    cases += [(s.name, lambda w, s=s: check_signal(s, w)) for s in signals]
    for name, check in cases:
        with tempfile.TemporaryDirectory(prefix="corvane-parity-", dir=os.getcwd()) as work:
            ok, detail = check(work)
        print("%-18s %s%s" % (name, "ok" if ok else "FAILED: ", "" if ok else detail))
        failures += not ok
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
