#!/usr/bin/env python3
"""corvane nl against GNU nl (/usr/bin/nl, coreutils 9.x), byte for byte.

Generated texts and option sets (fixed seed), usage errors and quoting tables run through
both programs: standard output must be identical, standard error and exit status equal once
the program name is the same. Where newer coreutils releases changed nl (a single multi-byte
-d character; write errors diagnosed while input is still coming) the newer behaviour is
checked on its own. Then pipes: endless input ends with its reader and into a full device,
and a numbered line comes out before the input ends. corvane runs as "corvane nl" and
through a link named nl.

Usage: NlModeTest.py path/to/corvane [CASES]
CASES: the generated option sets (260; regular expressions: 120 for 260, in proportion).
"""
import os
import random
import select
import shlex
import subprocess
import sys
import tempfile

GNU_NL = "/usr/bin/nl"
MAX = 2**63 - 1
MIN = -(2**63)
UTF8 = {"LC_ALL": "C.UTF-8"}
C_LOCALE = {"LC_ALL": "C"}

failures = []
checks = 0


def check(ok, what):
    global checks
    checks += 1
    if not ok:
        failures.append(what)
        if len(failures) <= 10:
            print("FAIL:", what)


def run(exe, argv, data=b"", env=None, cwd=None, timeout=60):
    environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin")}
    environment.update(env or UTF8)
    p = subprocess.run(argv, executable=exe, input=data, capture_output=True, env=environment,
                       cwd=cwd, timeout=timeout)
    return p.returncode, p.stdout, p.stderr


class Programs:
    def __init__(self, corvane, work):
        self.corvane, self.work = corvane, work
        self.link = os.path.join(work, "nl")
        os.symlink(os.path.abspath(corvane), self.link)

    def compare(self, args, data=b"", env=None, subcommand=False, label=""):
        """Both programs on the same arguments; ours as "corvane nl" or as argv[0] nl."""
        theirs = run(GNU_NL, [b"nl"] + args, data, env, self.work)
        if subcommand:
            rc, out, err = run(self.corvane, [b"corvane", b"nl"] + args, data, env, self.work)
            err = err.replace(b"corvane nl", b"nl")
        else:
            rc, out, err = run(self.link, [b"nl"] + args, data, env, self.work)
        check((rc, out, err) == theirs,
              f"{label} nl {args!r} input {data[:80]!r}...: ours rc {rc} err {err[:300]!r} "
              f"out {out[:120]!r}; GNU rc {theirs[0]} err {theirs[2][:300]!r} "
              f"out {theirs[1][:120]!r}")


# Generated texts: empty lines, delimiter-like lines, CR LF, NUL, invalid UTF-8, non-ASCII.
PIECES = [b"a", b"b", b"x y", b"12", b" ", b"\t", b":", b"\\", b"\r", b"\xff", b"\xc3\xa9",
          b"\x00", b"\xc2\xa7", b"X", b"ab"]
DELIMITER_LINES = [b"\\:\\:\\:", b"\\:\\:", b"\\:", b"\\:\\:\\:\\:", b"X:", b"X:X:X:", b"XY",
                   b"XYXY", b"XYXYXY", b"\xff:\xff:", b"\xc2\xa7:", b"abab", b":\\:", b"\\:\\:\r"]


def text(rng):
    lines = []
    for _ in range(rng.choice([0, 1, 3, 8, 20, 40])):
        kind = rng.random()
        if kind < 0.25:
            lines.append(b"")
        elif kind < 0.45:
            lines.append(rng.choice(DELIMITER_LINES))
        else:
            lines.append(b"".join(rng.choice(PIECES) for _ in range(rng.randint(1, 6))))
    data = b"\n".join(lines)
    return data + b"\n" if lines and rng.random() < 0.85 else data


