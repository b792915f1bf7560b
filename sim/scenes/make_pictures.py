#!/usr/bin/env python3
"""Writes the PNG pictures of the example scenes (deterministic, standard library only)."""
import struct
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(name, width, height, rows, palette=None):
    """rows: list of bytes per row; RGBA (8-bit, colour type 6) or indices (colour type 3)."""
    color_type = 3 if palette else 6
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0))
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c[1:]) for c in palette))
        out += chunk(b"tRNS", bytes(c[0] for c in palette))
    raw = b"".join(b"\x00" + r for r in rows)
    out += chunk(b"IDAT", zlib.compress(raw, 9))
    out += chunk(b"IEND", b"")
    with open(name, "wb") as f:
        f.write(out)


def rgba(a, r, g, b):
    return bytes((r, g, b, a))


# 160 x 120 checkerboard of 8-pixel cells: light (E0) where (x/8 + y/8) is even, dark (40) elsewhere.
write_png("checker.png", 160, 120, [
    b"".join(rgba(255, 0xE0, 0xE0, 0xE0) if (x // 8 + y // 8) % 2 == 0 else rgba(255, 0x40, 0x40, 0x40)
             for x in range(160)) for y in range(120)])

# 64 x 48 indexed: index (x / 4) % 16, 16 palette entries of a grey ramp, entry 15 half transparent.
palette = [(255, i * 17, i * 17, 255 - i * 17) for i in range(15)] + [(128, 255, 255, 0)]
write_png("indexed.png", 64, 48, [bytes((x // 4) % 16 for x in range(64)) for y in range(48)], palette)

# 64 x 96 virtual screen: three 32-row bands, red, green, blue.
bands = [rgba(255, 255, 0, 0), rgba(255, 0, 255, 0), rgba(255, 0, 0, 255)]
write_png("tall.png", 64, 96, [bands[y // 32] * 64 for y in range(96)])

# 48 x 48 black with a white 16 x 16 square at (16, 16): the black is keyed out.
write_png("keyed.png", 48, 48, [
    b"".join(rgba(255, 255, 255, 255) if 16 <= x < 32 and 16 <= y < 32 else rgba(255, 0, 0, 0) for x in range(48))
    for y in range(48)])
