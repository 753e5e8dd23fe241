#!/usr/bin/env python3
"""Draws the pictures and icons of the two information windows.

  art/about-banner.gif       468 x 60, a few colours: the banner of the programmer's card
  art/about-programmer.jpg   263 x 310: the programmer's picture (a drawn figure, nobody real)
  art/about-programmer.ico   32 x 32, true colour: the card's icon
  art/about.ico              82 x 71, true colour: the About window's icon

Every shape is drawn here from circles, rectangles and lines; ImageMagick's `convert` only
encodes the GIF and the JPEG. Run it from the repository's root to rewrite the files; the
committed files are its output.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

SUB = 3  # samples per pixel edge, for smooth edges


class Canvas:
    def __init__(self, width, height, colour):
        self.w, self.h = width, height
        self.px = [[colour] * width for _ in range(height)]
        self.mask = [[False] * width for _ in range(height)]  # drawn on (for icon transparency)

    def fill(self, inside, colour, x0=0, y0=0, x1=None, y1=None):
        """Blends `colour` wherever inside(x, y) holds, with coverage from sub-samples."""
        x1 = self.w if x1 is None else min(self.w, x1)
        y1 = self.h if y1 is None else min(self.h, y1)
        for y in range(max(0, y0), y1):
            for x in range(max(0, x0), x1):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if inside(x + (sx + 0.5) / SUB, y + (sy + 0.5) / SUB):
                            hits += 1
                if hits:
                    a = hits / (SUB * SUB)
                    old = self.px[y][x]
                    self.px[y][x] = tuple(round(o + (c - o) * a) for o, c in zip(old, colour))
                    if a >= 0.5:
                        self.mask[y][x] = True

    def ellipse(self, cx, cy, rx, ry, colour):
        self.fill(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, colour,
                  int(cx - rx) - 1, int(cy - ry) - 1, int(cx + rx) + 2, int(cy + ry) + 2)

    def rect(self, x0, y0, x1, y1, colour, radius=0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            if radius <= 0:
                return True
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        self.fill(inside, colour, int(x0) - 1, int(y0) - 1, int(x1) + 2, int(y1) + 2)

    def line(self, xa, ya, xb, yb, width, colour):
        dx, dy = xb - xa, yb - ya
        length2 = dx * dx + dy * dy or 1

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / length2))
            px, py = xa + t * dx, ya + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
        self.fill(inside, colour, int(min(xa, xb) - width) - 1, int(min(ya, yb) - width) - 1,
                  int(max(xa, xb) + width) + 2, int(max(ya, yb) + width) + 2)

    def ppm(self):
        data = bytearray(b"P6 %d %d 255\n" % (self.w, self.h))
        for row in self.px:
            for c in row:
                data += bytes(c)
        return bytes(data)


def banner():
    """A pale gold strip; keycaps on the left and right, where the heading never lies."""
    c = Canvas(468, 60, (0xFF, 0xFF, 0x80))
    c.rect(0, 0, 467, 7, (0xFF, 0xE8, 0x60))
    c.rect(0, 52, 467, 59, (0xFF, 0xE8, 0x60))
    c.rect(0, 55, 467, 56, (0x80, 0x80, 0x00))
    c.rect(0, 3, 467, 4, (0x80, 0x80, 0x00))
    for i, x in enumerate((8, 34, 60, 408, 434)):
        y = 15 if i % 2 == 0 else 19
        c.rect(x, y, x + 22, y + 22, (0x80, 0x80, 0x00), radius=4)
        c.rect(x + 2, y + 2, x + 20, y + 18, (0xFF, 0xFF, 0xE0), radius=3)
    # On the caps, Urdu-like strokes: a bowl with a dot, and an upright.
    for x in (8, 60, 434):
        y = 15 if x != 60 else 15
        c.line(x + 6, y + 7, x + 6, y + 11, 2, (0x80, 0x80, 0x00))
        c.line(x + 6, y + 11, x + 16, y + 11, 2, (0x80, 0x80, 0x00))
        c.line(x + 16, y + 11, x + 16, y + 7, 2, (0x80, 0x80, 0x00))
        c.rect(x + 10, y + 14, x + 12, y + 16, (0x80, 0x80, 0x00))
    for x in (34, 408):
        c.line(x + 11, y + 8, x + 11, y + 20, 2, (0x80, 0x80, 0x00))
    return c


def portrait():
    """A drawn figure at a desk: round head, shoulders, a laptop; soft light behind."""
    w, h = 263, 310
    c = Canvas(w, h, (0, 0, 0))
    for y in range(h):
        t = y / (h - 1)
        row = (round(0xA8 + 0x40 * t), round(0xD0 + 0x20 * t), round(0xF0 - 0x10 * t))
        for x in range(w):
            glow = max(0.0, 1 - math.hypot(x - 131, y - 110) / 160)
            c.px[y][x] = tuple(min(255, round(v + 40 * glow)) for v in row)
    shirt, collar, skin, hair = (0x30, 0x60, 0xA0), (0xF0, 0xF0, 0xF0), (0xE8, 0xB8, 0x90), (0x30, 0x28, 0x20)
    c.ellipse(131, 300, 112, 92, shirt)  # shoulders
    c.fill(lambda x, y: abs(x - 131) < 24 - (y - 205) * 0.7 and 205 <= y <= 235, collar, 100, 200, 165, 240)
    c.rect(116, 170, 146, 215, skin)  # neck
    c.ellipse(131, 128, 52, 62, skin)  # face
    c.fill(lambda x, y: ((x - 131) / 56) ** 2 + ((y - 112) / 60) ** 2 <= 1 and y < 100 + abs(x - 131) * 0.35,
           hair, 70, 45, 195, 140)
    c.ellipse(78, 132, 8, 13, skin)  # ears
    c.ellipse(184, 132, 8, 13, skin)
    for ex in (111, 151):
        c.ellipse(ex, 128, 9, 6, (0xFF, 0xFF, 0xFF))
        c.ellipse(ex, 128, 4.5, 4.5, (0x40, 0x30, 0x20))
        c.line(ex - 13, 128, ex + 13, 128, 2, (0x50, 0x50, 0x50))  # spectacles
        c.fill(lambda x, y, ex=ex: 12.5 <= math.hypot(x - ex, y - 128) <= 14.5, (0x50, 0x50, 0x50),
               ex - 16, 112, ex + 17, 145)
    c.line(125, 128, 137, 128, 2, (0x50, 0x50, 0x50))
    c.line(131, 135, 127, 152, 2.5, (0xC8, 0x90, 0x70))  # nose
    c.fill(lambda x, y: 13 <= math.hypot(x - 131, y - 150) <= 16 and y > 157, (0xA0, 0x50, 0x40), 110, 155, 152, 170)
    # A laptop in front, its back to us, with a keycap sign on it.
    c.fill(lambda x, y: 250 <= y <= 310 and abs(x - 131) <= 80 + (y - 250) * 0.3, (0x90, 0x98, 0xA0), 40, 248, 225, 310)
    c.rect(48, 300, 214, 309, (0x70, 0x78, 0x80))
    c.rect(116, 266, 146, 292, (0xFF, 0xFF, 0x80), radius=4)
    c.line(123, 276, 123, 282, 2, (0x80, 0x80, 0x00))
    c.line(123, 282, 139, 282, 2, (0x80, 0x80, 0x00))
    c.line(139, 282, 139, 276, 2, (0x80, 0x80, 0x00))
    c.rect(130, 286, 132, 288, (0x80, 0x80, 0x00))
    return c


def programmer_icon():
    """32 x 32: a monitor with a code sign on a yellow screen."""
    c = Canvas(32, 32, (0, 0, 0))
    c.rect(1, 3, 30, 23, (0x50, 0x50, 0x20), radius=2)
    c.rect(3, 5, 28, 21, (0xFF, 0xFF, 0x80))
    c.rect(13, 23, 18, 27, (0x50, 0x50, 0x20))
    c.rect(8, 27, 23, 29, (0x50, 0x50, 0x20), radius=1)
    olive = (0x80, 0x80, 0x00)
    c.line(11, 9, 7, 13, 1.6, olive)
    c.line(7, 13, 11, 17, 1.6, olive)
    c.line(20, 9, 24, 13, 1.6, olive)
    c.line(24, 13, 20, 17, 1.6, olive)
    c.line(17.5, 8, 13.5, 18, 1.6, (0xC0, 0x40, 0x00))
    return c


def about_icon():
    """82 x 71: an information sign on a keycap, in the About window's colours."""
    c = Canvas(82, 71, (0, 0, 0))
    c.rect(2, 2, 79, 68, (0x80, 0x40, 0x00), radius=10)
    c.rect(5, 5, 76, 61, (0xC0, 0xFF, 0xFF), radius=8)
    c.rect(5, 55, 76, 64, (0x80, 0xC0, 0xC0), radius=4)
    c.ellipse(41, 32, 22, 22, (0x00, 0x00, 0xFF))
    white = (0xFF, 0xFF, 0xFF)
    c.ellipse(41, 20, 3.6, 3.6, white)
    c.rect(37.5, 27, 44.5, 44, white, radius=1)
    c.rect(34, 27, 44.5, 30, white)
    c.rect(34, 41, 48, 44, white)
    c.rect(10, 58, 71, 60, (0x00, 0xC0, 0x00))
    return c


