#include "paint/rowcompose.h"

#include "dialogs/gridsetting.h"
#include "imaging/pixelkernels.h"

#include <algorithm>
#include <cstring>

namespace magnify {

QRect imageArea(const MagnifyScene &s, const QRect &clip)
{
    if (s.image.isNull() || s.scale < 1 || clip.isEmpty())
        return QRect();
    const qint64 x0 = qMax<qint64>(s.imagePos.x(), clip.left());
    const qint64 y0 = qMax<qint64>(s.imagePos.y(), clip.top());
    const qint64 x1 = qMin<qint64>(qint64(s.imagePos.x()) + qint64(s.image.width()) * s.scale - 1, clip.right());
    const qint64 y1 = qMin<qint64>(qint64(s.imagePos.y()) + qint64(s.image.height()) * s.scale - 1, clip.bottom());
    if (x1 < x0 || y1 < y0)
        return QRect();
    return QRect(QPoint(int(x0), int(y0)), QPoint(int(x1), int(y1)));
}

bool gridShown(const MagnifyScene &s)
{
    return s.grid && s.zoom >= 3;
}

const QImage &readableImage(const MagnifyScene &s, MagnifyCache &cache)
{
    switch (s.image.format()) {
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB32:
        return s.image;
    case QImage::Format_Indexed8: {
        // Premultiplied table of 256 entries; indices without an entry
        // show as transparent.
        const QVector<QRgb> table = s.image.colorTable();
        cache.lut.resize(256);
        for (int i = 0; i < 256; ++i)
            cache.lut[i] = i < table.size() ? qPremultiply(table[i]) : 0u;
        return s.image;
    }
    default:
        cache.converted = s.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return cache.converted;
    }
}

void SourceRow::premultiply(int first, int n, quint32 *out) const
{
    const quint32 *px = reinterpret_cast<const quint32 *>(line) + first;
    switch (format) {
    case QImage::Format_Indexed8:
        imaging::expandIndexedRow(line + first, out, n, lut);
        break;
    case QImage::Format_ARGB32:
        imaging::premultiplyRow(px, out, n);
        break;
    case QImage::Format_RGB32:
        for (int k = 0; k < n; ++k)
            out[k] = px[k] | 0xFF000000u;
        break;
    default:
        std::memcpy(out, px, size_t(n) * 4);
        break;
    }
}

void expandRow(const quint32 *src, quint32 *out, int skip, int scale, int n)
{
    quint32 *o = out;
    quint32 *const end = out + n;
    // The first, possibly partial, run.
    const int head = qMin(scale - skip, n);
    std::fill(o, o + head, *src++);
    o += head;
    switch (scale) {
    case 2:
        for (; end - o >= 2; o += 2, ++src)
            o[0] = o[1] = *src;
        break;
    case 4:
        for (; end - o >= 4; o += 4, ++src)
            o[0] = o[1] = o[2] = o[3] = *src;
        break;
    default:
        for (; end - o >= scale; o += scale, ++src)
            std::fill(o, o + scale, *src);
        break;
    }
    // The last, partial, run (none when the output ended on a run's end:
    // then src points past the row and must not be read).
    if (o < end)
        std::fill(o, end, *src);
}

// The source row is premultiplied and magnified into the output's
// resolution, then blended in one pass without branches (exact also for
// opaque and transparent pixels: byteMul by 0 gives 0, by 255 keeps the
// value, as the raster engine's shortcuts do).
void blendSourceRow(quint32 *out, int x0, const QRect &area, const MagnifyScene &s, const SourceRow &row,
                    QVector<quint32> &scratch)
{
    const int scale = s.scale;
    const int dx = s.imagePos.x();
    const int xBegin = area.left();
    const int xEnd = area.right();
    const int n = xEnd - xBegin + 1;
    const int first = int(floorDiv(qint64(xBegin) - dx, scale));
    const int last = int(floorDiv(qint64(xEnd) - dx, scale));
    const int count = last - first + 1;
    // An opaque image replaces the background: no blend at all.
    const bool opaque = s.imageOpaque;
    quint32 *target = out + (xBegin - x0);
    if (opaque && scale == 1) {
        row.premultiply(first, count, target);
        return;
    }
    if (scale == 1 && row.format == QImage::Format_ARGB32) {
        imaging::premultiplyBlendRow(reinterpret_cast<const quint32 *>(row.line) + first, target, n);
        return;
    }
    scratch.resize(qsizetype(count) + (scale > 1 && !opaque ? n : 0));
    quint32 *pm = scratch.data();
    const quint32 *src = pm;
    if (row.format == QImage::Format_ARGB32_Premultiplied)
        src = reinterpret_cast<const quint32 *>(row.line) + first; // already premultiplied
    else
        row.premultiply(first, count, pm);
    if (scale == 1) {
        imaging::blendPremultipliedRow(src, target, n);
        return;
    }
    quint32 *wide = opaque ? target : pm + count;
    expandRow(src, wide, int(qint64(xBegin) - dx - qint64(first) * scale), scale, n);
    if (!opaque)
        imaging::blendPremultipliedRow(wide, target, n);
}

GridRow gridRowOf(const MagnifyScene &s, bool gridOn, int y)
{
    if (!gridOn || y < s.origin.y())
        return NoGridRow;
    return ((y - s.origin.y()) % s.zoom == 0) ? LineRow : ColumnRow;
}

void applyGridRow(quint32 *out, int x0, int x1, const MagnifyScene &s, GridRow kind)
{
    if (kind == NoGridRow)
        return;
    const int start = qMax(x0, s.origin.x());
    if (start > x1)
        return;
    const bool invert = s.gridMode == GridModeXor;
    const quint32 colour = s.gridColor | 0xFF000000u;
    if (kind == LineRow) {
        quint32 *o = out + (start - x0);
        quint32 *e = out + (x1 - x0) + 1;
        if (invert) {
            for (; o != e; ++o)
                *o ^= 0x00FFFFFFu;
        } else {
            std::fill(o, e, colour);
        }
        return;
    }
    const int z = s.zoom;
    const qint64 k = floorDiv(qint64(start) - s.origin.x() + z - 1, z);
    for (qint64 x = qint64(s.origin.x()) + k * z; x <= x1; x += z) {
        quint32 &o = out[x - x0];
        o = invert ? (o ^ 0x00FFFFFFu) : colour;
    }
}

} // namespace magnify
