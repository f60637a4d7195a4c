#!/usr/bin/env python3
"""Where corvane's output goes: -o on every kind of target, closed standard descriptors, and
signals during a replacement. Each case checks the status, the message, the kind of file
afterwards, the bytes written and that no temporary file is left behind.

Usage: OutputTest.py path/to/corvane path/to/no_tmpfile.so
"""
import os
import pwd
import resource
import signal
import socket
import stat
import subprocess
import sys
import tempfile
import threading
import time
import unittest

CORVANE = None
NO_TMPFILE = None  # a preloaded library that refuses O_TMPFILE
# Every signal whose default action ends a program and that a handler can catch.
ENDING_SIGNALS = [getattr(signal, n) for n in [
    "SIGHUP", "SIGINT", "SIGQUIT", "SIGILL", "SIGTRAP", "SIGABRT", "SIGBUS", "SIGFPE", "SIGUSR1",
    "SIGSEGV", "SIGUSR2", "SIGPIPE", "SIGALRM", "SIGTERM", "SIGXCPU", "SIGXFSZ", "SIGVTALRM",
    "SIGPROF", "SIGSYS", "SIGIO", "SIGSTKFLT", "SIGPWR", "SIGRTMIN", "SIGRTMAX"]
    if hasattr(signal, n)]
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

        # Descriptor names and -o - into a pipe: the bytes arrive there, no file is made.
        for name in ["/dev/stdout", "/proc/self/fd/1", "/proc/thread-self/fd/1", "/dev/fd/1", "-"]:
            with self.subTest(target=name):
                code, out, err = run(["number", "-o", name, self.src], cwd=self.dir.name)
                self.assertEqual((code, out, err), (0, NUMBERED, ""))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["fifo", "src.txt"])

        # The file standard output or error is open on, however named, is written through that
        # descriptor: appended to after >>, never replaced; a pipe or socket behind a descriptor
        # name too. $BASHPID is corvane's own process number, after exec.
        log = self.path("log.txt")
        rows = [
            ('exec "$0" number -o /proc/thread-self/fd/1 "$1" >> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o /proc/$BASHPID/fd/1 "$1" >> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o "$2" "$1" >> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o /dev/fd/2 "$1" 2>> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o /proc/$BASHPID/fd/1 "$1" | cat >> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o /dev/fd/3 "$1" 3>&1 | cat >> "$2"', b"log\n" + NUMBERED),
            ('exec "$0" number -o /dev/fd/7 "$1"', b"log\n"),
        ]
        for script, content in rows:
            with self.subTest(script=script):
                self.write(log, b"log\n")
                inode = os.stat(log).st_ino
                code, _, err = shell(script, self.src, log)
                self.assertEqual((code, self.read(log), os.stat(log).st_ino),
                                 (1 if "fd/7" in script else 0, content, inode), err)
                self.assertIn("Bad file descriptor" if "fd/7" in script else "", err)
        for prefix in ["/dev/fd/", "/proc/self/fd/"]:
            with self.subTest(target=prefix + "N", socket=True):
                ours, theirs = socket.socketpair()
                with ours, theirs:
                    p = subprocess.run([CORVANE, "number", "-o", prefix + str(theirs.fileno()),
                                        self.src], capture_output=True, timeout=60,
                                       pass_fds=[theirs.fileno()])
                    self.assertEqual((p.returncode, p.stderr, ours.recv(100)), (0, b"", NUMBERED))
        os.unlink(log)

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

    def test_no_named_temporary_file_survives_a_signal(self):
        """Every signal that ends a program, sent while the replacement is being written: the
        status shows the signal, the target keeps its text and no .corvane-* file is left. The
        temporary file has no name at all while it is written (SIGKILL included), except where
        the file system refuses unnamed files (NO_TMPFILE preloaded): it is then removed."""
        target = self.path("target.txt")
        self.write(target, b"old\n")
        no_core = lambda: resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        for preload, signals in [(None, ENDING_SIGNALS + [signal.SIGKILL]),
                                 (NO_TMPFILE, ENDING_SIGNALS)]:
            # A sanitizer build leaves the fault signals to corvane's own handler, as a plain
            # build has them, and takes a preloaded library.
            env = dict(os.environ, ASAN_OPTIONS="handle_segv=0:handle_sigbus=0:handle_sigfpe=0:"
                       "handle_sigill=0:handle_abort=0:verify_asan_link_order=0")
            if preload:
                env.update(LD_PRELOAD=preload)
            for sig in signals:
                with self.subTest(named=bool(preload), signal=sig.name):
                    p = subprocess.Popen([CORVANE, "number", "-o", target], stdin=subprocess.PIPE,
                                         stderr=subprocess.DEVNULL, env=env, preexec_fn=no_core)
                    try:
                        p.stdin.write(b"line\n" * 1000)
                        p.stdin.flush()
                        # -o is open before the input is read; stdin stays open. A loaded
                        # machine may take seconds to start a sanitizer build.
                        deadline = time.monotonic() + 60
                        opened = self.open_in_folder(p.pid)
                        while not opened and time.monotonic() < deadline:
                            time.sleep(0.01)
                            opened = self.open_in_folder(p.pid)
                        self.assertTrue(opened)
                        self.assertEqual(bool(self.temporaries()), bool(preload))
                        p.send_signal(sig)
                        p.wait(30)
                    finally:
                        if p.poll() is None:  # a failed check: the next case starts clean
                            p.kill()
                            p.wait(30)
                        p.stdin.close()
                    self.assertEqual(p.returncode, -sig)
                    self.assertEqual(self.read(target), b"old\n")
                    self.assertEqual(self.temporaries(), [])
            with self.subTest(named=bool(preload), signal=None):
                os.chmod(target, 0o604)
                code, _, err = run(["number", "-o", target, self.src], env=env)
                self.assertEqual((code, err, self.read(target)), (0, "", NUMBERED))
                self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o604)
                self.write(target, b"old\n")

    def test_in_place_puts_the_original_back_when_the_replacement_fails(self):
        """--in-place=SUFFIX renames the original aside first; when the new file then cannot
        take its place, the original goes back, nothing else remains, the file is named as
        left unchanged and the next file is still tried."""
        first, second = self.path("first.txt"), self.path("second.txt")
        self.write(first, SOURCE)
        self.write(second, b"x\n")
        env = dict(os.environ, LD_PRELOAD=NO_TMPFILE, CORVANE_TEST_RENAME_FAILS="1",
                   ASAN_OPTIONS="verify_asan_link_order=0")
        code, out, err = run(["number", "--in-place=.bak", first, second], env=env)
        self.assertEqual((code, out), (1, b""))
        self.assertEqual(err, "".join("corvane: %s: Input/output error\n"
                                      "corvane: %s: left unchanged\n" % (f, f)
                                      for f in (first, second)))
        self.assertEqual((self.read(first), self.read(second)), (SOURCE, b"x\n"))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["first.txt", "second.txt", "src.txt"])

    def temporaries(self):
        return [n for n in os.listdir(self.dir.name) if n.startswith(".corvane-")]

    def open_in_folder(self, pid):
        """Whether process pid holds a file of the test's folder open (named or not)."""
        fds = "/proc/%d/fd" % pid
        try:
            names = os.listdir(fds)
        except OSError:
            return False
        links = []
        for name in names:
            try:
                links.append(os.readlink(os.path.join(fds, name)))
            except OSError:  # closed since the listing: the others still count
                pass
        return any(link.startswith(self.dir.name + "/") for link in links)


if __name__ == "__main__":
    CORVANE = os.path.abspath(sys.argv.pop(1))
    NO_TMPFILE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
