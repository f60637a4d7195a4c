#!/usr/bin/env python3
"""End to end under wine: corvane-host.exe loads the real Corvane.dll, runs OnCommand and drives
its real popup menu by keyboard. Documents round-trip through GetSelectedText / WriteBackLines
with mixed CR / LF / CR LF breaks; grayed entries of a read-only document are refused; the copy
commands leave CF_UNICODETEXT and the code page 932 CF_TEXT bytes on the real clipboard; a
failure thrown inside the DLL (on a wrong host answer) never leaves OnCommand."""
from CorvaneHost import main

# Menu paths of the editing entries that a read-only document grays, and of the copy submenu.
EDITING_ENTRIES = ["0", "0.0", "0.1", "0.2", "0.3", "0.3.0", "0.3.1", "0.3.2", "0.3.3", "1", "3", "3.0", "3.2", "3.3"]
COPY_ENTRIES = ["5", "5.0", "5.1", "5.3", "7"]
MF_GRAYED = 0x1


def common(r, c, what, result="chosen"):
    c.eq(r["choose.result"], result, what + ": menu choice")
    c.eq(r["redraw"], "on", what + ": redraw switched back on")
    c.eq(r["menu.opened"], "1", what + ": popup menu shown once")
    c.eq(r.all("anomaly"), [], what + ": host anomalies")


def check_delete_whole_document(host, c):
    doc = " 9:alpha\r\n10:beta\n11:gamma\r12:\r\n13:行番号"
    r = host.run("--choose", "4", "--caret", "2:1", doc=doc)
    common(r, c, "delete numbers")
    c.eq(r.text("doc.before"), doc, "delete numbers: document read exactly")
    c.eq(r.text("doc.after"), "alpha\r\nbeta\ngamma\r\r\n行番号", "delete numbers: breaks kept")
    c.eq(r["caret"], "2:1", "delete numbers: caret back on its line and column")
    c.eq(r["selection"], "0", "delete numbers: nothing selected afterwards")
    c.eq(r["clipboard.formats"], "", "delete numbers: clipboard untouched")


def check_insert_and_delete_selection(host, c, wrap):
    doc = "head\nalpha\r\nbeta\rgamma\ndelta\r\ntail"
    # Upward selection from the middle of line 3 to the middle of line 1. With wrapping on, the
    # view positions (kind 0) the plug-in selects with differ from the document's (kind 2).
    what = "insert on selection, wrap %d" % wrap
    r = host.run("--choose", "1", "--select", "3:2-1:1", "--wrap", str(wrap), doc=doc)
    common(r, c, what)
    numbered = "head\n1:alpha\r\n2:beta\r3:gamma\ndelta\r\ntail"
    c.eq(r.text("doc.after"), numbered, what + ": the three whole lines numbered")
    c.eq((r["selection.anchor"], r["selection.active"]), ("4:0", "1:0"),
         what + ": new block selected, caret still at its start")
    c.eq(r["edits.redraw.on"], "0", what + ": no edit while redrawing")
    # And back: deleting the numbers of the same lines gives the document it started from.
    what = "delete on selection, wrap %d" % wrap
    back = host.run("--choose", "4", "--select", "1:0-4:0", "--wrap", str(wrap), doc=numbered)
    common(back, c, what)
    c.eq(back.text("doc.after"), doc, what + ": round trip")
    c.eq((back["selection.anchor"], back["selection.active"]), ("1:0", "4:0"), what + ": caret still at the end")


def check_read_only(host, c):
    doc = "1:a\r\n2:b"
    r = host.run("--choose", "4", "--readonly", doc=doc)
    common(r, c, "read-only edit", result="grayed")
    c.eq(r["choose.refused"], "1", "read-only edit: refused")
    c.eq(r.text("doc.after"), doc, "read-only edit: document unchanged")
    menu = r.menu()
    for path in EDITING_ENTRIES:
        c.true(menu[path][2] & MF_GRAYED, "read-only: menu entry %s %s grayed" % (path, menu[path][3]))
    for path in COPY_ENTRIES:
        c.true(not menu[path][2] & MF_GRAYED, "read-only: menu entry %s %s available" % (path, menu[path][3]))
    c.eq(menu["7"][1:4:2], (0, "キャンセル"), "cancel entry")

    copy = host.run("--choose", "14", "--readonly", doc=doc)
    common(copy, c, "read-only copy")
    c.eq(copy.text("clipboard.unicode"), "a\r\nb", "read-only copy: clipboard text")
    c.eq(copy.text("doc.after"), doc, "read-only copy: document unchanged")


