#!/usr/bin/env python3
"""Draws the pictures of the wizard's windows, all our own artwork:

    resources/splash/splash.png   480 x 200, the start-up picture (soft shadow, transparent outside)
    resources/skin/toplogo.png    the word mark for the windows' top band
    resources/skin/leftlogo.png   the picture of the windows' left band and of the about box
    resources/skin/main.bmp       772 x 547 window background; magenta outside its rounded outline
    resources/icons/korvanel.png  256 x 256 program icon

Only the Python standard library is used, so the files can be made again
anywhere and always come out the same:

    python3 scripts/make-artwork.py [OUTPUT_FOLDER]   (default: resources/)
"""

import math
import os
import sys

from artwork_files import bmp24, png

NAVY = (18, 38, 72)
BLUE = (30, 88, 150)
TEAL = (40, 170, 190)
WHITE = (255, 255, 255)

# A 5 x 7 letter grid for the word mark: only the letters it needs.
GLYPHS = {
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "N": ["X...X", "XX..X", "X.X.X", "X.X.X", "X..XX", "X...X", "X...X"],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "L": ["X....", "X....", "X....", "X....", "X....", "X....", "XXXXX"],
}


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """Straight-alpha RGBA pixels as floats, painted with source-over."""

    def __init__(self, width, height, colour=(0, 0, 0), alpha=0.0):
        self.width, self.height = width, height
        self.px = [[*colour, alpha] for _ in range(width * height)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        p = self.px[y * self.width + x]
        out = alpha + p[3] * (1 - alpha)
        for i in range(3):
            p[i] = (colour[i] * alpha + p[i] * p[3] * (1 - alpha)) / out if out > 0 else 0
        p[3] = out

    def fill(self, box, inside, colour, samples=3):
        """Paints the points of box (left, top, right, bottom) for which inside(x, y) holds;
        colour(x, y) gives (r, g, b) or (r, g, b, alpha). Edges are anti-aliased."""
        left, top, right, bottom = (int(math.floor(box[0])), int(math.floor(box[1])),
                                    int(math.ceil(box[2])), int(math.ceil(box[3])))
        for y in range(max(top, 0), min(bottom, self.height)):
            for x in range(max(left, 0), min(right, self.width)):
                hits = sum(inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples)
                           for sy in range(samples) for sx in range(samples))
                if hits:
                    c = colour(x + 0.5, y + 0.5)
                    a = c[3] if len(c) == 4 else 1.0
                    self.blend(x, y, c[:3], a * hits / (samples * samples))

    def rgba(self):
        out = bytearray()
        for r, g, b, a in self.px:
            out += bytes((round(r), round(g), round(b), round(255 * a)))
        return out


