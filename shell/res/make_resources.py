#!/usr/bin/env python3
"""Writes the shell's built-in pictures: the splash screen's bitmap
(splash.bmp, 24-bit) and the main background's logo (logo.png). Run it
again after changing a picture; the outputs are kept in the repository."""
import struct
import zlib

# 5x7 block letters for the few characters the pictures show.
GLYPHS = {
    "V": ["X...X", "X...X", "X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "O": [".XXX.", "X...X", "X...X", "X...X", "X...X", "X...X", ".XXX."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "T": ["XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "Q": [".XXX.", "X...X", "X...X", "X...X", "X.X.X", "X..X.", ".XX.X"],
    "2": [".XXX.", "X...X", "....X", "...X.", "..X..", ".X...", "XXXXX"],
    " ": ["....."] * 7,
}

NAVY = (0, 51, 102)
WHITE = (255, 255, 255)


def canvas(width, height, colour):
    return [[colour] * width for _ in range(height)]


def text(pixels, x, y, word, scale, colour):
    for ch in word:
        for row, line in enumerate(GLYPHS[ch]):
            for col, cell in enumerate(line):
                if cell == "X":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[y + row * scale + dy][x + col * scale + dx] = colour
        x += 6 * scale


def bmp24(pixels):
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    rows = b""
    for row in reversed(pixels):
        line = b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in row)
        rows += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info)) + info + rows


def png(pixels):
    height, width = len(pixels), len(pixels[0])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def splash():
    width, height = 360, 170
    pixels = []
    for y in range(height):
        shade = 200 - y * 80 // height
        pixels.append([(shade // 3, shade // 2 + x * 40 // width, shade) for x in range(width)])
    text(pixels, 30, 40, "VORTA 2", 7, WHITE)
    text(pixels, 30, 110, "VQ2", 3, (255, 210, 80))
    return pixels


def logo():
    """An opaque badge: a navy frame two pixels wide around white, with the
    letters in navy. Its corners are plain navy so a drawn logo can be
    found pixel by pixel."""
    width, height = 96, 40
    pixels = canvas(width, height, WHITE)
    for y in range(height):
        for x in range(width):
            if x < 2 or y < 2 or x >= width - 2 or y >= height - 2:
                pixels[y][x] = NAVY
    text(pixels, 12, 6, "VQ2", 4, NAVY)
    return pixels


if __name__ == "__main__":
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "splash.bmp"), "wb") as f:
        f.write(bmp24(splash()))
    with open(os.path.join(here, "logo.png"), "wb") as f:
        f.write(png(logo()))
