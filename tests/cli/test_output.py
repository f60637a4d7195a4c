#!/usr/bin/env python3
"""Where corvane's output goes: -o on every kind of target, closed standard descriptors, and
signals during a replacement. Each case checks the status, the message, the kind of file
afterwards, the bytes written and that no temporary file is left behind.

Usage: test_output.py path/to/corvane
"""
import os
import pwd
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import time
import unittest

CORVANE = None
SOURCE = b"a\nb\n"
NUMBERED = b"1:a\n2:b\n"


def run(args, stdin=b"", **kwargs):
    p = subprocess.run([CORVANE] + args, input=stdin, capture_output=True, timeout=60, **kwargs)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


def shell(script, *args):
    """Runs a bash script with $0 = corvane and $1... = args (for closed descriptors)."""
    p = subprocess.run(["bash", "-c", script, CORVANE, *args], capture_output=True, timeout=60)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


class Output(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="corvane-out-")
        self.addCleanup(self.dir.cleanup)
        self.src = self.path("src.txt")
        self.write(self.src, SOURCE)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, path, data):
        with open(path, "wb") as f:
            f.write(data)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def tearDown(self):
        self.assertEqual([n for n in os.listdir(self.dir.name) if n.startswith(".corvane-")], [])

    def test_regular_files_links_and_refusals(self):
        target, link = self.path("target.txt"), self.path("link.txt")
        rows = [
            # name, prepare(), expected status, message part, check()
            ("regular", lambda: self.write(target, b"old\n"), target, 0, "",
             lambda: self.assertEqual(self.read(target), NUMBERED)),
            ("new", lambda: None, self.path("new.txt"), 0, "",
             lambda: self.assertEqual(self.read(self.path("new.txt")), NUMBERED)),
            ("symlink", lambda: (self.write(target, b"old\n"), os.symlink("target.txt", link)),
             link, 0, "", lambda: (self.assertTrue(os.path.islink(link)),
                                   self.assertEqual(self.read(target), NUMBERED))),
            ("dangling", lambda: os.symlink("missing.txt", link), link, 1,
             link + ": dangling symbolic link to 'missing.txt'",
             lambda: (self.assertTrue(os.path.islink(link)),
                      self.assertFalse(os.path.exists(self.path("missing.txt"))))),
            ("loop", lambda: (os.symlink("loop2", self.path("loop1")),
                              os.symlink("loop1", self.path("loop2"))),
             self.path("loop1"), 1, "Too many levels of symbolic links",
             lambda: self.assertTrue(os.path.islink(self.path("loop1")))),
            ("hard link", lambda: (self.write(target, b"old\n"), os.link(target, link)), link, 1,
             "has 2 hard links; not replaced",
             lambda: (self.assertEqual(self.read(target), b"old\n"),
                      self.assertEqual(os.stat(target).st_nlink, 2))),
            ("directory", lambda: os.mkdir(target), target, 1, "Is a directory",
             lambda: self.assertTrue(os.path.isdir(target))),
            ("missing folder", lambda: None, self.path("no/x.txt"), 1,
             "cannot create temporary file", lambda: None),
        ]
        for name, prepare, out, status, message, check in rows:
            with self.subTest(target=name):
                for n in os.listdir(self.dir.name):
                    p = self.path(n)
                    if n != "src.txt":
                        os.rmdir(p) if os.path.isdir(p) and not os.path.islink(p) else os.unlink(p)
                prepare()
                code, stdout, err = run(["number", "-o", out, self.src])
                self.assertEqual(code, status, err)
                self.assertEqual(stdout, b"")
                if message:
                    self.assertIn(message, err)
                else:
                    self.assertEqual(err, "")
                check()

    def test_replacement_keeps_mode_owner_and_group(self):
        target = self.path("target.txt")
        self.write(target, b"old\n")
        os.chmod(target, 0o640)
        if os.geteuid() == 0:
            nobody = pwd.getpwnam("nobody")
            os.chown(target, nobody.pw_uid, nobody.pw_gid)
        before = os.stat(target)
        self.assertEqual(run(["number", "-o", target, self.src])[0], 0)
        after = os.stat(target)
        self.assertEqual(self.read(target), NUMBERED)
        self.assertEqual((stat.S_IMODE(after.st_mode), after.st_uid, after.st_gid),
                         (0o640, before.st_uid, before.st_gid))
        self.assertNotEqual(after.st_ino, before.st_ino)  # replaced, not rewritten

    def test_devices_fifos_and_descriptors_are_written_not_replaced(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        got = []
        reader = threading.Thread(target=lambda: got.append(self.read(fifo)))
        reader.start()
        code, _, err = run(["number", "-o", fifo, self.src])
        reader.join(30)
        self.assertEqual((code, err, got), (0, "", [NUMBERED]))
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))

        # /dev/stdout and -o - into a pipe: the bytes arrive there, no file is made.
        for name in ["/dev/stdout", "/proc/self/fd/1", "-"]:
            with self.subTest(target=name):
                code, out, err = run(["number", "-o", name, self.src], cwd=self.dir.name)
                self.assertEqual((code, out, err), (0, NUMBERED, ""))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["fifo", "src.txt"])

        null = self.path("fakenull")
        try:
            os.mknod(null, 0o666 | stat.S_IFCHR, os.makedev(1, 3))
        except PermissionError:
            print("\nskipped: mknod refused, no character device case", file=sys.stderr)
            return
        code, _, err = run(["number", "-o", null, self.src])
        self.assertEqual((code, err), (0, ""))
        self.assertTrue(stat.S_ISCHR(os.stat(null).st_mode))

    def test_closed_standard_descriptors(self):
        out = self.path("out.txt")
        rows = [
            # script, status, stdout, message, out.txt afterwards
            ('"$0" number - <&-', 1, b"", "corvane: -: Bad file descriptor", None),
            ('"$0" number -o "$2" - <&-', 1, b"", "corvane: -: Bad file descriptor", None),
            ('"$0" number "$1" >&-', 1, b"", "corvane: write error: Bad file descriptor", None),
            ('"$0" number -o "$2" "$1" >&-', 0, b"", "", NUMBERED),
            # A warning to a closed standard error is dropped; nothing else is lost.
            ('"$0" continue "$1" 2>&-', 0, SOURCE, "", None),
            ('"$0" continue -o "$2" "$1" 2>&-', 0, b"", "", SOURCE),
        ]
        for script, status, stdout, message, content in rows:
            with self.subTest(script=script):
                if os.path.exists(out):
                    os.unlink(out)
                code, got, err = shell(script, self.src, out)
                self.assertEqual((code, got), (status, stdout), err)
                self.assertTrue(err.startswith(message), err)
                self.assertEqual(self.read(out) if os.path.exists(out) else None, content)

    def test_signal_during_replacement_removes_the_temporary_file(self):
        target = self.path("target.txt")
        self.write(target, b"old\n")
        for sig in [signal.SIGTERM, signal.SIGINT, signal.SIGHUP]:
            with self.subTest(signal=sig):
                p = subprocess.Popen([CORVANE, "number", "-o", target], stdin=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
                p.stdin.write(b"line\n" * 200000)
                p.stdin.flush()
                def temporary():
                    return any(n.startswith(".corvane-") for n in os.listdir(self.dir.name))
                for _ in range(200):  # it exists once -o is open, while the input is read
                    if temporary():
                        break
                    time.sleep(0.05)
                self.assertTrue(temporary())
                p.send_signal(sig)
                p.wait(30)
                p.stdin.close()
                p.stderr.close()
                self.assertEqual(p.returncode, -sig)
                self.assertEqual(self.read(target), b"old\n")


if __name__ == "__main__":
    CORVANE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
