#!/usr/bin/env python3
"""Writes beta_features.bmp: nine 16x16 state images side by side on the
mask colour (0,128,128). 0 off box, 1 ticked box, 3 red cross (unknown
kind), 6 grey box (not available), 8 green tick (always on); the others are
plain boxes."""
import struct

W, H, N = 16, 16, 9
MASK = (0, 128, 128)
img = [[MASK for _ in range(W * N)] for _ in range(H)]


def put(i, x, y, c):
    img[y][i * W + x] = c


def box(i, frame, fill):
    for y in range(2, 14):
        for x in range(2, 14):
            edge = x in (2, 13) or y in (2, 13)
            put(i, x, y, frame if edge else fill)


def tick(i, c):
    for k in range(3):
        put(i, 4 + k, 7 + k, c)
        put(i, 4 + k, 8 + k, c)
    for k in range(5):
        put(i, 7 + k, 9 - k, c)
        put(i, 7 + k, 10 - k, c)


def cross(i, c):
    for k in range(8):
        put(i, 4 + k, 4 + k, c)
        put(i, 11 - k, 4 + k, c)


for i in range(N):
    box(i, (64, 64, 64), (255, 255, 255))
tick(1, (0, 0, 0))
box(3, (128, 0, 0), (255, 255, 255))
cross(3, (200, 0, 0))
box(6, (160, 160, 160), (192, 192, 192))
box(8, (0, 96, 0), (255, 255, 255))
tick(8, (0, 160, 0))

row = W * N * 3
pad = (4 - row % 4) % 4
pixels = b"".join(
    b"".join(bytes((b, g, r)) for (r, g, b) in img[y]) + b"\0" * pad for y in range(H - 1, -1, -1))
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, W * N, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
with open("beta_features.bmp", "wb") as f:
    f.write(header + info + pixels)
