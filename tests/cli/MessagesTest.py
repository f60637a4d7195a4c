#!/usr/bin/env python3
"""corvane in English and in Japanese: every command's --help and a table of errors, in each
language the user's environment can choose. A Japanese line may hold no English text of the
table (cli/io/MessageTable.h) nor the C library's English error text; an English line no
Japanese one. Every --help line fits 80 columns, a full-width character counting two. The
messages are the table's texts with their arguments, and the system's error texts are those
of the C library in that language (Python's os.strerror() in that locale is the peer).

Under wine (a runner given) the language is the Windows UI language, which wine takes from the
process's locale variables: LC_ALL=ja_JP.UTF-8 (wine-run.sh's default) gives Japanese (0x0411);
CORVANE_WINE_MESSAGES=C makes wine-run.sh set LANG=ja_JP.UTF-8 and LC_MESSAGES=C without LC_ALL,
which gives English (0x0409) and keeps code page 932 (LC_MESSAGES=C.UTF-8 would not: wine reads
it as Japanese). Windows' Japanese error texts are FormatMessageW's, so there they are only
held to be Japanese.
Run as: MessagesTest.py [RUNNER...] CORVANE"""
import errno
import locale
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import MessageTable  # noqa: E402

RUNNER, CORVANE = sys.argv[1:-1], sys.argv[-1]
WINE = bool(RUNNER)
TABLE = MessageTable.rows()
EN, JA = 0, 1
FOREIGN = {EN: MessageTable.fragments(TABLE, JA), JA: MessageTable.fragments(TABLE, EN)}
NOT_ENGLISH = re.compile(r"[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")

# Environments and the language each gives: the first of LC_ALL, LC_MESSAGES and LANG that is
# set and not empty decides.
if WINE:
    ENVIRONMENTS = [({}, JA), ({"CORVANE_WINE_MESSAGES": "C"}, EN)]
else:
    ENVIRONMENTS = [
        ({"LANG": "ja_JP.UTF-8"}, JA),
        ({"LC_ALL": "C", "LANG": "ja_JP.UTF-8"}, EN),
        ({"LC_MESSAGES": "C", "LANG": "ja_JP.UTF-8"}, EN),
        ({"LC_ALL": "", "LC_MESSAGES": "ja_JP.UTF-8", "LANG": "C"}, JA),
        ({"LANG": "en_US.UTF-8"}, EN),
    ]


def system_text(number, language):
    """The C library's text for an errno value in language; None for Windows' Japanese."""
    if WINE and language == JA:
        return None
    locale.setlocale(locale.LC_ALL, "ja_JP.UTF-8" if language == JA else "C")
    try:
        return os.strerror(number)
    finally:
        locale.setlocale(locale.LC_ALL, "C")


def message(ident, language, *args):
    return "corvane: " + MessageTable.text(TABLE, ident, language, *args)


def usage(ident, language, *args):
    return [message(ident, language, *args), MessageTable.text(TABLE, "miTryHelp", language)]


def invalid_text(language):
    names = [MessageTable.text(TABLE, n, language) for n in ("miNameUtf8", "miNameCp932",
                                                             "miNameEucJp")]
    neither = MessageTable.text(TABLE, "miNor", language).join(names)
    return MessageTable.text(TABLE, "miInvalidText", language, neither)


# name, arguments, exit status, the lines of standard error in a language (None: the system's
# text, whatever it is in Japanese under wine).
def cases(language):
    enoent, eisdir = system_text(errno.ENOENT, language), system_text(errno.EISDIR, language)
    return [
        ("missing file", ["number", "nosuch.txt", "no such.txt"], 1,
         ["corvane: nosuch.txt: %s" % enoent, "corvane: 'no such.txt': %s" % enoent]),
        ("directory", ["number", "adir"], 1, ["corvane: adir: %s" % eisdir]),
        ("invalid text", ["number", "bad.txt"], 2,
         [message("miInvalidAt", language, "bad.txt", invalid_text(language), "3")]),
        ("bad option", ["number", "--bogus"], 1,
         usage("miUnrecognizedOption", language, "--bogus")),
        ("bad number", ["number", "-s", "3000000000"], 1,
         usage("miStartOutOfRange", language, "'3000000000'")),
        ("bad width", ["copy", "-w", "x"], 1, usage("miInvalidWidth", language, "'x'", "1000")),
        ("bad expression", ["number", "-b", "p\\("], 1,
         usage("miInvalidRegex", language, "'\\\\('",
               MessageTable.text(TABLE, "miReOpenParen", language))),
        ("unknown command", ["numbre"], 1, usage("miUnknownCommand", language, "'numbre'")),
    ]


def run(args, env, cwd):
    full = dict(os.environ)
    for name in ("LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE", "CORVANE_WINE_MESSAGES"):
        full.pop(name, None)
    full.update(env)
    p = subprocess.run(RUNNER + [CORVANE] + args, cwd=cwd, env=full, capture_output=True,
                       timeout=120)
    return p.returncode, p.stdout.decode("utf-8"), p.stderr.decode("utf-8").replace("\r\n", "\n")


def foreign(lines, language):
    """The lines that hold a text of the other language."""
    bad = []
    for line in lines:
        if any(f in line for f in FOREIGN[language]) or (language == EN and NOT_ENGLISH.search(line)):
            bad.append(line)
    return bad


def commands(env, cwd):
    """The commands the English overview lists, nl mode (nl's own help) aside."""
    _, out, _ = run(["--help"], env, cwd)
    listed = out.split("\nCommands:\n")[1].split("\n\n")[0]
    return [line.split()[0] for line in listed.splitlines() if line.split()[0] != "nl"]


def main():
    failed = passed = 0

    def check(ok, what):
        nonlocal failed, passed
        passed += ok
        failed += not ok
        if not ok:
            print("FAIL " + what)

    with tempfile.TemporaryDirectory() as work:
        os.mkdir(os.path.join(work, "adir"))
        with open(os.path.join(work, "bad.txt"), "wb") as f:
            f.write(b"ab\n\xff\xfe\n")
        english = ENVIRONMENTS[1][0] if len(ENVIRONMENTS) > 1 else ENVIRONMENTS[0][0]
        names = commands(english, work)
        check(len(names) >= 8, "the overview lists the commands: %r" % names)
        for env, language in ENVIRONMENTS:
            where = "%r (%s)" % (env, "Japanese" if language == JA else "English")
            for args in [["--help"]] + [[name, "--help"] for name in names]:
                status, out, err = run(args, env, work)
                lines = out.splitlines()
                wide = [line for line in lines if MessageTable.columns(line) > 80]
                check(status == 0 and err == "" and len(lines) > 5 and not wide,
                      "%s %s: exit %d, %r, wider than 80 columns: %r"
                      % (where, " ".join(args), status, err, wide))
                for line in foreign(lines, language):
                    check(False, "%s %s: other language: %r" % (where, " ".join(args), line))
            for name, args, want_status, want in cases(language):
                status, out, err = run(args, env, work)
                lines = err.splitlines()
                matches = len(lines) == len(want) and all(
                    got == line if "None" not in line else
                    re.fullmatch(re.escape(line).replace("None", "[^A-Za-z]+"), got)
                    for got, line in zip(lines, want))
                check(status == want_status and out == "" and matches,
                      "%s %s: exit %d (want %d), %r (want %r)"
                      % (where, name, status, want_status, lines, want))
                for line in foreign(lines, language):
                    check(False, "%s %s: other language: %r" % (where, name, line))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