STYLES = ["a", "t", "n", "pa", "p^$", "p^a", "p[0-9]", "px\\{2\\}", "p\\(a\\)b*\\1", "p.",
          "p[[:alpha:]]", "p^.$", "p\\<b", "pa\\|\\\\", "p[^a]", "p\xe9", "p\\(\\)", "pab",
          "p\\:$", "p[b-a]", "pa**"]
OPTIONS = {  # letter: (long name, values)
    "b": ("body-numbering", STYLES), "h": ("header-numbering", STYLES),
    "f": ("footer-numbering", STYLES), "n": ("number-format", ["ln", "rn", "rz"]),
    "w": ("number-width", ["1", "6", "20", "3", "+4", " 2"]),
    "s": ("number-separator", ["", ",", "\t", " :: ", "\u00a7", "SEPARATOR-LONG-12345"]),
    "v": ("starting-line-number", ["1", "0", "-1", "5", "-100", str(MAX), str(MAX - 3),
                                   str(MIN), str(MIN + 1), "+7", " 3", "010"]),
    "i": ("line-increment", ["1", "0", "-1", "3", "-7", str(MAX), str(MIN), "1000000007"]),
    "l": ("join-blank-lines", ["1", "2", "3", str(MAX)]),
    "d": ("section-delimiter", ["", "X", "XY", "XYZ", "\\", ":", "ab", b"\xff", "\u00a7\u00a7",
                                "\\:", "a\u00a7"]),
    "p": ("no-renumber", None),
}


def arg_bytes(a):
    return a if isinstance(a, bytes) else a.encode()


def spell(rng, letter, value):
    """One option in one of the ways getopt_long accepts it."""
    name, _ = OPTIONS[letter]
    if value is None:
        return [rng.choice([b"-p", b"--no-renumber", b"--no-r"])]
    name, value = name.encode(), arg_bytes(value)
    abbreviation = name[:{"n": 8, "s": 9, "w": 8, "h": 3}.get(letter, 2)]
    return rng.choice([[b"-" + letter.encode() + value], [b"-" + letter.encode(), value],
                       [b"--" + name + b"=" + value], [b"--" + name, value],
                       [b"--" + abbreviation + b"=" + value]])


def generated_cases(programs, rng, count):
    for case in range(count):
        groups = []
        for letter in rng.sample(sorted(OPTIONS), rng.randint(0, 5)):
            values = OPTIONS[letter][1]
            groups.append(spell(rng, letter, None if values is None else rng.choice(values)))
        data = text(rng)
        files, stdin = [], data
        if rng.random() < 0.35:  # the text split over files, with an empty and a missing one
            cut = rng.randint(0, len(data))
            for name, content in (("f1", data[:cut]), ("f2", data[cut:]), ("empty", b"")):
                with open(os.path.join(programs.work, name), "wb") as f:
                    f.write(content)
            files = [b"f1", b"empty", b"f2"] + rng.choice([[], [b"missing"], [b"-"]])
            stdin = b"from stdin\n\n"
        if files and rng.random() < 0.3:
            groups.append([b"--"] + files)  # after "--" everything is a file name
        else:  # file names among the options: getopt permutes them
            for name in files:
                groups.insert(rng.randint(0, len(groups)), [name])
        env = C_LOCALE if rng.random() < 0.15 else UTF8
        programs.compare([a for g in groups for a in g], stdin, env, subcommand=case % 3 == 0,
                         label=f"generated case {case}")


# Pieces of basic regular expressions, put together at random: the pBRE engine against nl's.
BRE_TOKENS = ["a", "b", ".", "*", "\\+", "\\?", "\\{1\\}", "\\{0,2\\}", "\\{2,\\}", "^", "$",
              "\\(", "\\)", "\\|", "[ab]", "[^a]", "[a-c]", "[[:alpha:]]", "[[:digit:]]", "\\1",
              "\\<", "\\>", "\\b", "\\B", "\\w", "\\W", "\\s", "\u00e9", b"\xff", "[]a]", "[^]]",
              "\\.", "\\{", "[[.a.]]", "[[=b=]]", "\\`", "\\'", " ", "0", "[b-a]", "-"]
