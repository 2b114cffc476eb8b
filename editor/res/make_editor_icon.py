#!/usr/bin/env python3
"""Writes the program editor frame's icon (editor.ico, 32x32, 32-bit with an
all-opaque mask): a page of program lines on the navy badge. Run it again
after changing the picture; the output is kept in the repository."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shell", "res"))
from make_resources import ico  # noqa: E402

NAVY = (0, 51, 102)
WHITE = (255, 255, 255)
TEXT = (0, 0, 128)
COMMENT = (0, 128, 0)


def picture(size):
    pixels = [[NAVY] * size for _ in range(size)]
    for y in range(3, 29):
        for x in range(6, 26):
            pixels[y][x] = WHITE
    # Program lines, indented like a block, the last one a comment.
    lines = [(9, 8, 22), (12, 12, 23), (15, 12, 20), (18, 12, 22), (21, 8, 16), (24, 8, 21)]
    for n, (y, left, right) in enumerate(lines):
        colour = COMMENT if n == len(lines) - 1 else TEXT
        for x in range(left, right):
            pixels[y][x] = colour
            pixels[y + 1][x] = colour
    return pixels


def icon():
    return ico(picture(32))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "editor.ico"), "wb") as f:
        f.write(icon())
