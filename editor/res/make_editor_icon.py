#!/usr/bin/env python3
"""Writes the program editor frame's icon (editor.ico, 32x32, 32-bit with an
all-opaque mask): a page of program lines on the navy badge. Run it again
after changing the picture; the output is kept in the repository."""
import os
import struct

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
    size = 32
    xor = b""
    for row in reversed(picture(size)):
        xor += b"".join(struct.pack("<BBBB", b, g, r, 255) for (r, g, b) in row)
    mask = b"\0" * (size * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "editor.ico"), "wb") as f:
        f.write(icon())
