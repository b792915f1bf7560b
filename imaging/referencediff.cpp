#include "imaging/referencediff.h"

#include "imaging/layergeometry.h"

namespace {

QImage asArgb(const QImage &image)
{
    return image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
}

DiffMask emptyMask(QSize size)
{
    DiffMask m;
    if (size.width() <= 0 || size.height() <= 0 || !imaging::withinLimit(size.width(), size.height(), 4))
        return m;
    m.width = size.width();
    m.height = size.height();
    m.bits = QBitArray(qsizetype(m.width) * m.height);
    return m;
}

void mark(DiffMask &m, int x, int y)
{
    m.bits.setBit(qsizetype(y) * m.width + x);
    ++m.count;
}

} // namespace

DiffMask diffStoredPixels(const LayerLayout &layout, const QVector<QRgb> &palette, quint8 alphaMode, QSize size,
                          const QImage &reference, QPoint offset)
{
    DiffMask m = emptyMask(size);
    if (m.isEmpty() || reference.isNull())
        return m;
    const QImage ref = asArgb(reference);
    const qint64 bpp = layout.indexed ? 1 : 4;
    const quint32 flip = alphaMode == 0 ? 0xFF000000u : 0u;
    for (int y = 0; y < m.height; ++y) {
        const qint64 ry = qint64(y) + offset.y();
        const QRgb *refRow = (ry >= 0 && ry < ref.height()) ? reinterpret_cast<const QRgb *>(ref.constScanLine(int(ry)))
                                                            : nullptr;
        const qint64 start = pixelOffset(layout, 0, y);
        // The whole row at once when the block holds it, else pixel by pixel.
        const uchar *row = start < 0 ? nullptr : layout.block.frameBytes(start, bpp * m.width);
        for (int x = 0; x < m.width; ++x) {
            QRgb stored = 0;
            const uchar *p = row ? row + bpp * x : layout.block.frameBytes(pixelOffset(layout, x, y), bpp);
            if (p && layout.indexed)
                stored = *p < palette.size() ? palette.at(*p) : 0u;
            else if (p)
                stored = (quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24) ^ flip;
            const qint64 rx = qint64(x) + offset.x();
            if (!refRow || rx < 0 || rx >= ref.width() || refRow[rx] != stored)
                mark(m, x, y);
        }
    }
    return m;
}

DiffMask diffImages(const QImage &actual, const QImage &reference)
{
    if (actual.isNull() || actual.size() != reference.size())
        return DiffMask();
    DiffMask m = emptyMask(actual.size());
    if (m.isEmpty())
        return m;
    const QImage a = asArgb(actual);
    const QImage r = asArgb(reference);
    for (int y = 0; y < m.height; ++y) {
        const QRgb *ar = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *rr = reinterpret_cast<const QRgb *>(r.constScanLine(y));
        for (int x = 0; x < m.width; ++x)
            if (ar[x] != rr[x])
                mark(m, x, y);
    }
    return m;
}
