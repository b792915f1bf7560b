#include "imaging/layerimage.h"

#include "imaging/layergeometry.h"
#include "simlink/layerblock.h"

#include <QtNumeric>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

namespace imaging {

PixelRules pixelRulesFor(BlockView block, const ImageRules &rules)
{
    PixelRules r;
    r.invert = rules.alphaMode == 0;
    switch (simlink::transMode(block)) {
    case 0:
        // A single layer is the whole display: nothing lies beneath it.
        if (rules.layerCount == 1) {
            r.mode = PixelRules::SetAlpha;
            r.alpha = 255;
        }
        break;
    case 1:
        r.mode = PixelRules::ColorKey;
        r.keyLower = simlink::keyColorMin(block);
        r.keyUpper = simlink::keyColorMax(block);
        break;
    case 2:
        r.mode = PixelRules::SetAlpha;
        r.alpha = simlink::layerAlpha(block);
        break;
    default:
        break;
    }
    return r;
}

void lookupTable(const QVector<QRgb> &palette, const PixelRules &rules, quint32 table[256])
{
    const int n = int(std::min<qsizetype>(palette.size(), 256));
    for (int i = 0; i < 256; ++i)
        table[i] = i < n ? palette[i] : 0u;
    if (rules.mode == PixelRules::ColorKey) {
        for (int i = 0; i < n; ++i)
            table[i] = keyPixel(table[i], rules.keyLower, rules.keyUpper);
    }
}

Address addressOf(const LayerLayout &l, qint64 x, qint64 y, qint64 *offset)
{
    if (l.negativeIsNone && (x < 0 || y < 0))
        return Address::None;
    qint64 row, col, pixel, bytes;
    if (qAddOverflow(y, l.originY, &row) || qAddOverflow(x, l.originX, &col)
        || qMulOverflow(row, l.rowPixels, &pixel) || qAddOverflow(pixel, col, &pixel)
        || qMulOverflow(pixel, qint64(l.bytesPerPixel), &bytes))
        return Address::Overflow;
    *offset = bytes;
    return Address::Ok;
}

ReadGeometry::ReadGeometry(BlockView block, qint64 first, qint64 bytesPerLine, int bytesPerPixel, qint64 width,
                           qint64 height)
    : block(block), first(first), stride(bytesPerLine), bpp(bytesPerPixel), width(width),
      height(height)
{
    qint64 last;
    if (height <= 0 || width <= 0 || qMulOverflow(height - 1, stride, &last)
        || qAddOverflow(last, first, &last))
        return;
    const qint64 lowest = std::min(first, last);
    const qint64 highest = std::max(first, last);
    const qint64 size = block.frameBufferSize();
    allPresent = lowest >= 0 && highest <= size && width * bpp <= size - highest;
}

RowSpan ReadGeometry::row(qint64 y) const
{
    RowSpan span;
    qint64 start;
    if (qMulOverflow(y, stride, &start) || qAddOverflow(start, first, &start))
        return span;
    const qint64 rowBytes = width * bpp;
    const qint64 size = block.frameBufferSize();
    if (start < -rowBytes || start > size - bpp)
        return span;
    span.begin = start >= 0 ? 0 : (-start + bpp - 1) / bpp;
    span.end = std::min(width, (size - bpp - start) / bpp + 1);
    if (span.begin >= span.end) {
        span.begin = span.end = 0;
        return span;
    }
    span.data = block.frameBytes(start + span.begin * bpp, (span.end - span.begin) * bpp);
    if (!span.data)
        span.begin = span.end = 0;
    return span;
}

bool supportedLayout(const LayerLayout &l)
{
    if (l.block.isNull())
        return false;
    if (l.indexed)
        return l.format == QImage::Format_Indexed8 && l.bytesPerPixel == 1;
    return l.format == QImage::Format_ARGB32 && l.bytesPerPixel == 4;
}

bool withinLimit(qint64 width, qint64 height, qint64 bytesPerPixel)
{
    if (width <= 0 || height <= 0 || width > MaxImageBytes || height > MaxImageBytes)
        return false;
    const qint64 line = (width * bytesPerPixel + 3) & ~qint64(3); // QImage pads lines to 32 bits
    return line <= MaxImageBytes / height;
}

} // namespace imaging

using namespace imaging;

