#!/usr/bin/env python3
"""The plug-in's command end to end under wine: corvane-host.exe loads the real Corvane.dll,
OnCommand shows the real popup menu and the host picks an item by its id from the keyboard.
Every id runs once on a selection of a document with mixed CR / LF / CR LF breaks (downwards
and upwards in turn), two ids on the whole document, a read-only document refuses an editing
id and serves a copy id, and a cancelled menu changes nothing. The copies are checked on the
real clipboard as CF_UNICODETEXT and as code page 932 CF_TEXT."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "host", "win"))
from CorvaneHost import main  # noqa: E402


TITLE = "見出し\r\n"
TARGET = "  07:  一\n  二\r\r\n    三\r\n"  # document lines 1-4, file line numbers 2-5
LAST = "9:"
DOC = TITLE + TARGET + LAST
PATH = "C:\\文書\\メモ.txt"
HEADER = "C:\\文書\\\r\n  メモ.txt\r\n"
SEED = "clipboard before"  # what another application had copied

# id -> (target lines afterwards, clipboard afterwards or None when left alone)
BY_ID = {
    1: ("1:  07:  一\n2:  二\r3:\r\n4:    三\r\n", None),
    2: ("4:  07:  一\n3:  二\r2:\r\n1:    三\r\n", None),
    3: ("2:  07:  一\n3:  二\r4:\r\n5:    三\r\n", None),
    4: ("  一\n  二\r\r\n    三\r\n", None),
    5: ("07:  一\n08:  二\r09:\r\n10:    三\r\n", None),
    6: ("07:  一\n17:  二\r27:\r\n37:    三\r\n", None),
    7: ("07:  一\n06:  二\r05:\r\n04:    三\r\n", None),
    8: (" 07:  一\n-03:  二\r-13:\r\n-23:    三\r\n", None),
    9: (TARGET, None),
    10: ("  07:一\n  二\r\r\n    三\r\n", None),
    11: ("  07:一\n  二\r\r\n    三\r\n", None),
    12: (TARGET, HEADER + "2:  07:  一\n3:  二\r4:\r\n5:    三\r\n"),
    13: (TARGET, HEADER + "2:07:  一\n3:二\r5:  三\r\n"),
    14: (TARGET, "  一\n  二\r\r\n    三\r\n"),
}

MENU = [  # path, kind, id (-1 for a submenu), text, grayed when read-only
    ("0", "popup", -1, "行番号挿入", True),
    ("0.0", "item", 1, "行番号を1番から挿入", True),
    ("0.1", "item", 2, "行番号を逆順に挿入", True),
    ("0.2", "item", 3, "ファイル行番号を挿入", True),
    ("0.3", "popup", -1, "先頭で指定した行番号を挿入", True),
    ("0.3.0", "item", 5, "\uFF0B\uFF11", True),
    ("0.3.1", "item", 6, "\uFF0B\uFF11\uFF10", True),
    ("0.3.2", "item", 7, "\uFF0D\uFF11", True),
    ("0.3.3", "item", 8, "\uFF0D\uFF11\uFF10", True),
    ("1", "item", 4, "行番号削除", True),
    ("2", "separator", 0, "", None),
    ("3", "popup", -1, "行番号テキストの整形", True),
    ("3.0", "item", 11, "全て実行", True),
    ("3.1", "separator", 0, "", None),
    ("3.2", "item", 9, "行番号のみの行を削除", True),
    ("3.3", "item", 10, "行番号以降の余分なインデントの削除", True),
    ("4", "separator", 0, "", None),
    ("5", "popup", -1, "コピー", False),
    ("5.0", "item", 13, "ファイル行番号を挿入して整形後コピー", False),
    ("5.1", "item", 12, "ファイル行番号を挿入してコピー", False),
    ("5.2", "separator", 0, "", None),
    ("5.3", "item", 14, "行番号を削除してコピー", False),
    ("6", "separator", 0, "", None),
    ("7", "item", 0, "キャンセル", False),
]
MF_GRAYED = 0x1


def common(r, c, what, result="chosen"):
    c.eq(r["choose.result"], result, what + ": menu choice")
    c.eq(r["menu.opened"], "1", what + ": popup menu shown once")
    c.eq(r["redraw"], "on", what + ": redraw back on")
    c.eq(r["redraw.switches"], "2", what + ": redraw switched off and on once")
    c.eq(r["edits.redraw.on"], "0", what + ": no edit while redrawing")
    c.eq(r["wholedocument.selected"], "0", what + ": whole-document selection ended")
    c.eq(r.all("anomaly"), [], what + ": host anomalies")


def check_clipboard(r, c, what, expected):
    """expected None: the seed is still there; otherwise both formats hold the text."""
    if expected is None:
        c.eq(r.text("clipboard.unicode"), SEED, what + ": clipboard left alone")
        return
    c.eq(r.text("clipboard.unicode"), expected, what + ": CF_UNICODETEXT")
    c.eq(r["clipboard.unicode.blocksize"], str((len(expected) + 1) * 2), what + ": UTF-16 block size")
    ansi = expected.encode("cp932")
    c.eq(r["clipboard.text.hex"], ansi.hex(), what + ": CF_TEXT in code page 932")
    c.eq(r["clipboard.text.blocksize"], str(len(ansi) + 1), what + ": ANSI block size")


def check_every_id_on_a_selection(host, c):
    for ident, (lines, clipboard) in BY_ID.items():
        upwards = ident % 2 == 0
        what = "id %d on a selection made %s" % (ident, "upwards" if upwards else "downwards")
        selection = "4:3-1:2" if upwards else "1:2-4:3"
        r = host.run("--choose", str(ident), "--select", selection, "--path", PATH,
                     "--clipboard", SEED, doc=DOC)
        common(r, c, what)
        c.eq(r.text("doc.after"), TITLE + lines + LAST, what + ": document")
        c.eq(r.text("selection.text"), lines, what + ": the new lines selected")
        c.eq(r["selection.start"], "1:0", what + ": selection starts at its first line")
        caret_end = "selection.start" if upwards else "selection.end"
        c.eq(r["caret"], r[caret_end], what + ": caret at the end it was at")
        check_clipboard(r, c, what, clipboard)


def check_whole_document(host, c):
    numbered = "1:見出し\r\n2:  07:  一\n3:  二\r4:\r\n5:    三\r\n6:9:"
    r = host.run("--choose", "1", "--caret", "2:1", "--clipboard", SEED, doc=DOC)
    common(r, c, "id 1 on the whole document")
    c.eq(r.text("doc.after"), numbered, "id 1 on the whole document: document")
    c.eq(r["selection"], "0", "id 1 on the whole document: nothing selected afterwards")
    c.eq(r["caret"], "2:3", "id 1 on the whole document: caret moved by the prefix width")
    check_clipboard(r, c, "id 1 on the whole document", None)

    # The document's own line numbers, although the caret is on line 4.
    r = host.run("--choose", "12", "--caret", "4:2", "--path", PATH, doc=DOC)
    common(r, c, "id 12 on the whole document")
    c.eq(r.text("doc.after"), DOC, "id 12 on the whole document: document unchanged")
    c.eq(r["caret"], "4:2", "id 12 on the whole document: caret back where it was")
    check_clipboard(r, c, "id 12 on the whole document", HEADER + numbered)


def check_read_only(host, c):
    r = host.run("--choose", "1", "--readonly", "--select", "1:2-4:3", "--clipboard", SEED, doc=DOC)
    common(r, c, "read-only, id 1", result="grayed")
    c.eq(r.text("doc.after"), DOC, "read-only, id 1: document unchanged")
    c.eq((r["selection.anchor"], r["selection.active"]), ("1:2", "4:3"),
         "read-only, id 1: selection unchanged")
    check_clipboard(r, c, "read-only, id 1", None)
    menu = r.menu()
    for path, kind, ident, text, editing in MENU:
        if editing is None:
            continue
        c.eq(bool(menu[path][2] & MF_GRAYED), editing,
             "read-only: entry %s %s grayed exactly when it edits" % (path, text))

    r = host.run("--choose", "13", "--readonly", "--select", "1:2-4:3", "--path", PATH, doc=DOC)
    common(r, c, "read-only, id 13")
    c.eq(r.text("doc.after"), DOC, "read-only, id 13: document unchanged")
    c.eq((r["selection.start"], r["selection.end"]), ("1:0", "5:0"),
         "read-only, id 13: selection widened to whole lines")
    check_clipboard(r, c, "read-only, id 13", BY_ID[13][1])


def check_cancel(host, c):
    r = host.run("--choose", "cancel", "--select", "1:2-4:3", "--clipboard", SEED, doc=DOC)
    common(r, c, "cancelled menu", result="cancelled")
    c.eq(r.text("doc.after"), DOC, "cancelled menu: document unchanged")
    c.eq((r["selection.anchor"], r["selection.active"]), ("1:2", "4:3"),
         "cancelled menu: selection unchanged")
    c.eq(r["messages.replacesel"], "0", "cancelled menu: nothing replaced")
    check_clipboard(r, c, "cancelled menu", None)
    # The real menu as built by the DLL, item by item, editable document.
    menu = r.menu()
    c.eq(sorted(menu), sorted(m[0] for m in MENU), "menu: the same entries")
    for path, kind, ident, text, editing in MENU:
        if path in menu:
            c.eq(menu[path][:2] + (menu[path][3],), (kind, ident, text), "menu entry " + path)
            if editing is not None:
                c.eq(menu[path][2] & MF_GRAYED, 0, "menu entry %s enabled" % path)


def body(host, args, c):
    check_every_id_on_a_selection(host, c)
    check_whole_document(host, c)
    check_read_only(host, c)
    check_cancel(host, c)


if __name__ == "__main__":
    main("wine_command_e2e", body)
