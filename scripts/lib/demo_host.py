"""The Python half of scripts/demo.sh (run by it, not a command of its own).

  demo_host.py prepare DOC LINES OUT
      writes DOC (UTF-8, UTF-16 with BOM or code page 932) to OUT as UTF-8, the host's document
      encoding, and prints the host's --select for LINES (A-B or A, from 1; empty for none)
  demo_host.py run --runner R --arch A --host EXE --dll DLL --work DIR --doc OUT --label NAME
                   --lines LINES --id ID -- [corvane-host.exe arguments...]
      runs corvane-host.exe once through tests/host/win/CorvaneHost.py and prints what happened

The host is run and its report read by tests/host/win/CorvaneHost.py, as in the end-to-end tests.
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "host", "win"))
from CorvaneHost import Host, unescape  # noqa: E402

BREAKS = {"\r\n": "␍␊", "\r": "␍", "\n": "␊"}


def prepare(src, lines, dst):
    raw = open(src, "rb").read()
    for enc in ("utf-8-sig", "utf-16", "cp932"):
        if enc == "utf-16" and not raw.startswith((b"\xff\xfe", b"\xfe\xff")):
            continue
        try:
            text = raw.decode(enc)
            break
        except UnicodeDecodeError:
            pass
    else:
        sys.exit("demo.sh: the document is neither UTF-8, UTF-16 nor Shift_JIS")
    open(dst, "wb").write(text.encode("utf-8"))
    if lines:
        m = re.fullmatch(r"(\d+)(?:-(\d+))?", lines)
        if not m:
            sys.exit("demo.sh: --lines needs A-B or A, counted from 1")
        first, last = int(m.group(1)), int(m.group(2) or m.group(1))
        doc_lines = re.split(r"\r\n|\r|\n", text)  # the host's lines: one more after a final break
        if not 1 <= first <= last <= len(doc_lines):
            sys.exit("demo.sh: --lines %s is outside the document's lines 1-%d" % (lines, len(doc_lines)))
        # From the start of the first line to the start of the line after the last (or its end).
        end = "%d:0" % last if last < len(doc_lines) else "%d:%d" % (last - 1, len(doc_lines[-1]))
        print("%d:0-%s" % (first - 1, end))


def show(body, marked=(), numbered=True):
    items = re.findall(r"[^\r\n]*(?:\r\n|\r|\n)|[^\r\n]+$", body)
    if not items:
        print("      (empty)")
    for n, item in enumerate(items, 1):
        content = item.rstrip("\r\n")
        mark = ">" if n in marked else " "
        row = "%3d" % n if numbered else "   "
        print("  %s %s  %s%s" % (mark, row, content.replace("\t", "→"), BREAKS.get(item[len(content):], "")))


def position(p):
    return tuple(map(int, p.split(":")))


def line_range(start, end):
    (sy, sx), (ey, ex) = position(start), position(end)
    if (sy, sx) == (ey, ex):
        return ()
    return range(sy + 1, ey + (1 if ex > 0 else 0) + 1)


def print_menu(menu, ident):
    for path, (kind, item, flags, text) in menu.items():
        depth = path.count(".")
        if kind == "separator":
            print("    " + "  " * depth + "────────")
            continue
        grayed = "*" if flags & 1 else " "
        chosen = "▶" if kind == "item" and item == ident else " "
        print("  %s%s%s%s%s" % (chosen, grayed, "  " * depth, text, " ▸" if kind == "popup" else ""))


def trail(menu, ident):
    """The menu texts from the top to the item ident: "行番号挿入 > 行番号を1番から挿入"."""
    paths = [path for path, (kind, item, _, _) in menu.items() if kind == "item" and item == ident]
    if not paths:
        return "?"
    parts = paths[-1].split(".")
    return " > ".join(menu[".".join(parts[:n])][3] for n in range(1, len(parts) + 1))


def report(r, arch, label, lines, ident):
    """Prints the menu, the document before and after, and the clipboard; True when it went as asked."""
    menu = r.menu()
    print()
    print("Corvane.dll (%s) in corvane-host.exe under wine — %s" % (r.get("host", arch), label))
    print("Popup menu of the plug-in (as Windows built it; * = grayed, ▶ = chosen):")
    print_menu(menu, ident)
    print()
    where = "lines " + lines if lines else "nothing selected: the whole document"
    print("Command %d: %s   (%s)" % (ident, trail(menu, ident), where))
    result = r.get("choose.result")
    if result == "grayed":
        print("  The item is grayed (read-only document): Windows would not let it be chosen.")
    elif result != "chosen" and ident != 0:
        print("  The menu choice did not happen: %s" % result)

    before = unescape(r.get("doc.before", ""))
    sel = line_range(*sorted([r["selection.before.anchor"], r["selection.before.active"]], key=position))
    print()
    print("Before (> = selected):")
    show(before, sel)
    print()
    after = unescape(r.get("doc.after", ""))
    selected = line_range(r["selection.start"], r["selection.end"])
    if after == before:
        span = ("line %d" % selected[0] if len(selected) == 1 else
                "lines %d-%d" % (selected[0], selected[-1])) if selected else ""
        print("After: the document is unchanged" + (", %s selected." % span if span else "."))
    else:
        print("After (> = selected):")
        show(after, selected)
    caret = r["caret"].split(":")
    print("  caret: line %d, column %d; redraw %s" % (int(caret[0]) + 1, int(caret[1]) + 1,
                                                   r.get("redraw", "?")))
    if r.get("clipboard.unicode") is not None:
        clip = r.text("clipboard.unicode")
        print()
        print("Clipboard (CF_UNICODETEXT):")
        show(clip, numbered=False)
        ansi = bytes.fromhex(r.get("clipboard.text.hex", ""))
        same = ansi == clip.encode("cp932", "replace")
        print("  CF_TEXT: %d bytes in code page 932%s" % (len(ansi), ", the same text" if same else ""))
    for a in r.all("anomaly"):
        print("  host anomaly: " + a)
    return result == "chosen" or (ident == 0 and result == "cancelled")


def run(argv):
    split = argv.index("--") if "--" in argv else len(argv)
    parser = argparse.ArgumentParser(prog="demo_host.py run", allow_abbrev=False)
    for flag in ("--runner", "--arch", "--host", "--dll", "--work", "--doc", "--label", "--lines"):
        parser.add_argument(flag, required=True)
    parser.add_argument("--id", required=True, type=int)
    args = parser.parse_args(argv[:split])
    host_args = argv[split + 1:]
    host = Host(args.runner, args.arch, args.host, args.dll, args.work)
    try:
        # The first run under wine also makes the prefix: no time limit.
        r = host.run("--doc", args.doc, *host_args, timeout=None)
    except AssertionError as e:
        print(e, file=sys.stderr)
        sys.exit("demo.sh: corvane-host.exe failed")
    sys.exit(0 if report(r, args.arch, args.label, args.lines, args.id) else 1)


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "prepare":
        prepare(*sys.argv[2:5])
    elif len(sys.argv) > 1 and sys.argv[1] == "run":
        run(sys.argv[2:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