namespace {

inline quint32 *line32(QImage &image, int y)
{
    return reinterpret_cast<quint32 *>(image.scanLine(y));
}


// Fills each row of a 32-bit image: the pixels that lie inside the block
// through decode, the absent ones on either side fully transparent.
template <typename Decode>
void decodeRows(QImage &image, const ReadGeometry &geo, int w, int h, Decode decode)
{
    for (int y = 0; y < h; ++y) {
        quint32 *out = line32(image, y);
        const RowSpan span = geo.row(y);
        std::fill(out, out + span.begin, 0u);
        if (span.data)
            decode(span.data, out + span.begin, span.end - span.begin);
        std::fill(out + span.end, out + w, 0u);
    }
}

CImage readTrueColor(const PixelRules &rules, const ReadGeometry &geo, qint64 stride,
                     int w, int h, int l, int t, int r, int b)
{
    if (!rules.rewrites() && geo.allPixelsPresent()) {
        const uchar *data = geo.firstRow();
        const qint64 lineStride = h == 1 ? qint64(w) * 4 : stride;
        // Read-only wrap: painting on it or rewriting it detaches into a copy.
        if (data && (quintptr(data) & 3) == 0 && (lineStride & 3) == 0 && lineStride >= qint64(w) * 4) {
            const QImage wrapped(data, w, h, qsizetype(lineStride), QImage::Format_ARGB32);
            if (!wrapped.isNull())
                return CImage(wrapped, l, t, r, b);
        }
    }
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull())
        return CImage();
    decodeRows(image, geo, w, h, [&rules](const uchar *in, quint32 *out, qint64 n) { applyRulesRow(in, out, n, rules); });
    return CImage(image, l, t, r, b);
}

CImage readIndexed(const QVector<QRgb> &palette, const PixelRules &rules, const ReadGeometry &geo, qint64 stride,
                   int w, int h, int l, int t, int r, int b)
{
    if (geo.allPixelsPresent()) {
        const uchar *data = geo.firstRow();
        const qint64 lineStride = h == 1 ? qint64(w) : stride;
        CImage image;
        if (data && lineStride >= w) {
            const QImage wrapped(data, w, h, qsizetype(lineStride), QImage::Format_Indexed8);
            image = CImage(wrapped, l, t, r, b);
        }
        if (image.isNull()) {
            QImage copy(w, h, QImage::Format_Indexed8);
            if (copy.isNull())
                return CImage();
            for (int y = 0; y < h; ++y)
                std::memcpy(copy.scanLine(y), geo.row(y).data, size_t(w));
            image = CImage(copy, l, t, r, b);
        }
        // Padded to 256 entries: an index without a palette entry shows
        // fully transparent wherever the image goes. Qt's painter does not
        // bound indices by the table, so a short table would be read past
        // its end when the image is drawn.
        QVector<QRgb> table = palette.mid(0, 256);
        table.resize(256, 0u);
        image.setColorTable(table);
        if (rules.mode == PixelRules::ColorKey)
            image.clearColorRange(rules.keyLower, rules.keyUpper);
        return image;
    }
    // Some pixels lie outside the block and must show transparent, which an
    // index cannot express: decode into 32 bits through the table.
    if (!withinLimit(w, h, 4))
        return CImage();
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull())
        return CImage();
    quint32 table[256];
    lookupTable(palette, rules, table);
    decodeRows(image, geo, w, h, [&table](const uchar *in, quint32 *out, qint64 n) { expandIndexedRow(in, out, n, table); });
    return CImage(image, l, t, r, b);
}

} // namespace

qint64 pixelOffset(const LayerLayout &layout, qint64 x, qint64 y)
{
    qint64 offset = 0;
    switch (addressOf(layout, x, y, &offset)) {
    case Address::None:
        return -1;
    case Address::Overflow:
        return std::numeric_limits<qint64>::max();
    case Address::Ok:
        break;
    }
    return offset;
}

LayerInfo layerShape(BlockView block)
{
    LayerInfo shape;
    shape.xSize = simlink::xSize(block);
    shape.ySize = simlink::ySize(block);
    shape.xPos = simlink::xPos(block);
    shape.yPos = simlink::yPos(block);
    shape.bitsPerPixel = simlink::bitsPerPixel(block);
    shape.vxSize = simlink::vxSize(block);
    shape.vySize = simlink::vySize(block);
    return shape;
}

LayerLayout visibleLayerLayout(BlockView block, const LayerInfo &shape, bool indexed)
{
    LayerLayout l;
    l.block = block;
    l.indexed = indexed;
    l.bytesPerPixel = l.indexed ? 1 : 4;
    l.rowPixels = shape.xSize;
    if (shape.vxSize != shape.xSize || shape.vySize != shape.ySize) {
        l.originX = simlink::xOrg(block);
        l.originY = simlink::yOrg(block);
    }
    l.negativeIsNone = true;
    if (l.indexed) {
        const qint32 depth = shape.bitsPerPixel;
        const bool supported = depth == 1 || depth == 2 || depth == 4 || depth == 8;
        l.format = supported ? QImage::Format_Indexed8 : QImage::Format_Invalid;
        l.bytesPerLine = supported ? l.rowPixels : 0;
    } else {
        l.format = QImage::Format_ARGB32;
        l.bytesPerLine = l.rowPixels * 4;
    }
    return l;
}

