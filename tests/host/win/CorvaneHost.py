"""Runs corvane-host.exe under wine and parses its key=value report.

Shared by the end-to-end tests of this directory. The report escapes \\ \\r \\n \\t, other
control characters as \\xHH and lone surrogates as \\uHHHH; everything else is UTF-8.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

_ESCAPE = re.compile(r"\\(\\|r|n|t|x[0-9A-F]{2}|u[0-9A-F]{4})")


def unescape(text):
    def one(m):
        code = m.group(1)
        return {"\\": "\\", "r": "\r", "n": "\n", "t": "\t"}.get(code) or chr(int(code[1:], 16))

    return _ESCAPE.sub(one, text)


class Report:
    """The report's lines: report["key"] is the last value, report.all("key") every value."""

    def __init__(self, text):
        self.pairs = []
        for line in text.split("\n"):
            if not line:
                continue
            key, sep, value = line.partition("=")
            if not sep:
                raise ValueError("report line without '=': %r" % line)
            self.pairs.append((key, value))
        self.values = dict(self.pairs)

    def __getitem__(self, key):
        return self.values[key]

    def get(self, key, default=None):
        return self.values.get(key, default)

    def text(self, key):
        return unescape(self.values[key])

    def all(self, key):
        return [v for k, v in self.pairs if k == key]

    def menu(self):
        """The menu tree seen: path -> (kind, id, flags, text)."""
        items = {}
        for value in self.all("menu"):
            path, kind, ident, flags, text = value.split("\t")
            items[path] = (kind, int(ident), int(flags, 16), unescape(text))
        return items


class Host:
    def __init__(self, runner, arch, host, dll, workdir):
        self.runner, self.arch, self.host, self.dll, self.workdir = runner, arch, host, dll, workdir

    def run(self, *args, doc=None, timeout=120):
        """Runs the host with --dll and, when doc (str) is given, --doc on a UTF-8 file of it."""
        argv = [self.runner, self.arch, self.host, "--dll", self.dll]
        fd, out = tempfile.mkstemp(prefix="report-", suffix=".txt", dir=self.workdir)
        os.close(fd)
        if doc is not None:
            fd, doc_path = tempfile.mkstemp(prefix="doc-", suffix=".txt", dir=self.workdir)
            with os.fdopen(fd, "wb") as f:
                f.write(doc.encode("utf-8", "surrogatepass"))
            argv += ["--doc", doc_path]
        argv += list(args) + ["--out", out]
        # Files, not pipes: the wineserver a run starts inherits them and outlives the run, so
        # waiting for the end of a pipe would wait for the server to exit, and a warm server is
        # what makes the next run fast.
        with tempfile.TemporaryFile(dir=self.workdir) as err:
            proc = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err,
                                  timeout=timeout)
            err.seek(0)
            stderr = err.read().decode("utf-8", "replace")
        with open(out, "rb") as f:
            raw = f.read().decode("utf-8")
        if proc.returncode != 0 or not raw.endswith("end=1\n"):
            raise AssertionError(
                "host failed (exit %d) for %s\nstderr:\n%s\nreport:\n%s" % (proc.returncode, " ".join(argv), stderr, raw)
            )
        return Report(raw)


class Checker:
    """Collects failures with their context instead of stopping at the first one."""

    def __init__(self):
        self.failures = []
        self.checks = 0

    def eq(self, actual, expected, what):
        self.checks += 1
        if actual != expected:
            self.failures.append("%s: expected %r, got %r" % (what, expected, actual))

    def true(self, condition, what):
        self.checks += 1
        if not condition:
            self.failures.append(what)

    def finish(self, name):
        for f in self.failures:
            print("FAIL:", f)
        print("%s: %d checks, %d failed" % (name, self.checks, len(self.failures)))
        return 1 if self.failures or self.checks == 0 else 0


def main(name, body, extra=()):
    """Parses the common arguments, runs body(host, args, checker) and exits with its verdict."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--runner", required=True)
    parser.add_argument("--arch", required=True, choices=["win32", "win64"])
    parser.add_argument("--host", required=True)
    parser.add_argument("--dll", required=True)
    for flag in extra:
        parser.add_argument(flag, required=True)
    args = parser.parse_args()
    checker = Checker()
    with tempfile.TemporaryDirectory(prefix="corvane-wine-", dir=os.getcwd()) as workdir:
        host = Host(args.runner, args.arch, args.host, args.dll, workdir)
        try:
            body(host, args, checker)
        except AssertionError as e:
            checker.failures.append(str(e))
    sys.exit(checker.finish(name))