def ico(c):
    """One image, 24 bits per pixel, with an AND mask for the undrawn corners."""
    row_bytes = (c.w * 3 + 3) // 4 * 4
    xor = bytearray()
    for y in reversed(range(c.h)):
        row = bytearray()
        for x in range(c.w):
            r, g, b = c.px[y][x] if c.mask[y][x] else (0, 0, 0)
            row += bytes((b, g, r))
        xor += row + bytes(row_bytes - len(row))
    mask_bytes = (c.w + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(c.h)):
        row = bytearray(mask_bytes)
        for x in range(c.w):
            if not c.mask[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 24, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", c.w, c.h, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + image


def encode(canvas, path, options):
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(canvas.ppm())
        source = f.name
    try:
        subprocess.run(["convert", source, *options, path], check=True)
    finally:
        os.unlink(source)


if __name__ == "__main__":
    art = sys.argv[1] if len(sys.argv) > 1 else "art"
    encode(banner(), os.path.join(art, "about-banner.gif"), ["+dither", "-colors", "8", "-strip"])
    encode(portrait(), os.path.join(art, "about-programmer.jpg"),
           ["-quality", "70", "-sampling-factor", "2x2", "-strip", "-interlace", "none"])
    with open(os.path.join(art, "about-programmer.ico"), "wb") as f:
        f.write(ico(programmer_icon()))
    with open(os.path.join(art, "about.ico"), "wb") as f:
        f.write(ico(about_icon()))
