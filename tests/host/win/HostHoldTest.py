#!/usr/bin/env python3
"""corvane-host.exe's pauses for screenshots under wine (scripts/pictures.sh relies on them):
--hold pauses before the command, on the open menu and after it without changing what the
command does; --hold-note says when and where (window, and window plus menus); --window sizes
the window; --pointer places the menu; bad values are usage errors."""
import os
import subprocess
import sys

from CorvaneHost import main

DOC = "りんご\r\nみかん\r\nぶどう\r\n"
NUMBERED = "1:りんご\r\n2:みかん\r\n3:ぶどう\r\n"
# What a pause must not change: the choice, the keys pressed, the document, caret and menu.
SAME = ["choose.result", "choose.keys", "menu.opened", "doc.after", "caret", "selection.start",
        "selection.end", "redraw", "messages"]


def notes(path):
    """[(stage, (left, top, right, bottom))] in the order written."""
    if not os.path.exists(path):
        return []
    rows = []
    for line in open(path, encoding="ascii").read().splitlines():
        stage, *rect = line.split(" ")
        rows.append((stage, tuple(int(v) for v in rect)))
    return rows


def contains(outer, inner):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and outer[2] >= inner[2] and outer[3] >= inner[3]


def check_choose(host, c):
    plain = host.run("--choose", "1", doc=DOC)
    note = os.path.join(host.workdir, "choose.txt")
    held = host.run("--choose", "1", "--hold", "700", "--hold-note", note, "--window", "420x300",
                    "--pointer", "150:30", doc=DOC)
    c.eq(held.text("doc.after"), NUMBERED, "choose with pause: document numbered")
    for key in SAME:
        c.eq(held.get(key), plain.get(key), "choose with pause: %s as without" % key)
    c.eq(held.all("menu"), plain.all("menu"), "choose with pause: same menu tree")
    rows = notes(note)
    c.eq([s for s, _ in rows], ["before", "menu", "after"], "choose with pause: stages noted in order")
    if len(rows) != 3:
        return
    (_, before), (_, menu), (_, after) = rows
    c.eq((before[2] - before[0], before[3] - before[1]), (420, 300), "--window: outer size")
    c.eq(after, before, "the window did not move")
    c.true(contains(menu, before), "menu rectangle %s holds the window %s" % (menu, before))
    # Opened near the window's top left, the menu and its submenu stick out to the right only.
    c.true(menu[2] > before[2], "menus reach beyond the window's right edge: %s vs %s" % (menu, before))
    c.eq((menu[0], menu[1], menu[3]), (before[0], before[1], before[3]),
         "--pointer: the menu opened inside the window's height")


def check_cancel(host, c):
    note = os.path.join(host.workdir, "cancel.txt")
    r = host.run("--choose", "cancel", "--hold", "500", "--hold-note", note, doc=DOC)
    c.eq(r["choose.result"], "cancelled", "cancel with pause: cancelled")
    c.eq(r["choose.keys"], "1", "cancel with pause: one Escape")
    c.eq(r.text("doc.after"), DOC, "cancel with pause: document unchanged")
    c.eq([s for s, _ in notes(note)], ["before", "menu", "after"], "cancel with pause: stages")


def check_no_run(host, c):
    note = os.path.join(host.workdir, "norun.txt")
    r = host.run("--no-run", "--hold", "300", "--hold-note", note, doc=DOC)
    c.eq(r["command.runs"], "0", "no run with pause: command not run")
    c.eq([s for s, _ in notes(note)], ["before", "after"], "no run with pause: no menu stage")


def check_usage(host, c):
    doc = os.path.join(host.workdir, "usage.txt")
    with open(doc, "w", encoding="utf-8") as f:
        f.write(DOC)
    for bad in (["--hold-note", "x.txt"], ["--hold", "soon"], ["--window", "100x100"],
                ["--window", "640"], ["--pointer", "5"], ["--font", ""]):
        argv = [host.runner, host.arch, host.host, "--dll", host.dll, "--doc", doc] + bad
        status = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=120).returncode
        c.eq(status, 2, "usage error for %s" % " ".join(bad))


def body(host, args, c):
    check_choose(host, c)
    check_cancel(host, c)
    check_no_run(host, c)
    check_usage(host, c)


if __name__ == "__main__":
    main("wine_host_hold", body)