BRE_LINES = b"\n".join([b"", b"a", b"b", b"ab", b"aab", b"ba a", b"x0", b"\xc3\xa9", b"\xff",
                        b"a\x00b", b"{1}", b"-*.", b"_a b_", b"abab", b"a\r", b"]"]) + b"\n"


def regex_cases(programs, rng, count):
    for _ in range(count):
        pattern = b"".join(arg_bytes(rng.choice(BRE_TOKENS)) for _ in range(rng.randint(1, 6)))
        programs.compare([b"-bp" + pattern], BRE_LINES, label="pBRE")


USAGE_ERRORS = [
    ["-bx"], ["-b"], ["-hq"], ["-fpa\\("], ["-nxx"], ["-n"], ["-w0"], ["-w-1"], ["-wx"],
    ["-w99999999999999999999"], ["-w2147483648"], ["-w", "2147483647x"], ["-v"], ["-vx"],
    ["-v99999999999999999999"], ["-v", "-9223372036854775809"], ["-i", "x"], ["-i", ""],
    ["-i99999999999999999999"], ["-l0"], ["-l-1"], ["-lx"], ["-l", "9223372036854775808"],
    ["-x"], ["-W"], ["-pW"], ["--xyz"], ["--xyz=1"], ["--n"], ["--number"], ["--s=1"],
    ["--he"], ["--h"], ["--="], ["---x"], ["--help=x"], ["--version=1"], ["--no=1"],
    ["--body"], ["--body-numbering="], ["-bx", "-x", "-ny"], ["-x", "-w0"], ["-bx", "-w0"],
    ["-x", "-bp\\("], ["-ba", "-bp\\("], ["-bp\\(", "-bpa"], ["-bx", "-hpa\\("], ["-x", "-b"],
    ["-b", "-x"], ["--body-numbering", "-x"], ["-v", "5x"], ["-v", "5 "], ["-v", "+-5"],
    ["-v", "0x10"], ["-v", "\u0660"], ["-w", ""], ["-\u00e9"], ["-bp["], ["-bp\\"],
    ["-bp[[:foo:]]"], ["-bpa\\{1"], ["-bpa\\{2,1\\}"], ["-bpx\\{32768\\}"], ["-bp\\)"],
    ["-bp\\1"], ["-bp[[.ab.]]"], ["-bp[a"], ["-bp[[:alpha:]-z]"],
] + [  # both sides of every range boundary of -w and -l
    ["-" + option, str(value)] for option in "wl"
    for value in (MIN, MIN + 1, -2**31, -2**30 - 1, -2**30, -2**30 + 1, -1, 0)
] + [["-w", str(value)] for value in (2**31, 2**62, MAX)]
BAD_ARGUMENTS = [" a", "\t", "\n", "\x01", "\x7f", "'", '"', "\\", "??(", "\u00e9", b"\xff",
                 b"\xc2", b"a\xc2\x85", "\u2018", "\u2019", "\x1b", "\a\b\f\r\v", "$`~!#*",
                 "", "\uff41", "\u200b", "\u00a0"]
MISSING_FILES = ["nofile", "a b", "it's", "a' b", "a'$", "a'\\", "''", "a\tb\tc", "\u00e9",
                 b"\xff\xfe", b"a\xffb\xfe", "a$b", "a*", "~x", "x~", "a=b", "a:b", "#x",
                 "x#", "a\\b", 'a"b', "!x", "a,b", "a@b", "%", "^", "{a}", "[a]", "a|b",
                 "(a)", "a?b", "a'b\"c", "a\nb", "/no/such/dir/x", "\uff41", "a\u0085", "",
                 b"\xe2\x80", "it's:x", ".", "-"]


