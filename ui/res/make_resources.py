#!/usr/bin/env python3
"""Writes the toolkit's picture resources: the wait window's animation
(wait.avi, an uncompressed 8-bit clip the animation control plays as it is)
and the shell tree's project folder icons. Run it again after changing a
picture; the outputs are kept in the repository."""
import math
import struct

SIZE = 16


def ico(pixels):
    """pixels: rows top to bottom of (r, g, b, a)."""
    xor = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = (SIZE + 31) // 32 * 4
    mask = bytes(mask_row * SIZE)  # alpha decides; the mask is all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22) + image


def folder(open_):
    clear = (0, 0, 0, 0)
    edge = (128, 96, 0, 255)
    body = (240, 200, 64, 255)
    flap = (255, 224, 120, 255)
    mark = (32, 64, 192, 255)
    rows = [[clear] * SIZE for _ in range(SIZE)]
    for x in range(1, 7):
        rows[2][x] = edge
    for y in range(3, 14):
        for x in range(1, 15):
            border = y in (3, 13) or x in (1, 14)
            rows[y][x] = edge if border else body
    if open_:
        for y in range(7, 14):
            shift = (y - 7) // 2
            for x in range(3 + shift, 15):
                rows[y][x] = edge if y in (7, 13) or x == 14 else flap
    for y in range(9, 12):  # the project mark
        for x in range(9, 12):
            rows[y][x] = mark
    return rows


def avi(frames, width, height, palette, ms_per_frame):
    def chunk(fourcc, data):
        pad = b"\0" if len(data) % 2 else b""
        return fourcc + struct.pack("<I", len(data)) + data + pad

    def lst(kind, data):
        return chunk(b"LIST", kind + data)

    frame_size = width * height
    avih = struct.pack("<14I", ms_per_frame * 1000, frame_size * 1000 // ms_per_frame, 0, 0x10, len(frames), 0, 1,
                       frame_size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, 1000 // ms_per_frame, 0,
                       len(frames), frame_size, 0xFFFFFFFF, 0, 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, frame_size, 0, 0, len(palette), 0)
    strf += b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_body = b""
    index = b""
    for frame in frames:
        offset = 4 + len(movi_body)  # from the "movi" type
        movi_body += chunk(b"00db", frame)
        index += struct.pack("<4sIII", b"00db", 0x10, offset, len(frame))
    body = b"AVI " + hdrl + lst(b"movi", movi_body) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def wait_frames(count, width, height):
    """A ring of dots with one lit dot going round; bottom-up 8-bit rows."""
    frames = []
    cx, cy, radius = width / 2, height / 2, width * 0.35
    for n in range(count):
        pixels = bytearray(width * height)  # colour 0: background
        for dot in range(count):
            angle = 2 * math.pi * dot / count
            px, py = cx + radius * math.cos(angle), cy + radius * math.sin(angle)
            colour = 2 if dot == n else 1
            for y in range(height):
                for x in range(width):
                    if (x + 0.5 - px) ** 2 + (y + 0.5 - py) ** 2 <= 6.0:
                        pixels[(height - 1 - y) * width + x] = colour
        frames.append(bytes(pixels))
    return frames


if __name__ == "__main__":
    with open("project_folder.ico", "wb") as f:
        f.write(ico(folder(False)))
    with open("project_folder_open.ico", "wb") as f:
        f.write(ico(folder(True)))
    palette = [(255, 255, 255), (192, 192, 192), (0, 64, 192), (0, 0, 0)]
    with open("wait.avi", "wb") as f:
        f.write(avi(wait_frames(8, 32, 32), 32, 32, palette, 100))
