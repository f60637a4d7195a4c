#!/usr/bin/env python3
"""cmake --install of the build, and the man page and the bash, zsh and fish completions it
installs: they render and complete, and they name every command and long option that corvane's
--help texts print, so they cannot drift apart. Every --help line fits in 80 columns. zsh is
driven on a pseudo-terminal (ZshComplete.zsh), fish through 'complete -C'.

Usage: InstallTest.py CMAKE BUILD_DIR path/to/corvane
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

CMAKE = BUILD_DIR = CORVANE = None
PREFIX = None  # the installed tree, made once for all tests
PAGE = "share/man/man1/corvane.1"
COMPLETION = "share/bash-completion/completions/corvane"
ZSH_FUNCTIONS = "share/zsh/site-functions"
FISH_COMPLETION = "share/fish/vendor_completions.d/corvane.fish"
ZSH_DRIVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ZshComplete.zsh")


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=120, **kwargs)


def complete(words, cwd=None):
    """What the installed completion offers for words, the last being the one under the cursor,
    split as bash splits them ('--encoding=s' is '--encoding' '=' 's')."""
    script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _corvane; '
              'printf "%s\\n" "${COMPREPLY[@]}"')
    p = run(["bash", "--norc", "--noprofile", "-c", script, "bash",
             os.path.join(PREFIX, COMPLETION)] + words, cwd=cwd)
    if p.returncode != 0 or p.stderr:
        raise AssertionError(f"completion of {words} failed: {p.stderr}")
    return sorted(w for w in p.stdout.split("\n") if w)


def complete_zsh(lines):
    """What zsh offers at the end of each line, with the installed _corvane on its fpath: one
    zsh for all of them, as its start and compinit cost most of a completion."""
    p = run(["zsh", "-f", ZSH_DRIVER, os.path.join(PREFIX, ZSH_FUNCTIONS)] + lines)
    parts = p.stdout.split("DONE")[:-1]
    if p.returncode != 0 or len(parts) != len(lines) or re.search(
            r"_arguments:|_corvane:|not found|parse error", p.stdout + p.stderr):
        raise AssertionError(f"zsh completion of {lines!r} failed: {p.stdout!r} {p.stderr!r}")
    return [sorted(set(re.findall(r"MATCH:([^\r\n]*)", part))) for part in parts]


def complete_fish(lines):
    """What fish offers at the end of each line, finding the installed program and its
    completion as an installed package's are found (PATH and XDG_DATA_DIRS); a fresh home for
    its state, one fish for all lines."""
    with tempfile.TemporaryDirectory(prefix="corvane-fish-") as home:
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, XDG_DATA_HOME=home,
                   PATH=os.path.join(PREFIX, "bin") + os.pathsep + os.environ["PATH"],
                   XDG_DATA_DIRS=os.path.join(PREFIX, "share"))
        p = run(["fish", "-c", "for l in $argv; complete -C $l; echo DONE; end"] + lines,
                env=env)
    parts = p.stdout.split("DONE\n")[:-1]
    if p.returncode != 0 or p.stderr or len(parts) != len(lines):
        raise AssertionError(f"fish completion of {lines!r} failed: {p.stderr}")
    return [sorted({w.split("\t")[0] for w in part.split("\n") if w}) for part in parts]


def help_text(args):
    p = run([CORVANE] + args + ["--help"])
    if p.returncode != 0:
        raise AssertionError(f"corvane {' '.join(args)} --help: status {p.returncode}")
    return p.stdout


def commands():
    """The commands the overview help lists, from 'Commands:' to the blank line after it."""
    text = help_text([]).split("\nCommands:\n", 1)[1].split("\n\n", 1)[0]
    return [line.split()[0] for line in text.splitlines()]


def long_options(text):
    return set(re.findall(r"--[a-z][a-z-]*[a-z]", text))


class Install(unittest.TestCase):
    def test_installed_files(self):
        for path in ["bin/corvane", PAGE, COMPLETION, ZSH_FUNCTIONS + "/_corvane",
                     FISH_COMPLETION]:
            self.assertTrue(os.path.isfile(os.path.join(PREFIX, path)), path)
        installed = run([os.path.join(PREFIX, "bin/corvane"), "--version"])
        self.assertEqual((installed.returncode, installed.stdout),
                         (0, run([CORVANE, "--version"]).stdout))

    def test_man_page_renders_without_warnings(self):
        page = os.path.join(PREFIX, PAGE)
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C")
        p = run(["man", "--warnings", "-l", "-P", "cat", page], env=env)
        self.assertEqual((p.returncode, p.stderr), (0, ""))
        self.assertIn("corvane - insert, delete and tidy line numbers", p.stdout)
        for section in ["SYNOPSIS", "COMMANDS", "OPTIONS", "ENCODINGS", "EXIT STATUS",
                        "EXAMPLES", "SEE ALSO"]:
            self.assertIn("\n" + section + "\n", p.stdout)
        self.assertEqual([line for line in p.stdout.splitlines() if len(line) > 80], [])
        # groff's own check, every warning on.
        p = run(["groff", "-man", "-ww", "-z", page], env=env)
        self.assertEqual((p.returncode, p.stderr), (0, ""))

    def test_completion(self):
        with tempfile.TemporaryDirectory(prefix="corvane-complete-") as folder:
            for name in ["notes.txt", "nothing.md"]:
                open(os.path.join(folder, name), "w").close()
            rows = [
                (["corvane", "num"], ["number"]),
                (["corvane", "de"], ["dedent", "delete", "delete-number-only"]),
                (["corvane", "--v"], ["--version"]),
                (["corvane", "number", "--enc"], ["--encoding="]),
                (["corvane", "number", "--encoding", "=", "s"], ["shift_jis", "sjis"]),
                (["corvane", "tidy", "-e", "utf-16"], ["utf-16be", "utf-16le"]),
                (["corvane", "number", "-re", "c"], ["cp932"]),
                (["corvane", "copy", "--pa"], ["--path="]),
                (["corvane", "copy", "--path", "=", "note"], ["notes.txt"]),
                (["corvane", "delete", "-o", "no"], ["notes.txt", "nothing.md"]),
                (["corvane", "renumber", "notes"], ["notes.txt"]),
                (["corvane", "number", "-s", ""], []),
                (["corvane", "delete", "--", "--"], []),
                (["corvane", "nl", "-n", "r"], ["rn", "rz"]),
                (["corvane", "nl", "--body", "=", ""], ["a", "n", "p", "t"]),
                (["corvane", "nl", "--number-w"], ["--number-width="]),
            ]
            for words, expected in rows:
                with self.subTest(words=words):
                    self.assertEqual(complete(words, cwd=folder), expected)


class Consistency(unittest.TestCase):
    """Whatever --help prints, the man page and the completion know."""

    @classmethod
    def setUpClass(cls):
        with open(os.path.join(PREFIX, PAGE), encoding="utf-8") as f:
            source = f.read()
        # The page as words: '\-' is a hyphen and font changes are not text.
        cls.page = re.sub(r"\\f[BIRP]", "", source.replace("\\-", "-"))
        # An option is documented by an entry of its own: the tag line after a .TP.
        cls.documented = long_options("\n".join(re.findall(r"^\.TP\n(.*)$", cls.page, re.M)))
        cls.commands = commands()

    def test_help_fits_80_columns(self):
        for args in [[]] + [[c] for c in self.commands]:
            with self.subTest(args=args):
                wide = [line for line in help_text(args).splitlines() if len(line) > 80]
                self.assertEqual(wide, [])

    def test_commands_are_in_page_and_completion(self):
        self.assertIn("nl", self.commands)
        self.assertEqual(complete(["corvane", ""]), sorted(self.commands))
        for command in self.commands:
            with self.subTest(command=command):
                self.assertIn("\n.TP\n.B " + command + "\n", self.page)

    def test_long_options_are_in_page_and_completion(self):
        for args in [[]] + [[c] for c in self.commands]:
            with self.subTest(args=args):
                options = long_options(help_text(args))
                self.assertIn("--help", options)
                offered = {w.rstrip("=") for w in complete(["corvane"] + args + ["--"])}
                self.assertEqual(options - offered, set())
                self.assertEqual(options - self.documented, set())

    def test_zsh_and_fish_offer_commands_options_and_values(self):
        arg_sets = [[]] + [[c] for c in self.commands]
        values = [("corvane number -e utf-16", ["utf-16be", "utf-16le"]),
                  ("corvane nl --number-format=r", ["rn", "rz"]),
                  ("corvane nl -b", ["a", "n", "p", "t"])]
        lines = (["corvane "] + [" ".join(["corvane"] + args + ["--"]) for args in arg_sets] +
                 [line for line, _ in values])
        for shell, offer in [("zsh", complete_zsh), ("fish", complete_fish)]:
            with self.subTest(shell=shell):
                offered = dict(zip(lines, offer(lines)))
                self.assertEqual(offered["corvane "], sorted(self.commands))
                for args in arg_sets:
                    options = long_options(help_text(args))
                    line = " ".join(["corvane"] + args + ["--"])
                    self.assertEqual(options - set(offered[line]), set(), args)
                for line, expected in values:
                    self.assertEqual([w.split("=")[-1].removeprefix("-b")
                                      for w in offered[line]], expected, line)


def install():
    global PREFIX
    folder = tempfile.TemporaryDirectory(prefix="corvane-install-")
    p = run([CMAKE, "--install", BUILD_DIR, "--prefix", folder.name])
    if p.returncode != 0:
        sys.exit(f"cmake --install failed:\n{p.stdout}{p.stderr}")
    PREFIX = folder.name
    return folder


if __name__ == "__main__":
    CORVANE = os.path.abspath(sys.argv.pop(3))
    BUILD_DIR = sys.argv.pop(2)
    CMAKE = sys.argv.pop(1)
    with install():
        unittest.main(verbosity=1)
