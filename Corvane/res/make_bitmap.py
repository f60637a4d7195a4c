#!/usr/bin/env python3
"""Writes Corvane.bmp, the 16 x 16 toolbar glyph of the plug-in's command.

A white page framed in light blue, red numerals 1 and 2 down its left edge and grey text
lines beside them. The file is a plain 24-bit BI_RGB bitmap (bottom-up rows, no colour
table), so the resource compiler embeds it unchanged.

Usage: make_bitmap.py [OUTPUT]   (default: Corvane.bmp beside this script)
"""
import os
import struct
import sys

WIDTH = HEIGHT = 16

COLOURS = {
    "B": (0x7F, 0xB4, 0xE8),  # light blue frame
    ".": (0xFF, 0xFF, 0xFF),  # white page
    "R": (0xE0, 0x20, 0x20),  # red numerals
    "g": (0x90, 0x90, 0x90),  # grey text lines
}

# Top row first, as the picture is seen; the file stores the rows bottom-up.
PICTURE = [
    "BBBBBBBBBBBBBBBB",
    "B..............B",
    "B..R...........B",
    "B.RR..ggggggg..B",
    "B..R...........B",
    "B..R..ggggg....B",
    "B.RRR..........B",
    "B..............B",
    "B..............B",
    "B.RR...........B",
    "B...R.gggggggg.B",
    "B..R...........B",
    "B.R...ggggg....B",
    "B.RRR..........B",
    "B..............B",
    "BBBBBBBBBBBBBBBB",
]


def pixel_bytes():
    assert len(PICTURE) == HEIGHT and all(len(row) == WIDTH for row in PICTURE)
    out = bytearray()
    for row in reversed(PICTURE):
        for ch in row:
            r, g, b = COLOURS[ch]
            out += bytes((b, g, r))
        # 16 pixels x 3 bytes = 48 bytes: already a multiple of four, no row padding.
    return bytes(out)


def bitmap_file():
    pixels = pixel_bytes()
    info = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        WIDTH,
        HEIGHT,  # positive: bottom-up
        1,  # biPlanes
        24,  # biBitCount
        0,  # biCompression = BI_RGB
        len(pixels),  # biSizeImage
        0,
        0,  # no resolution
        0,  # biClrUsed: no colour table
        0,  # biClrImportant
    )
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Corvane.bmp")
    data = bitmap_file()
    assert len(data) == 14 + 40 + 768
    with open(target, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
