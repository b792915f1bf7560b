#include "imaging/framechanges.h"

#include "imaging/layergeometry.h"
#include "imaging/pixelkernels.h"

#include <cstring>

using namespace imaging;

bool compareRow(uchar *kept, const uchar *now, qint64 n, int bpp, int row, qint64 x0, QVector<ChangedSpan> *spans,
                const SpanVisitor &visit)
{
    qint64 firstByte = 0, lastByte = 0;
    if (!findDifference(kept, now, n * bpp, &firstByte, &lastByte))
        return false;
    const qint64 from = firstByte / bpp;
    const qint64 to = lastByte / bpp;
    ChangedSpan span;
    span.row = row;
    span.first = int(x0 + from);
    span.last = int(x0 + to);
    if (spans)
        spans->append(span);
    if (visit)
        visit(span, kept + from * bpp, now + from * bpp);
    std::memcpy(kept + from * bpp, now + from * bpp, size_t((to - from + 1) * bpp));
    return true;
}

bool FrameCopy::sameLayout(const LayerLayout &l) const
{
    return pixels && block == l.block && format == l.format && bytesPerPixel == l.bytesPerPixel
           && rowPixels == l.rowPixels && bytesPerLine == l.bytesPerLine && originX == l.originX
           && originY == l.originY && negativeIsNone == l.negativeIsNone;
}

void FrameCopy::clear()
{
    held = QRect();
    block = BlockView();
    addressed = false;
    pixels.reset();
}

QRect FrameCopy::area() const
{
    return held;
}

void FrameCopy::copyRows(int left, int right, int top, int bottom, QVector<ChangedSpan> *compared)
{
    if (!addressed)
        return;
    const qint64 rowBytes = qint64(held.width()) * bytesPerPixel;
    const ReadGeometry geo(block, first, bytesPerLine, bytesPerPixel, held.width(), held.height());
    for (int y = top; y <= bottom; ++y) {
        const RowSpan r = geo.row(y);
        const qint64 from = qMax<qint64>(r.begin, left);
        const qint64 to = qMin<qint64>(r.end, qint64(right) + 1);
        if (!r.data || from >= to)
            continue;
        if (compared) {
            compareRow(pixels.get() + y * rowBytes + from * bytesPerPixel, r.data + (from - r.begin) * bytesPerPixel,
                       to - from, bytesPerPixel, held.top() + y, held.left() + from, compared, {});
            continue;
        }
        std::memcpy(pixels.get() + y * rowBytes + from * bytesPerPixel, r.data + (from - r.begin) * bytesPerPixel,
                    size_t((to - from) * bytesPerPixel));
    }
}

bool FrameCopy::update(const LayerLayout &layout, const QRect &area, QVector<ChangedSpan> *spans,
                       const SpanVisitor &visit)
{
    const int bpp = layout.bytesPerPixel;
    if (area.isEmpty() || layout.block.isNull() || (bpp != 1 && bpp != 4)
        || !withinLimit(area.width(), area.height(), bpp)) {
        clear();
        return false;
    }
    if (area != held || !sameLayout(layout)) {
        held = area;
        block = layout.block;
        format = layout.format;
        bytesPerPixel = bpp;
        rowPixels = layout.rowPixels;
        bytesPerLine = layout.bytesPerLine;
        originX = layout.originX;
        originY = layout.originY;
        negativeIsNone = layout.negativeIsNone;
        // A rectangle without an address (or one beyond any block) has only
        // absent pixels, which never change.
        addressed = addressOf(layout, area.left(), area.top(), &first) == Address::Ok;
        pixels.reset();
        pixels.reset(new uchar[size_t(area.width()) * size_t(area.height()) * size_t(bpp)]);
        copyRows(0, area.width() - 1, 0, area.height() - 1);
        return false;
    }
    if (!addressed)
        return true;
    const qint64 rowBytes = qint64(held.width()) * bpp;
    const ReadGeometry geo(block, first, bytesPerLine, bpp, held.width(), held.height());
    for (int y = 0; y < held.height(); ++y) {
        const RowSpan r = geo.row(y);
        if (!r.data)
            continue;
        compareRow(pixels.get() + y * rowBytes + r.begin * bpp, r.data, r.end - r.begin, bpp, held.top() + y,
                   held.left() + r.begin, spans, visit);
    }
    return true;
}

void FrameCopy::take(const LayerLayout &layout, const QRect &part)
{
    if (!sameLayout(layout))
        return;
    const QRect p = part & held;
    if (p.isEmpty())
        return;
    copyRows(p.left() - held.left(), p.right() - held.left(), p.top() - held.top(), p.bottom() - held.top());
}

void FrameCopy::takeCompared(const LayerLayout &layout, const QRect &part, QVector<ChangedSpan> *spans)
{
    if (!sameLayout(layout))
        return;
    const QRect p = part & held;
    if (p.isEmpty())
        return;
    copyRows(p.left() - held.left(), p.right() - held.left(), p.top() - held.top(), p.bottom() - held.top(), spans);
}

bool FrameCopy::holds(const LayerLayout &layout, const QRect &part) const
{
    return sameLayout(layout) && !part.isEmpty() && held.contains(part);
}
