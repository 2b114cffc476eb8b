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


# The main toolbar's buttons, in order: a colour and a simple shape each.
TOOLBAR_ICONS = [
    ((0, 140, 0), "plug"),       # connect
    ((180, 0, 0), "plug"),       # disconnect
    ((240, 200, 60), "page"),    # new project
    ((60, 120, 200), "folder"),  # load project
    ((0, 150, 150), "tick"),     # check project
    ((40, 40, 40), "screen"),    # terminal
    ((120, 60, 160), "bars"),    # axis parameters
    ((200, 120, 0), "dots"),     # digital I/O
    ((0, 110, 60), "wave"),      # oscilloscope
    ((80, 80, 200), "eye"),      # watch variables
    ((150, 90, 40), "gear"),     # intelligent drives
    ((0, 160, 0), "play"),       # run
    ((0, 100, 200), "step"),     # step
    ((200, 0, 0), "square"),     # stop
    ((160, 0, 0), "double"),     # halt all
]
MAGENTA = (255, 0, 255)


def toolbar_image(width=19, height=18, icons=TOOLBAR_ICONS):
    pixels = canvas(width * len(icons), height, MAGENTA)
    for index, (colour, shape) in enumerate(icons):
        x0 = index * width
        for y in range(height):
            for x in range(width):
                cx, cy = x - width // 2, y - height // 2
                inside = {
                    "plug": abs(cx) <= 2 or (abs(cy) <= 2 and abs(cx) <= 6),
                    "page": 3 <= x <= 14 and 2 <= y <= 15,
                    "folder": 2 <= x <= 16 and 5 <= y <= 14,
                    "tick": (x - 3 == y - 8 and 3 <= x <= 8) or (x + y == 19 and 8 <= x <= 15),
                    "screen": 2 <= x <= 16 and 3 <= y <= 13,
                    "bars": (x % 4 in (1, 2)) and y >= 16 - (x // 2 + 2) and y <= 15 and 2 <= x <= 16,
                    "dots": (cx * cx + cy * cy) <= 30 and (x + y) % 3 == 0,
                    "wave": abs(cy - (3 if (x // 4) % 2 else -3)) <= 1,
                    "eye": (cx * cx) // 4 + cy * cy <= 16,
                    "gear": 9 <= cx * cx + cy * cy <= 49,
                    # Run and Step point right, the way the program runs.
                    "play": 5 <= x <= 14 and abs(cy) <= (14 - x) // 1.5,
                    "step": (5 <= x <= 7 and abs(cy) <= 6) or (9 <= x <= 15 and abs(cy) <= (15 - x)),
                    "square": abs(cx) <= 5 and abs(cy) <= 5,
                    "double": (abs(cx + 3) <= 1 or abs(cx - 3) <= 1) and abs(cy) <= 6,
                }[shape]
                if inside:
                    pixels[y][x0 + x] = colour
    return pixels


def icon():
    """A 32x32 icon (32-bit with an all-opaque mask): the navy badge."""
    size = 32
    pixels = canvas(size, size, NAVY)
    for y in range(4, 28):
        for x in range(4, 28):
            pixels[y][x] = WHITE
    text(pixels, 6, 9, "V2"[0], 2, NAVY)
    text(pixels, 18, 9, "V2"[1], 2, NAVY)
    return ico(pixels)


def ico(pixels):
    """An .ico file of one square 32-bit image with an all-opaque mask."""
    size = len(pixels)
    xor = b""
    for row in reversed(pixels):
        xor += b"".join(struct.pack("<BBBB", b, g, r, 255) for (r, g, b) in row)
    mask = b"\0" * (size * 4)  # 32 bits per mask row, all opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


if __name__ == "__main__":
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "splash.bmp"), "wb") as f:
        f.write(bmp24(splash()))
    with open(os.path.join(here, "logo.png"), "wb") as f:
        f.write(png(logo()))
    with open(os.path.join(here, "toolbar.bmp"), "wb") as f:
        f.write(bmp24(toolbar_image()))
    with open(os.path.join(here, "vorta2.ico"), "wb") as f:
        f.write(icon())
