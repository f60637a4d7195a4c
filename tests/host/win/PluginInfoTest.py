#!/usr/bin/env python3
"""The real Corvane.dll under wine, as a host sees it without running the command: the seven
exports by their plain names, the string, bitmap and version resources with their exact
values, PlugInProc's answers (the uninstall box answered Yes and No), QueryStatus, the id
getters and OnEvents' HostSendEventValue."""
from CorvaneHost import main

STRINGS = {
    "1": "行番号を挿入する",
    "2": "行頭に行番号を挿入する\n行番号挿入",
    "65444": "リストの容量が超えました (%d)",
    "65445": "リストの個数を超えました (%d)",
    "65446": "リストのインデックスが範囲を超えています (%d)",
}

VERSION_KEYS = ["FileDescription", "CompanyName", "ProductName", "ProductVersion", "InternalName",
                "OriginalFilename", "LegalCopyright", "LegalTrademarks"]


def check_resources(r, bmp_path, c):
    for name in ["OnCommand", "QueryStatus", "OnEvents", "GetMenuTextID", "GetStatusMessageID",
                 "GetBitmapID", "PlugInProc"]:
        c.eq(r["export." + name], "found", "export " + name)
    c.eq(r["export.decorated"], "none", "decorated export names")

    for ident, text in STRINGS.items():
        c.eq(r.text("string." + ident), text, "string %s" % ident)
        c.eq(int(r["string.%s.length" % ident]), len(text), "string %s length" % ident)
        c.eq(r["string.%s.language" % ident], "0411", "string %s language" % ident)
    c.eq(int(r["string.2.length"]), 17, "status text length")
    # What the host window shows comes from the ids the getters return.
    c.eq(r.text("menutext"), STRINGS["1"], "menu text shown by the host")
    c.eq(r.text("statustext"), STRINGS["2"], "status text shown by the host")
    c.eq(r["glyph"], "loaded", "toolbar glyph loaded by the host")

    c.eq(r["getmenutextid"], "1", "GetMenuTextID")
    c.eq(r["getstatusmessageid"], "2", "GetStatusMessageID")
    c.eq(r["getbitmapid"], "101", "GetBitmapID")

    expected_bitmap = {"language": "0411", "resource.size": "808", "header.size": "40", "width": "16",
                       "height": "16", "planes": "1", "bitcount": "24", "compression": "0",
                       "sizeimage": "768", "clrused": "0", "pixels.size": "768", "loaded": "16x16x24"}
    for key, value in expected_bitmap.items():
        c.eq(r["bitmap." + key], value, "bitmap " + key)
    with open(bmp_path, "rb") as f:
        bmp = f.read()
    # The resource is the .bmp file without its 14-byte file header.
    c.eq(r["bitmap.hex"], bmp[14:].hex(), "bitmap bytes against " + bmp_path)

    expected_version = {"language": "0411", "signature": "0xfeef04bd", "file": "2.4.2.0",
                        "product": "0.0.0.0", "flagsmask": "0x0", "flags": "0x0", "os": "0x0",
                        "type": "0x0", "subtype": "0x0", "date": "0x0",
                        "translation": "0x411,0x4b0", "string.FileVersion": "present:2.4.2.0"}
    for key, value in expected_version.items():
        c.eq(r["version." + key], value, "version " + key)
    for key in VERSION_KEYS:
        c.eq(r["version.string." + key], "present:", "version string %s (present, empty)" % key)


def cc_fill(prefix, total=16):
    return (prefix + b"\xcc" * total)[:total].hex()


def check_plugin_proc(r, c):
    for code, value in (("2306", b"Corvane"), ("2308", b"Version 2.4.2")):
        n = str(len(value))
        for variant in ("nobuffer.0", "nobuffer.32", "buffer.32", "buffer.5", "buffer.1", "buffer.0"):
            c.eq(r["plugin.%s.%s" % (code, variant)], n, "PlugInProc %s %s result" % (code, variant))
        # lstrcpynA: at most size - 1 bytes and a zero; size 0 writes nothing.
        c.eq(r["plugin.%s.buffer.32.bytes" % code], cc_fill(value + b"\0"), "PlugInProc %s full copy" % code)
        c.eq(r["plugin.%s.buffer.5.bytes" % code], cc_fill(value[:4] + b"\0"), "PlugInProc %s cut at 5" % code)
        c.eq(r["plugin.%s.buffer.1.bytes" % code], cc_fill(b"\0"), "PlugInProc %s size 1" % code)
        c.eq(r["plugin.%s.buffer.0.bytes" % code], cc_fill(b""), "PlugInProc %s size 0 writes nothing" % code)
    c.eq(r["plugin.2310"], "1", "PlugInProc 2310")
    for pair in r["plugin.others"].split(","):
        code, result = pair.split(":")
        c.eq(result, "0", "PlugInProc unknown code %s" % code)
    c.eq(r["querystatus"], "-1", "QueryStatus")


def check_uninstall_box(r, answer, c):
    c.eq(r["plugin.2311.answer"], answer, "box answered")
    c.eq(r["plugin.2311"], "1" if answer == "yes" else "0", "PlugInProc 2311 answered " + answer)
    c.eq(r["plugin.2311.box"], "seen", "uninstall box shown")
    c.eq(r.text("plugin.2311.box.caption"), "Corvane", "box caption")
    c.eq(r.text("plugin.2311.box.text"), "アンインストールしますか？", "box text")
    c.eq(r["plugin.2311.box.buttons"], "6,7", "box buttons (IDYES, IDNO)")
    c.eq(r["plugin.2311.box.icon"], "question", "box icon")


def check_events(r, arch, c):
    # (flags, value, sent): 0x400 stores first, then 0x40 sends; other bits are ignored.
    steps = [("0x40", "0x5", "0x0"), ("0x400", "0x4d2", "none"), ("0x40", "0x63", "0x4d2"),
             ("0x440", "0x4d", "0x4d"), ("0xfffffbbf", "0x5", "none")]
    if arch == "win64":
        steps += [("0x440", "0xffffffffffffffff", "0xffffffffffffffff"),
                  ("0x440", "0x123456789", "0x123456789")]
    else:
        steps += [("0x440", "0xffffffff", "0xffffffff")]
    for i, (flags, value, sent) in enumerate(steps):
        c.eq(r.get("onevents.%d" % i), "flags=%s value=%s sent=%s" % (flags, value, sent), "OnEvents step %d" % i)
    c.eq(r.get("onevents.%d" % len(steps)), None, "no further OnEvents steps")


def body(host, args, c):
    yes = host.run("--info", "--answer", "yes")
    check_resources(yes, args.bmp, c)
    check_plugin_proc(yes, c)
    check_uninstall_box(yes, "yes", c)
    check_events(yes, args.arch, c)
    c.eq(yes["host"], "x64" if args.arch == "win64" else "x86", "host architecture")
    no = host.run("--info", "--answer", "no")
    check_uninstall_box(no, "no", c)


if __name__ == "__main__":
    main("test_plugin_info", body, extra=["--bmp"])