def table_cases(programs):
    for args in USAGE_ERRORS:
        programs.compare([arg_bytes(a) for a in args], b"a\n", label="usage error")
        programs.compare([arg_bytes(a) for a in args], b"a\n", subcommand=True,
                         label="usage error")
    for env in (UTF8, C_LOCALE):
        for bad in BAD_ARGUMENTS:
            for option in (b"-n", b"-b", b"-v"):
                programs.compare([option + arg_bytes(bad)], b"a\n", env, label="quoting")
        for name in MISSING_FILES:
            programs.compare([b"--", arg_bytes(name)], b"", env, label="file name")
    # At and beyond the 64-bit limits: nl stops when a number past the range is needed.
    two, sections = b"a\nb\n", b"a\n\\:\\:\nb\nc\n"
    for args, data in [(["-v", str(MAX)], two), (["-v", str(MAX)], b"a\n"),
                       (["-v", str(MAX)], b"a\n\nb\n"), (["-v", str(MAX)], sections),
                       (["-p", "-v", str(MAX)], sections), (["-i", str(MIN)], b"a\nb\nc\n"),
                       (["-v", str(MIN), "-i", "-1"], two), (["-v", str(MAX), "-i", "0"], two),
                       (["-v", str(MAX), "-bn"], two), (["-v", str(MIN), "-nrz", "-w25"], two),
                       (["-v", "-5", "-nrz", "-w1"], two), (["-v", str(MAX - 1), "-i2"], two)]:
        programs.compare([a.encode() for a in args], data, label="limits")
    # Lines longer than the input buffer, wide fields, directories, standard input twice.
    long_line = b"q" * 300000 + b"\\:"
    for style in ["t", "a", "n", "p:$", "p^\\\\:"]:
        for tail in [b"", b"\n", b"\n\\:\\:\n" + long_line, b"\nshort\n"]:
            programs.compare([b"-b" + style.encode(), b"-fa"], long_line + tail, label="long")
    for fmt in [b"ln", b"rn", b"rz"]:
        programs.compare([b"-w", b"70000", b"-n", fmt, b"-ba"], b"a\n\nb", label="wide")
    programs.compare([b".", b"-", b"-"], b"x\n", label="directory")


def newer_release_cases(programs):
    # One multi-byte character for -d stands for itself and ':' (coreutils 9.1 takes bytes).
    data = b"a\n\xc2\xa7:\xc2\xa7:\nb\n\xc2\xa7:\nc\n\xc2\xa7\xc2\xa7\nd\n"
    for spelled in ([b"-d\xc2\xa7"], [b"--section-delimiter", b"\xc2\xa7"]):
        rc, out, err = run(programs.link, [b"nl", b"-ba", b"-fa"] + spelled, data)
        theirs = run(GNU_NL, [b"nl", b"-ba", b"-fa", b"-d\xc2\xa7:"], data)
        check((rc, out, err) == theirs, f"-d \u00a7 is \u00a7: ({spelled!r}): {out!r}")
    programs.compare([b"-d\xc2\xa7", b"-ba"], data, C_LOCALE, label="-d in C locale")
    # Of several -d the last wins (9.1 copies a one- or two-byte value over the one before).
    data = b"a\n\\:\\:\nb\nx:x:\nc\nxbxb\nd\nxyzxyz\ne\n"
    for earlier in ([b"-dab"], [b"-d", b""], [b"-dxyz"], [b"--section-delimiter=\\:"]):
        ours = run(programs.link, [b"nl", b"-ba"] + earlier + [b"-dx"], data)
        check(ours == run(GNU_NL, [b"nl", b"-ba", b"-dx"], data), f"{earlier!r} -dx: {ours!r}")
    # Endless input into a full device: a write error at once, status 1.
    for command, program in ((shlex.quote(programs.link), programs.link),
                             (shlex.quote(programs.corvane) + " nl", "corvane nl")):
        p = subprocess.run(f"yes | {command} > /dev/full", shell=True, capture_output=True,
                           timeout=30, env={"PATH": "/usr/bin:/bin"})
        check(p.returncode == 1 and
              p.stderr.endswith(f"{program}: write error: No space left on device\n".encode()),
              f"endless input into /dev/full: rc {p.returncode}, {p.stderr!r}")