LayerLayout virtualLayerLayout(BlockView block, const LayerInfo &shape)
{
    LayerLayout l;
    l.block = block;
    l.indexed = false;
    l.bytesPerPixel = 4;
    l.rowPixels = shape.xSize;
    l.negativeIsNone = false;
    l.format = QImage::Format_ARGB32;
    l.bytesPerLine = qint64(shape.vxSize) * 4;
    return l;
}

LayerLayout visibleLayerLayout(BlockView block)
{
    return visibleLayerLayout(block, layerShape(block), simlink::isIndexedCount(simlink::NumColors(block)));
}

LayerLayout virtualLayerLayout(BlockView block)
{
    return virtualLayerLayout(block, layerShape(block));
}

QVector<QRgb> readPalette(BlockView block, quint8 alphaMode)
{
    const qint32 n = simlink::NumColors(block);
    if (!simlink::isIndexedCount(n))
        return {};
    const quint32 flip = alphaMode == 0 ? 0xFF000000u : 0u;
    QVector<QRgb> palette(n);
    for (int i = 0; i < n; ++i)
        palette[i] = simlink::paletteEntry(block, i) ^ flip;
    return palette;
}

QRgb readPaletteEntry(BlockView block, quint8 alphaMode, int index)
{
    const qint32 n = simlink::NumColors(block);
    if (!simlink::isIndexedCount(n) || index < 0 || index >= n)
        return 0;
    return simlink::paletteEntry(block, index) ^ (alphaMode == 0 ? 0xFF000000u : 0u);
}

CImage readLayerImage(const LayerLayout &layout, const QVector<QRgb> &palette, const ImageRules &rules, int left,
                      int top, int right, int bottom)
{
    if (!supportedLayout(layout))
        return CImage();
    const qint64 w = qint64(right) - left + 1;
    const qint64 h = qint64(bottom) - top + 1;
    if (!withinLimit(w, h, layout.bytesPerPixel))
        return CImage();
    qint64 first = 0;
    const Address address = addressOf(layout, left, top, &first);
    if (address == Address::None)
        return CImage();
    // An address that cannot be represented lies outside any block: every
    // pixel is absent. A negative offset does the same through the geometry.
    if (address == Address::Overflow)
        first = std::numeric_limits<qint64>::min() / 2;
    const ReadGeometry geo(layout.block, first, layout.bytesPerLine, layout.bytesPerPixel, w, h);
    const PixelRules pixelRules = pixelRulesFor(layout.block, rules);
    if (layout.indexed)
        return readIndexed(palette, pixelRules, geo, layout.bytesPerLine, int(w), int(h), left, top, right, bottom);
    return readTrueColor(pixelRules, geo, layout.bytesPerLine, int(w), int(h), left, top, right, bottom);
}

QRgb readPixelColor(const LayerLayout &layout, const QVector<QRgb> &palette, const ImageRules &rules, int x, int y)
{
    if (!supportedLayout(layout))
        return 0;
    qint64 offset = 0;
    if (addressOf(layout, x, y, &offset) != Address::Ok)
        return 0;
    const uchar *p = layout.block.frameBytes(offset, layout.bytesPerPixel);
    if (!p)
        return 0;
    const PixelRules pixelRules = pixelRulesFor(layout.block, rules);
    if (layout.indexed) {
        const int index = *p;
        if (index >= palette.size())
            return 0;
        const QRgb entry = palette[index];
        return pixelRules.mode == PixelRules::ColorKey ? keyPixel(entry, pixelRules.keyLower, pixelRules.keyUpper)
                                                        : entry;
    }
    const quint32 value = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
    return applyRules(value, pixelRules);
}

int readPixelIndex(const LayerLayout &layout, int x, int y)
{
    qint64 offset = 0;
    if (addressOf(layout, x, y, &offset) != Address::Ok)
        return 0;
    const uchar *p = layout.block.frameBytes(offset, 1);
    return p ? *p : 0;
}

QRect contentRect(QSize visibleSize, int zoom, QSize scrollPos, int imageWidth, int imageHeight)
{
    if (zoom < 1)
        zoom = 1;
    const int w = std::min(std::max(visibleSize.width(), 0) / zoom, std::max(imageWidth, 0));
    const int h = std::min(std::max(visibleSize.height(), 0) / zoom, std::max(imageHeight, 0));
    // Scroll positions are never negative; bounding the origin also keeps
    // the rectangle's right and bottom representable.
    const int x = std::clamp(scrollPos.width() / zoom, 0, INT_MAX - w);
    const int y = std::clamp(scrollPos.height() / zoom, 0, INT_MAX - h);
    return QRect(x, y, w, h);
}
