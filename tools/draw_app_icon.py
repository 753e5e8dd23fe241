#!/usr/bin/env python3
"""Draws the application icon: one 32 x 32 image with 256 colours (8 bits per pixel).

A keycap with the Urdu letter beh on it and an orange bar under it. Run it to rewrite
art/app.ico; the committed file is its output.
"""
import struct
import sys

SIZE = 32
TRANSPARENT, EDGE, CAP, SHADOW, LETTER, ORANGE, HIGHLIGHT = range(7)
COLOURS = {
    TRANSPARENT: (0, 0, 0),
    EDGE: (0x30, 0x60, 0x30),
    CAP: (0xC0, 0xFF, 0xC0),
    SHADOW: (0x80, 0xC0, 0x80),
    LETTER: (0x10, 0x40, 0x10),
    ORANGE: (0xFF, 0x80, 0x00),
    HIGHLIGHT: (0xF0, 0xFF, 0xF0),
}


def draw():
    px = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def inside_rounded(x, y, x0, y0, x1, y1, r):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

    for y in range(SIZE):
        for x in range(SIZE):
            if inside_rounded(x, y, 1, 1, 30, 30, 5):
                px[y][x] = EDGE
            if inside_rounded(x, y, 2, 2, 29, 27, 4):
                px[y][x] = SHADOW
            if inside_rounded(x, y, 3, 3, 28, 25, 3):
                px[y][x] = CAP
    for x in range(5, 26):
        px[4][x] = HIGHLIGHT
    # Beh: a wide, shallow bowl open at the top, with one dot under it.
    for x in range(7, 25):
        depth = 15 + round(2.5 * (1 - ((x - 16) / 9.0) ** 2))
        for y in range(depth - 1, depth + 2):
            px[y][x] = LETTER
    for y in range(11, 16):
        for x in (7, 8):
            px[y][x] = LETTER
        for x in (23, 24):
            px[y][x] = LETTER
    for y in range(21, 24):
        for x in range(15, 18):
            px[y][x] = LETTER
    for y in (27, 28):
        for x in range(6, 26):
            px[y][x] = ORANGE
    return px


def ico(px):
    palette = b"".join(
        struct.pack("<BBBB", *reversed(COLOURS.get(i, (0, 0, 0))), 0) for i in range(256)
    )
    xor = b"".join(bytes(px[y]) for y in reversed(range(SIZE)))
    and_rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if px[y][x] == TRANSPARENT:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))
    mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16
    )
    return directory + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "art/app.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
