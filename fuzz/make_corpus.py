#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_imaging (fuzz/corpus/imaging/): well-formed
scenes of every kind of layer and malformed blocks. The input format is
described at the top of fuzz_imaging.cpp."""
import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "imaging")

INT_MAX = 2**31 - 1
INT_MIN = -2**31


def field(v):
    if 0 <= v < 64:
        return bytes([v << 2])
    if 0 <= v <= 0xFFFF:
        return bytes([1]) + struct.pack("<H", v)
    if -0x8000 <= v < 0x8000:
        return bytes([2]) + struct.pack("<h", v)
    return bytes([3]) + struct.pack("<I", v & 0xFFFFFFFF)


def layer(w, h, vx=None, vy=None, bpp=32, colors=0, xorg=0, yorg=0, alpha=255, xpos=0, ypos=0,
          bk=0, comp=0, kmin=0, kmax=0, mode=0, pixel_bytes=None, tiny=False, own=None):
    vx = w if vx is None else vx
    vy = h if vy is None else vy
    if pixel_bytes is None:
        per = 1 if 1 <= colors <= 256 else 4
        pixel_bytes = max(0, max(w, vx)) * max(0, max(h, vy)) * per
    flags = (1 if tiny else 0) | (2 if own else 0)
    out = bytes([flags])
    for v in (w, h, vx, vy, bpp, colors, xorg, yorg, alpha, xpos, ypos, bk, comp, kmin, kmax, mode, pixel_bytes):
        out += field(v)
    if own:
        indexed, bpp_, row, ox, oy, neg, fmt, bpl = own
        out += bytes([indexed]) + field(bpp_) + field(row) + field(ox) + field(oy) + bytes([neg, fmt]) + field(bpl)
    return out


def op(kind, n, l, t, w, h, extra=b""):
    return bytes([kind, n]) + field(l) + field(t) + field(w) + field(h) + extra


def rewrite_args(alpha=0x40, lower=0x000000, upper=0x202020, rect=(1, 1, 2, 2)):
    return field(alpha) + struct.pack("<II", lower, upper) + b"".join(field(v) for v in rect)


def scene(alpha_mode, layer_count, layers, ops, misalign=0, data=b""):
    flags = (len(layers) - 1) | (misalign << 2)
    body = bytes([alpha_mode, layer_count, flags]) + b"".join(layers) + b"".join(ops)
    # Pixel and palette bytes come from the input repeated: give it variety.
    return body + (data or bytes((i * 37 + 11) & 0xFF for i in range(257)))


def reads(n, w, h):
    """Every kind of read of layer n of size w x h."""
    return [
        op(0, n, 0, 0, w, h, rewrite_args()),
        op(1, n, 0, 0, w, h, rewrite_args()),
        op(2, n, 1, 1, max(1, w - 2), max(1, h - 2), rewrite_args()),
        op(3, n, w - 1, h - 1, 1, 1),
        op(3, n, -1, 0, 1, 1),
        op(4, n, -3, -3, w + 6, h + 6, field(5) + field(7) + rewrite_args()),
        op(5, n, 402, 300, 4, 6, field(0) + field(320) + field(240)),
    ]


def seeds():
    yield "truecolor", scene(255, 2, [layer(64, 48)], reads(0, 64, 48))
    yield "truecolor_inverted_single", scene(0, 1, [layer(64, 48)], reads(0, 64, 48), misalign=1)
    yield "constant_alpha", scene(0, 2, [layer(40, 30, mode=2, alpha=0x80)], reads(0, 40, 30))
    yield "color_key", scene(255, 2, [layer(40, 30, mode=1, kmin=0x000000, kmax=0x7F7F7F)], reads(0, 40, 30))
    yield "other_mode", scene(0, 1, [layer(40, 30, mode=7)], reads(0, 40, 30))
    yield "indexed8_256", scene(0, 2, [layer(32, 32, bpp=8, colors=256)], reads(0, 32, 32))
    yield "indexed4_width10", scene(255, 1, [layer(10, 6, bpp=4, colors=16, mode=1, kmax=0x808080)], reads(0, 10, 6))
    yield "indexed1", scene(255, 2, [layer(17, 5, bpp=1, colors=2)], reads(0, 17, 5), misalign=3)
    yield "virtual_screen", scene(255, 2, [layer(32, 32, vx=32, vy=64, yorg=32)], reads(0, 32, 64))
    yield "virtual_indexed", scene(255, 2, [layer(16, 16, vx=32, vy=32, bpp=8, colors=16, xorg=4, yorg=8)],
                                   reads(0, 32, 32))
    yield "composite_three", scene(0, 3, [
        layer(48, 32, comp=(32 << 16) | 48, bk=0x00FF0000),
        layer(20, 20, xpos=-5, ypos=10, mode=2, alpha=0x80),
        layer(30, 12, xpos=30, ypos=-4, bpp=8, colors=64, mode=1, kmax=0x404040),
    ], [op(4, 0, 0, 0, 48, 32, field(15) + field(15) + rewrite_args()),
        op(4, 0, 100, 100, 1, 1, field(0) + field(0) + rewrite_args()),
        op(4, 0, -10, -10, 20, 20, field(3) + field(9) + rewrite_args())] + reads(1, 20, 20) + reads(2, 30, 12))
    # Malformed blocks.
    yield "sizes_beyond_block", scene(255, 2, [layer(640, 480, pixel_bytes=1000)], reads(0, 640, 480))
    yield "indexed_beyond_block", scene(0, 2, [layer(100, 100, bpp=8, colors=200, pixel_bytes=333)],
                                        reads(0, 100, 100))
    yield "negative_sizes", scene(255, 2, [layer(-7, -3, vx=-1, vy=5, pixel_bytes=64)], reads(0, 8, 8))
    yield "absurd_origin", scene(0, 1, [layer(16, 16, vx=32, vy=32, xorg=INT_MAX, yorg=INT_MIN)], reads(0, 16, 16))
    yield "huge_sizes", scene(255, 2, [layer(INT_MAX, INT_MAX, vx=INT_MIN, vy=INT_MAX, pixel_bytes=4096)],
                              reads(0, 64, 64))
    yield "colors_0", scene(255, 2, [layer(8, 8, bpp=8, colors=0)], reads(0, 8, 8))
    yield "colors_257", scene(255, 2, [layer(8, 8, bpp=8, colors=257, pixel_bytes=256)], reads(0, 8, 8))
    yield "colors_negative", scene(255, 2, [layer(8, 8, bpp=8, colors=-1, pixel_bytes=256)], reads(0, 8, 8))
    yield "depth_16", scene(255, 2, [layer(8, 8, bpp=16, colors=16)], reads(0, 8, 8))
    yield "depth_3", scene(255, 2, [layer(8, 8, bpp=3, colors=16)], reads(0, 8, 8))
    yield "tiny_block", scene(255, 2, [layer(8, 8, tiny=True, pixel_bytes=100)], reads(0, 8, 8))
    yield "huge_request", scene(255, 2, [layer(65535, 65535, comp=0xFFFFFFFF, pixel_bytes=4096)], [
        op(0, 0, 0, 0, 65535, 65535), op(4, 0, 0, 0, 65535, 65535), op(0, 0, 0, 0, 8192, 8192)])
    yield "extreme_rects", scene(0, 1, [layer(8, 8)], [
        op(0, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX), op(1, 0, INT_MIN, INT_MIN, 3, 3),
        op(3, 0, INT_MIN, INT_MAX, 1, 1), op(4, 0, INT_MAX - 1, INT_MIN, 2, 2, field(1) + field(1)),
        op(0, 0, 5, 5, -3, 0), op(5, 0, INT_MIN, -1, 0, INT_MIN, field(INT_MAX) + field(-5) + field(INT_MAX))])
    yield "own_layouts", scene(255, 2, [
        layer(16, 16, own=(0, 4, 16, 0, 0, 1, 0, 60)),
        layer(16, 16, bpp=8, colors=16, own=(1, 1, -16, 3, -2, 0, 1, -16)),
        layer(16, 16, own=(0, 4, INT_MAX, INT_MIN, INT_MAX, 0, 0, INT_MIN)),
        layer(16, 16, own=(1, 4, 16, 0, 0, 1, 3, 0)),
    ], [op(2, n, 0, 0, 16, 16, rewrite_args()) for n in range(4)] + [op(9, n, 3, 3, 1, 1) for n in range(4)])


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
