#include "rawdecode.h"

#include <QList>
#include <QPainter>

namespace rawdecode {

namespace {

// Header offsets of a layer block.
enum : qint64 {
    XSize = 32,
    YSize = 36,
    VxSize = 40,
    BitsPerPixel = 52,
    NumColors = 56,
    XOrg = 92,
    YOrg = 96,
    LayerAlpha = 100,
    XPos = 104,
    YPos = 108,
    BkColor = 116,
    KeyMin = 124,
    KeyMax = 128,
    TransMode = 132,
    Palette = 296,
    Pixels = 4096,
};

bool inRange(quint32 v, quint32 lo, quint32 hi, int shift)
{
    const quint32 c = (v >> shift) & 0xFF, a = (lo >> shift) & 0xFF, b = (hi >> shift) & 0xFF;
    return c >= a && c <= b;
}

// The alpha convention, then the colour key (indexed and 32-bit alike), then
// constant or forced alpha (32-bit only), with the header fields read once.
struct PixelRules
{
    PixelRules(const Block &b, const Rules &rules)
        : invert(rules.alphaMode == 0), mode(b.i32(TransMode)), lo(b.u32(KeyMin)), hi(b.u32(KeyMax)),
          layerAlpha(b.base[LayerAlpha]), single(rules.layerCount == 1)
    {
    }
    QRgb operator()(quint32 v, bool indexed) const
    {
        if (invert)
            v ^= 0xFF000000u;
        if (mode == 1) {
            if (qAlpha(v) != 0 && inRange(v, lo, hi, 16) && inRange(v, lo, hi, 8) && inRange(v, lo, hi, 0))
                v &= 0x00FFFFFFu;
        } else if (mode == 2 && !indexed) {
            v = (quint32(layerAlpha) << 24) | (v & 0x00FFFFFFu);
        } else if (mode == 0 && !indexed && single) {
            v |= 0xFF000000u;
        }
        return v;
    }
    bool invert;
    qint32 mode;
    quint32 lo, hi;
    quint8 layerAlpha;
    bool single;
};

QImage decode(const Block &b, const Rules &rules, QRect r, bool virtualScreen)
{
    if (r.isEmpty() || !b.base)
        return QImage();
    const qint64 xSize = b.i32(XSize);
    const qint32 numColors = b.i32(NumColors);
    const qint32 bpp = b.i32(BitsPerPixel);
    const bool indexed = !virtualScreen && numColors >= 1 && numColors <= 256;
    if (indexed && bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8)
        return QImage();
    qint64 originX = 0, originY = 0;
    const bool hasVirtual = b.i32(VxSize) != b.i32(XSize) || b.i32(VxSize + 4) != b.i32(YSize);
    if (!virtualScreen) {
        if (r.left() < 0 || r.top() < 0)
            return QImage();
        if (hasVirtual) {
            originX = b.i32(XOrg);
            originY = b.i32(YOrg);
        }
    }
    const int bytes = indexed ? 1 : 4;
    const qint64 stride = virtualScreen ? qint64(b.i32(VxSize)) * 4 : xSize * bytes;
    const qint64 first = bytes * (xSize * (r.top() + originY) + r.left() + originX);
    const PixelRules apply(b, rules);
    QImage image(r.size(), QImage::Format_ARGB32);
    for (int y = 0; y < r.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const qint64 at = Pixels + first + stride * y + qint64(bytes) * x;
            QRgb out = 0;
            if (at >= Pixels && at + bytes <= b.size) {
                if (indexed) {
                    const int index = b.base[at];
                    if (index < numColors)
                        out = apply(b.u32(Palette + 4 * index), true);
                } else {
                    out = apply(b.u32(at), false);
                }
            }
            line[x] = out;
        }
    }
    return image;
}

} // namespace

quint32 Block::u32(qint64 offset) const
{
    if (!base || offset < 0 || offset + 4 > size)
        return 0;
    const uchar *p = base + offset;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

QRgb opaqueLibraryColor(quint32 v)
{
    return 0xFF000000u | ((v >> 16) & 0xFF) | ((v & 0xFF) << 16) | (v & 0x0000FF00u);
}

QImage visibleImage(const Block &b, const Rules &rules, QRect r)
{
    return decode(b, rules, r, false);
}

QImage virtualImage(const Block &b, const Rules &rules, QRect r)
{
    return decode(b, rules, r, true);
}

QImage compositeImage(const QList<Block> &layers, const Rules &rules, QRect r, const QList<int> &leftOut)
{
    if (r.isEmpty())
        return QImage();
    QImage image(r.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(layers.isEmpty() ? 0xFF000000u : opaqueLibraryColor(layers.first().u32(BkColor)));
    QPainter painter(&image);
    for (int n = 0; n < layers.size(); ++n) {
        if (leftOut.contains(n))
            continue;
        const Block &b = layers.at(n);
        const QRect lr(b.i32(XPos), b.i32(YPos), b.i32(XSize), b.i32(YSize));
        const QRect part = lr & r;
        if (part.isEmpty())
            continue;
        const QImage layer = visibleImage(b, rules, part.translated(-lr.topLeft()));
        if (!layer.isNull())
            painter.drawImage(part.topLeft() - r.topLeft(), layer);
    }
    return image;
}

} // namespace rawdecode
