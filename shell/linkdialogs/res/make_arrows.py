#!/usr/bin/env python3
"""Writes link_up.bmp and link_down.bmp: the link list's move buttons, a
black arrow on button grey (192,192,192), which loading with
LR_LOADMAP3DCOLORS turns into the system's button face. 4 bits per pixel
with a palette, 11x11 pixels."""
import struct

W, H = 11, 11
PALETTE = [(0, 0, 0), (192, 192, 192)] + [(0, 0, 0)] * 14


def arrow(up):
    rows = []
    for y in range(H):
        row = [1] * W
        # A triangle over rows 2..6, a shaft under (or over) it.
        k = y - 2 if up else 8 - y
        if 0 <= k <= 4:
            for x in range(5 - k, 6 + k):
                row[x] = 0
        elif (up and 7 <= y <= 9) or (not up and 1 <= y <= 3):
            for x in range(4, 7):
                row[x] = 0
        rows.append(row)
    return rows


def write(path, rows):
    stride = ((W * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        data = bytearray(stride)
        for x, v in enumerate(row):
            data[x // 2] |= v << (4 if x % 2 == 0 else 0)
        pixels += bytes(data)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    offset = 14 + len(header) + len(palette)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset))
        f.write(header + palette + pixels)


write("link_up.bmp", arrow(True))
write("link_down.bmp", arrow(False))