def rounded(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x < right and top <= y < bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def vertical(top_colour, bottom_colour, top, bottom):
    return lambda x, y: mix(top_colour, bottom_colour, min(max((y - top) / (bottom - top), 0), 1))


def disc(canvas, cx, cy, radius, burn=False):
    """A recordable disc seen from its data side: silver with a soft rainbow sheen,
    the clamping ring and the hole; burn adds the written band in a warm tint."""
    hole, ring = radius * 0.16, radius * 0.34

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return hole <= d <= radius

    def colour(x, y):
        d = math.hypot(x - cx, y - cy)
        angle = math.atan2(y - cy, x - cx)
        base = (214, 219, 228)
        if d < ring:
            return mix(base, (240, 242, 246), 0.6)
        hue = (angle / (2 * math.pi)) % 1.0
        sheen = (127 + 127 * math.cos(2 * math.pi * hue), 127 + 127 * math.cos(2 * math.pi * (hue - 1 / 3)),
                 127 + 127 * math.cos(2 * math.pi * (hue - 2 / 3)))
        light = 0.5 + 0.5 * math.cos(2 * (angle + 0.7))
        c = mix(base, sheen, 0.22 * light)
        c = mix(c, WHITE, 0.35 * max(0.0, math.cos(2 * (angle - 0.9))) ** 6)
        if burn and ring < d < radius * 0.62:
            c = mix(c, (236, 150, 90), 0.28)
        return c

    canvas.fill((cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1), inside, colour, samples=4)
    # A thin darker rim and ring edge give the disc its outline.
    for r0, r1, a in ((radius - 1.2, radius, 0.35), (ring - 0.8, ring + 0.4, 0.18), (hole, hole + 1.0, 0.4)):
        canvas.fill((cx - r1 - 1, cy - r1 - 1, cx + r1 + 1, cy + r1 + 1),
                    lambda x, y, r0=r0, r1=r1: r0 <= math.hypot(x - cx, y - cy) <= r1,
                    lambda x, y, a=a: (90, 100, 120, a), samples=4)


def word(canvas, text, left, top, cell, colour, gap=1):
    """The word mark in the letter grid, each grid cell a square of cell pixels."""
    x = left
    for letter in text:
        for row, line in enumerate(GLYPHS[letter]):
            for column, mark in enumerate(line):
                if mark == "X":
                    cl, ct = x + column * cell, top + row * cell
                    canvas.fill((cl, ct, cl + cell, ct + cell), lambda px, py: True, lambda px, py: colour,
                                samples=1)
        x += (5 + gap) * cell
    return x


def word_width(text, cell, gap=1):
    return len(text) * (5 + gap) * cell - gap * cell


def splash():
    w, h, m = 480, 200, 8
    c = Canvas(w, h)
    card = rounded(m, m, w - m, h - m, 18)
    # A soft shadow below the card, fading out within the margin.
    def shadow_alpha(x, y):
        dx = max(m + 18 - x, 0, x - (w - m - 18))
        dy = max(m + 18 - (y - 3), 0, (y - 3) - (h - m - 18))
        d = math.hypot(dx, dy) - 18
        return 0.28 * max(0.0, 1 - max(d, 0) / (m - 1))
    for y in range(h):
        for x in range(w):
            c.blend(x, y, (0, 0, 0), shadow_alpha(x, y))
    c.fill((m, m, w - m, h - m), card, vertical(BLUE, NAVY, m, h - m))
    # A light band across the card, as from a lamp above.
    c.fill((m, m, w - m, h - m), lambda x, y: card(x, y) and y < 0.38 * h + 0.12 * x,
           lambda x, y: (255, 255, 255, 0.06))
    disc(c, 112, 100, 70, burn=True)
    cell = 5
    end = word(c, "KORVANEL", 214, 68, cell, WHITE)
    c.fill((214, 118, end - cell, 122), rounded(214, 118, end - cell, 122, 2), lambda x, y: TEAL)
    return w, h, c.rgba()


def toplogo():
    cell = 3
    w, h = 20 + 40 + word_width("KORVANEL", cell) + 8, 44
    c = Canvas(w, h)
    disc(c, 24, 22, 19)
    word(c, "KORVANEL", 54, 12, cell, WHITE)
    return w, h, c.rgba()


def leftlogo():
    w, h = 164, 380
    c = Canvas(w, h)
    c.fill((0, 0, w, h), rounded(0, 0, w, h, 10), vertical(TEAL, BLUE, 0, h))
    c.fill((0, 0, w, h), lambda x, y: rounded(0, 0, w, h, 10)(x, y) and y > h * 0.55 + 0.2 * x,
           lambda x, y: (*NAVY, 0.35))
    disc(c, 82, 150, 66, burn=True)
    disc(c, 118, 262, 34)
    return w, h, c.rgba()


def window_background():
    """The frame of the wizard's windows: a navy band with room for the word mark and the
    title-bar buttons, a light body, and magenta outside the rounded outline."""
    w, h, radius, band = 772, 547, 12, 56
    outline = rounded(0, 0, w, h, radius)
    body = vertical((250, 251, 253), (232, 237, 244), band, h)
    head = vertical(BLUE, NAVY, 0, band)
    rgb = bytearray()
    for y in range(h):
        for x in range(w):
            corner = (x < radius or x >= w - radius) and (y < radius or y >= h - radius)
            if corner and not outline(x + 0.5, y + 0.5):
                rgb += bytes((255, 0, 255))
                continue
            colour = head(x, y) if y < band else body(x, y)
            if y == band:
                colour = TEAL
            rgb += bytes(round(v) for v in colour)
    return w, h, rgb


def icon():
    w = h = 256
    c = Canvas(w, h)
    c.fill((8, 8, 248, 248), rounded(8, 8, 248, 248, 44), vertical(BLUE, NAVY, 8, 248))
    disc(c, 128, 128, 100, burn=True)
    return w, h, c.rgba()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    for name, make in (("splash/splash.png", splash), ("skin/toplogo.png", toplogo),
                       ("skin/leftlogo.png", leftlogo), ("icons/korvanel.png", icon)):
        w, h, pixels = make()
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png(w, h, pixels))
        print(f"{path}: {w} x {h}")
    w, h, pixels = window_background()
    path = os.path.join(out, "skin", "main.bmp")
    with open(path, "wb") as f:
        f.write(bmp24(w, h, pixels))
    print(f"{path}: {w} x {h}")


if __name__ == "__main__":
    main()
