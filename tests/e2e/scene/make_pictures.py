#!/usr/bin/env python3
"""Writes the pictures of the end-to-end scene (deterministic, standard library only).

layer0.png    16 x 12 opaque: four 8 x 6 quadrants of distinct colours and two
              one-pixel markers, so that a match at one zoom cannot be part of
              the picture at another zoom.
composite.png the display the scene makes: layer0 with layer 1 (a 4 x 4
              opaque fill) at (6, 4) on top.
"""
import struct
import zlib

W, H = 16, 12
TL, TR, BL, BR = (0xC0, 0x30, 0x20), (0x20, 0xA0, 0x40), (0x20, 0x40, 0xC0), (0xE0, 0xC0, 0x20)
MARK_A, MARK_B = (0xFF, 0xFF, 0xFF), (0x10, 0x10, 0x10)
COVER = (0x00, 0xE0, 0xE0)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(name, pixels):
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
    raw = b"".join(b"\x00" + b"".join(bytes(pixels[y][x]) + b"\xff" for x in range(W)) for y in range(H))
    out += chunk(b"IDAT", zlib.compress(raw, 9))
    out += chunk(b"IEND", b"")
    with open(name, "wb") as f:
        f.write(out)


layer0 = [[(TL if x < 8 else TR) if y < 6 else (BL if x < 8 else BR) for x in range(W)] for y in range(H)]
layer0[1][1] = MARK_A
layer0[10][14] = MARK_B
write_png("layer0.png", layer0)

composite = [row[:] for row in layer0]
for y in range(4, 8):
    for x in range(6, 10):
        composite[y][x] = COVER
write_png("composite.png", composite)