def ansi_932(text):
    # Characters code page 932 lacks (no best-fit either) become the default character "?".
    return b"".join(ch.encode("cp932") if ch not in "€—" else b"?" for ch in text)


def check_clipboard(host, c):
    doc = "1:行番号 ①～\r\n2:caf€ — x\n3:\\ tail"
    expected = "行番号 ①～\r\ncaf€ — x\n\\ tail"
    r = host.run("--choose", "14", doc=doc)
    common(r, c, "copy without numbers")
    c.eq(r.text("doc.after"), doc, "copy: document unchanged")
    formats = r["clipboard.formats"].split(",")
    c.true("13" in formats and "1" in formats, "copy: CF_UNICODETEXT and CF_TEXT placed, got %s" % formats)
    c.eq(r.text("clipboard.unicode"), expected, "copy: CF_UNICODETEXT")
    c.eq(int(r["clipboard.unicode.blocksize"]), (len(expected.encode("utf-16-le")) // 2 + 1) * 2,
         "copy: CF_UNICODETEXT block size")
    ansi = ansi_932(expected)
    c.eq(r["clipboard.text.hex"], ansi.hex(), "copy: CF_TEXT in code page 932")
    c.eq(int(r["clipboard.text.blocksize"]), len(ansi) + 1, "copy: CF_TEXT block size")

    header = host.run("--choose", "12", "--path", "C:\\docs\\メモ.txt", doc="a\nb")
    common(header, c, "copy with file header")
    c.eq(header.text("clipboard.unicode"), "C:\\docs\\\r\n  メモ.txt\r\n1:a\n2:b", "copy with file header: text")
    c.eq(header["clipboard.text.hex"], "C:\\docs\\\r\n  メモ.txt\r\n1:a\n2:b".encode("cp932").hex(),
         "copy with file header: CF_TEXT")

    # Nothing to copy: the clipboard keeps what it held.
    empty = host.run("--choose", "14", "--clipboard", "keep me", doc="")
    common(empty, c, "copy of nothing")
    c.eq(empty.text("clipboard.unicode"), "keep me", "copy of nothing: clipboard kept")


def check_dismissed(host, c):
    doc = "1:a\r\n2:b\n"
    for args, result, what in ((["--choose", "cancel"], "cancelled", "menu dismissed"),
                               (["--choose", "0"], "chosen", "cancel entry chosen"),
                               (["--choose", "99"], "notfound", "unknown id")):
        r = host.run(*args, "--select", "0:1-1:1", doc=doc)
        common(r, c, what, result=result)
        c.eq(r.text("doc.after"), doc, what + ": document unchanged")
        c.eq((r["selection.anchor"], r["selection.active"]), ("0:1", "1:1"), what + ": selection unchanged")
        c.eq(r["redraw.switches"], "2", what + ": redraw off and on once")
        c.eq(r["messages.replacesel"], "0", what + ": nothing written")


def check_failures_stay_inside(host, c):
    # A wrong host answer makes the plug-in throw inside the DLL; the export catches it, the
    # command ends with redrawing back on and nothing written, and the host lives on.
    doc = "1:a\r\n2:b\n3:c"
    for fault, args, message in (("sellength", ["--caret", "1:0"], "HostGetSelText reported the text length -7"),
                                 ("caretpos", ["--select", "0:1-1:1"], "the host reported the position (-1, -1)")):
        r = host.run("--choose", "4", "--fault", fault, *args, doc=doc)
        what = "fault " + fault
        common(r, c, what)
        c.eq(r["fault.injected"], "1", what + ": wrong answer given")
        c.eq(r["command.runs"], "1", what + ": OnCommand returned")
        c.eq(r.text("doc.after"), doc, what + ": document unchanged")
        c.eq(r["messages.replacesel"], "0", what + ": nothing written")
        c.eq([r.text(k) for k in ["debug.output"] if r.get(k)], ["Corvane: OnCommand: %s\n" % message],
             what + ": failure reported to the debugger output")
        c.eq(len(r.all("debug.output")), 1, what + ": one failure report")


def body(host, args, c):
    check_delete_whole_document(host, c)
    check_insert_and_delete_selection(host, c, wrap=0)
    check_insert_and_delete_selection(host, c, wrap=3)
    check_read_only(host, c)
    check_clipboard(host, c)
    check_dismissed(host, c)
    check_failures_stay_inside(host, c)


if __name__ == "__main__":
    main("test_host_roundtrip", body)
