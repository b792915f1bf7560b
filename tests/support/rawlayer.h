#pragma once

// A layer block in ordinary memory, written byte by byte at the documented
// offsets, so that the tool's accessors and readers are checked against the
// offsets rather than assumed. The block may be made shorter than the layer
// it describes to exercise the bounded reads. rawdecode.h reads it back.
#include "imaging/layerimage.h"
#include "rawdecode.h"

#include <QtGlobal>

#include <vector>

struct RawLayer
{
    // A block of header plus `pixelBytes` bytes (-1: every pixel of the
    // layer, 4 bytes each for true colour, 1 for indexed).
    RawLayer(int w, int h, int numColors = 0, int bpp = 32, qint64 pixelBytes = -1)
    {
        const qint64 bytes = pixelBytes >= 0 ? pixelBytes : qint64(w) * h * (numColors >= 1 && numColors <= 256 ? 1 : 4);
        // Over-allocate by one word so that the block's base is 16-byte aligned
        // whatever the allocator gives.
        storage.assign(size_t(4096 + bytes + 16), 0);
        size = 4096 + bytes;
        put32(32, quint32(w));
        put32(36, quint32(h));
        put32(40, quint32(w));
        put32(44, quint32(h));
        put32(52, quint32(bpp));
        put32(56, quint32(numColors));
        storage[0] = 1;
    }

    // A zeroed block of exactly `blockBytes` bytes (header included) with no
    // fields written.
    static RawLayer ofBytes(qint64 blockBytes) { return RawLayer(blockBytes); }

    RawLayer(RawLayer &&) = default;
    RawLayer(const RawLayer &) = delete; // base() would move within the copy
    RawLayer &operator=(const RawLayer &) = delete;

    uchar *base() { return storage.data() + ((16 - (quintptr(storage.data()) & 15)) & 15); }
    BlockView view() { return BlockView(base(), size); }
    rawdecode::Block raw() { return rawdecode::Block{base(), size}; }

    void put32(qint64 offset, quint32 v)
    {
        uchar *p = base() + offset;
        p[0] = uchar(v);
        p[1] = uchar(v >> 8);
        p[2] = uchar(v >> 16);
        p[3] = uchar(v >> 24);
    }
    quint32 get32(qint64 offset) { return quint32(base()[offset]) | quint32(base()[offset + 1]) << 8 | quint32(base()[offset + 2]) << 16 | quint32(base()[offset + 3]) << 24; }

    int width() { return int(get32(32)); }
    void setVirtual(int vx, int vy, int xOrg, int yOrg)
    {
        put32(40, quint32(vx));
        put32(44, quint32(vy));
        put32(92, quint32(xOrg));
        put32(96, quint32(yOrg));
    }
    void setPos(int x, int y)
    {
        put32(104, quint32(x));
        put32(108, quint32(y));
    }
    void setTransMode(int mode) { put32(132, quint32(mode)); }
    void setLayerAlpha(quint8 a) { base()[100] = a; }
    void setKey(quint32 lower, quint32 upper)
    {
        put32(124, lower);
        put32(128, upper);
    }
    void setBkColor(quint32 v) { put32(116, v); }
    void setCompositeSize(int w, int h) { put32(120, (quint32(h & 0xFFFF) << 16) | quint32(w & 0xFFFF)); }
    void setPalette(int i, quint32 argb) { put32(296 + 4 * i, argb); }

    // Pixel (x, y) of the pixel area with rows of xSize pixels.
    void setPixel32(int x, int y, quint32 argb) { put32(4096 + 4 * (qint64(width()) * y + x), argb); }
    void setPixel8(int x, int y, quint8 index) { base()[4096 + qint64(width()) * y + x] = index; }
    void fill32(quint32 argb)
    {
        for (qint64 o = 4096; o + 4 <= size; o += 4)
            put32(o, argb);
    }

    std::vector<uchar> storage;
    qint64 size = 0;

private:
    explicit RawLayer(qint64 blockBytes) : storage(size_t(blockBytes + 16), 0), size(blockBytes) {}
};

inline ImageRules rulesOf(quint8 alphaMode, unsigned layerCount)
{
    ImageRules r;
    r.alphaMode = alphaMode;
    r.layerCount = layerCount;
    return r;
}

// A visible-layer read the way a layer view makes it.
inline CImage readVisible(BlockView block, const ImageRules &rules, int l, int t, int r, int b)
{
    return readLayerImage(visibleLayerLayout(block), readPalette(block, rules.alphaMode), rules, l, t, r, b);
}
