#!/usr/bin/env python3
"""Draws the "working" animation of the operation progress window.

Writes resources/animation/myclock.png: 30 frames of 352 x 18 pixels stacked
top to bottom (352 x 540). A row of soft blue blocks on a transparent ground,
with a brighter glow running from left to right. The glow's path is periodic,
so the last frame leads into the first without a jump.

Only the Python standard library is used (zlib and struct write the PNG), so
the strip can be made again anywhere:

    python3 scripts/make-animation.py [OUTPUT]
"""

import math
import os
import sys

from artwork_files import png

WIDTH, HEIGHT, FRAMES = 352, 18, 30

BLOCK_WIDTH, GAP = 14, 2          # 22 blocks of 16 pixels fill the width
BLOCK_TOP, BLOCK_HEIGHT = 3, 12   # centred in the 18 pixels
RADIUS = 3.0                      # rounded corners
SAMPLES = 4                       # per axis, for smooth edges

# Colours as (r, g, b): the resting block from top to bottom, and the glow.
REST_TOP, REST_BOTTOM = (200, 221, 245), (150, 187, 232)
GLOW_TOP, GLOW_BOTTOM = (120, 185, 255), (30, 110, 215)

# The glow runs over a loop a little longer than the row, so that it leaves on
# the right before it comes back on the left.
LOOP = WIDTH + 88
GLOW_SIGMA = 34.0


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def corner_inside(px, py, left, top, right, bottom):
    """Whether the point lies inside the rounded rectangle."""
    if not (left <= px < right and top <= py < bottom):
        return False
    cx = min(max(px, left + RADIUS), right - RADIUS)
    cy = min(max(py, top + RADIUS), bottom - RADIUS)
    return (px - cx) ** 2 + (py - cy) ** 2 <= RADIUS ** 2


def coverage(x, y, left, top, right, bottom):
    inside = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            px = x + (sx + 0.5) / SAMPLES
            py = y + (sy + 0.5) / SAMPLES
            inside += corner_inside(px, py, left, top, right, bottom)
    return inside / (SAMPLES * SAMPLES)


def glow(frame, centre_x):
    """0..1: how much of the glow a block centred at centre_x gets in frame."""
    head = frame * LOOP / FRAMES - (LOOP - WIDTH) / 2
    d = (centre_x - head) % LOOP
    d = min(d, LOOP - d)
    return math.exp(-(d * d) / (2 * GLOW_SIGMA * GLOW_SIGMA))


def block_masks():
    """Per block: its left edge and the coverage of each pixel of its cell."""
    masks = []
    for left in range(GAP // 2, WIDTH, BLOCK_WIDTH + GAP):
        right = left + BLOCK_WIDTH
        cell = {}
        for y in range(BLOCK_TOP - 1, BLOCK_TOP + BLOCK_HEIGHT + 1):
            for x in range(left - 1, right + 1):
                if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                    c = coverage(x, y, left, BLOCK_TOP, right, BLOCK_TOP + BLOCK_HEIGHT)
                    if c > 0:
                        cell[(x, y)] = c
        masks.append((left, cell))
    return masks


def draw_frame(frame, masks):
    pixels = bytearray(WIDTH * HEIGHT * 4)  # transparent
    for left, cell in masks:
        g = glow(frame, left + BLOCK_WIDTH / 2)
        for (x, y), c in cell.items():
            t = (y - BLOCK_TOP) / (BLOCK_HEIGHT - 1)
            t = min(max(t, 0.0), 1.0)
            rest = mix(REST_TOP, REST_BOTTOM, t)
            lit = mix(GLOW_TOP, GLOW_BOTTOM, t)
            r, gr, b = mix(rest, lit, g)
            # A thin light line along the top edge gives the blocks some depth.
            if y == BLOCK_TOP:
                r, gr, b = mix((r, gr, b), (255, 255, 255), 0.45)
            i = (y * WIDTH + x) * 4
            pixels[i:i + 4] = bytes((round(r), round(gr), round(b), round(255 * c)))
    return pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "animation", "myclock.png")
    masks = block_masks()
    strip = bytearray()
    for frame in range(FRAMES):
        strip += draw_frame(frame, masks)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(png(WIDTH, HEIGHT * FRAMES, strip))
    print(f"{out}: {FRAMES} frames of {WIDTH} x {HEIGHT}")


if __name__ == "__main__":
    main()