def pipe_cases(programs):
    p = subprocess.run(f"yes | {shlex.quote(programs.corvane)} nl | head -1", shell=True,
                       capture_output=True, timeout=30)
    check(p.stdout == b"     1\ty\n", f"yes | corvane nl | head -1: {p.stdout!r}")
    # A line comes out numbered while the input is still open.
    proc = subprocess.Popen([programs.corvane, "nl", "-ba"], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE)
    proc.stdin.write(b"first\n")
    proc.stdin.flush()
    ready, _, _ = select.select([proc.stdout], [], [], 10)
    first = os.read(proc.stdout.fileno(), 100) if ready else b""
    proc.stdin.write(b"second")
    proc.stdin.close()
    rest = proc.stdout.read()
    check(first == b"     1\tfirst\n" and rest == b"     2\tsecond\n" and proc.wait() == 0,
          f"streaming: {first!r} then {rest!r}")


def interface_cases(programs):
    # Run through the link by its path: argv[0] names the program in every message.
    path = programs.link.encode()
    for args in ([b"-x"], [b"--he"], [b"missing"]):
        ours = run(programs.link, [path] + args)
        check(ours == run(GNU_NL, [path] + args), f"link by path {args!r}: {ours!r}")
    for argv, usage in (([b"nl"], b"Usage: nl [OPTION]... [FILE]..."),
                        ([b"corvane", b"nl"], b"Usage: corvane nl [OPTION]... [FILE]...")):
        exe = programs.link if argv == [b"nl"] else programs.corvane
        rc, out, err = run(exe, argv + [b"--help"])
        lines = out.decode().splitlines()
        check(rc == 0 and not err and lines[0] == usage.decode() and
              max(map(len, lines)) <= 80, f"{argv!r} --help: {out!r}")
        rc, out, err = run(exe, argv + [b"--vers"])
        first = out.decode().splitlines()[0].split(" ")
        check(rc == 0 and first[:2] == ["nl", "(Corvane)"] and b"License MIT" in out,
              f"{argv!r} --version: {out!r}")
    # Help and version end the parsing at once, whatever faults came before.
    for args in ([b"-bx", b"--help"], [b"-x", b"--version"], [b"--help", b"-bx"]):
        rc, out, err = run(programs.link, [b"nl"] + args)
        theirs = run(GNU_NL, [b"nl"] + args)
        check((rc, err) == (theirs[0], theirs[2]) and out, f"{args!r}: rc {rc} {err!r}")
    with open(os.path.join(programs.work, "f1"), "wb") as f:
        f.write(b"a\n\n")
    programs.compare([b"f1", b"-ba", b"--", b"-x"], env=dict(UTF8, POSIXLY_CORRECT="1"),
                     label="POSIXLY_CORRECT: options end at the first file name")


def main():
    corvane = os.path.abspath(sys.argv[1])
    cases = int(sys.argv[2]) if len(sys.argv) > 2 else 260
    version = subprocess.run([GNU_NL, "--version"], capture_output=True, text=True).stdout
    if "GNU coreutils" not in version:
        print("NlModeTest: needs GNU nl at " + GNU_NL)
        return 1
    with tempfile.TemporaryDirectory(prefix="NlModeTest.") as work:
        programs = Programs(corvane, work)
        generated_cases(programs, random.Random(20240917), cases)
        regex_cases(programs, random.Random(20240918), cases * 120 // 260)
        table_cases(programs)
        newer_release_cases(programs)
        pipe_cases(programs)
        interface_cases(programs)
    print(f"NlModeTest: {checks - len(failures)} of {checks} checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
