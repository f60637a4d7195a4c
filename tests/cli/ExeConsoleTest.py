#!/usr/bin/env python3
"""corvane.exe writing to a console, under wine: Japanese text must read right whatever the
console's code page (wine's is 932 here). Wine makes a unix terminal given as standard output
into a console for the program, so each run gets a pseudo-terminal and what wine draws on it
is read back, less its cursor sequences and carriage returns. Lines stay short: wine wraps at
80 columns. The cases run with an English UI language but --help, which a Japanese one must
show as the Japanese of the text table (MessageTable.py). Run as: ExeConsoleTest.py RUNNER...
CORVANE_EXE"""
import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import MessageTable  # noqa: E402

RUNNER, CORVANE = sys.argv[1:-1], sys.argv[-1]
ESCAPES = re.compile(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07")
# Without a display the runner borrows one for the run; wine's helpers that outlive it say so
# on the terminal they inherited.
X_GONE = re.compile(rb"^X connection to \S+ broken .*\n", re.M)


def on_console(args, cwd, japanese):
    """Runs corvane with standard output and error on a pseudo-terminal, with a Japanese or an
    English UI language (cmake/wine-run.sh): (status, screen)."""
    env = dict(os.environ)
    env.pop("CORVANE_WINE_MESSAGES", None)
    if not japanese:
        env["CORVANE_WINE_MESSAGES"] = "C"
    master, slave = pty.openpty()
    proc = subprocess.Popen(RUNNER + [CORVANE] + args, cwd=cwd, stdin=slave, stdout=slave,
                            stderr=slave, close_fds=True, env=env)
    os.close(slave)
    screen, deadline, last = b"", time.monotonic() + 120, time.monotonic()
    # A wine server started by this run keeps the terminal open after corvane ends: then read
    # until the program is gone and the terminal has been quiet for two seconds.
    while time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.25)
        if not ready:
            if proc.poll() is not None and time.monotonic() - last > 2:
                break
            continue
        last = time.monotonic()
        try:
            data = os.read(master, 65536)
        except OSError:  # EIO: every writer has closed the terminal
            break
        if not data:
            break
        screen += data
    os.close(master)
    status = proc.wait(timeout=60)
    screen = ESCAPES.sub(b"", screen).replace(b"\r", b"")
    return status, X_GONE.sub(b"", screen).decode("utf-8", "replace")


def main():
    text = "行番号\nテスト ｱ\n"
    files = {
        "utf8.txt": text.encode("utf-8"),
        "bom.txt": b"\xef\xbb\xbf" + text.encode("utf-8"),
        "utf16le.txt": b"\xff\xfe" + text.encode("utf-16-le"),
        "utf16be.txt": b"\xfe\xff" + text.encode("utf-16-be"),
        "cp932.txt": text.encode("cp932"),
    }
    euc_jp = subprocess.run(["iconv", "-f", "UTF-8", "-t", "EUC-JP"],
                            input=(text + "丂～\n").encode(),
                            capture_output=True, check=True).stdout
    numbered = "1:行番号\n2:テスト ｱ\n"
    cases = [(["number", name], 0, numbered) for name in files]
    cases += [
        # Inputs one after another, each in its own encoding, BOMs not shown.
        (["number", "cp932.txt", "utf16be.txt", "bom.txt"], 0, numbered * 3),
        (["nl", "-s:", "-w1", "utf8.txt"], 0, numbered),
        # EUC-JP through 20932: JIS X 0212 and its tilde, which 20932 reads otherwise.
        (["number", "-e", "euc-jp", "eucjp.txt"], 0, numbered + "3:丂～\n"),
        (["number", "存在しない.txt"], 1, "corvane: 存在しない.txt: No such file or directory\n"),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        for name, data in list(files.items()) + [("eucjp.txt", euc_jp)]:
            with open(os.path.join(work, name), "wb") as f:
                f.write(data)
        for args, want_status, want_screen in cases:
            status, screen = on_console(args, work, False)
            if status != want_status or screen != want_screen:
                failed += 1
                print("FAIL %s: exit %d (want %d), screen %r (want %r)"
                      % (" ".join(args), status, want_status, screen, want_screen))
        # Code page 932 on the console, and the help in Japanese from head to foot.
        table = MessageTable.rows()
        head = (MessageTable.text(table, "miHelpUsage", 1, "COMMAND")
                + MessageTable.text(table, "miHelpOverview", 1))
        foot = MessageTable.text(table, "miHelpExit", 1)
        status, screen = on_console(["--help"], work, True)
        if status != 0 or not screen.startswith(head) or not screen.endswith(foot):
            failed += 1
            print("FAIL --help in Japanese: exit %d, screen %r" % (status, screen))
        cases.append(["--help"])
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
