#pragma once

#include "paint/magnify.h"

#include <QImage>
#include <QRect>
#include <QVector>

// The row composition behind paintMagnified(): one widget row at a time, on
// plain pixel buffers (premultiplied ARGB32 words), without a painter. A
// row is the backdrop, then the image row magnified and blended, then the
// grid row.
namespace magnify {

// Floor division for the grid and image arithmetic (positions may lie left of
// the origin).
inline qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// The widget rectangle the image covers, clipped to clip; 64-bit so that a
// huge image or scale cannot overflow.
QRect imageArea(const MagnifyScene &s, const QRect &clip);

// Whether the scene's grid is drawn (on, and zoom at least 3).
bool gridShown(const MagnifyScene &s);

// The image in a format the row compositor reads directly (the colour
// table of an indexed image goes to cache.lut, premultiplied).
const QImage &readableImage(const MagnifyScene &s, MagnifyCache &cache);

// One row of the image, as readableImage() gives it.
struct SourceRow
{
    QImage::Format format;
    const uchar *line;
    const quint32 *lut;

    // Source columns [first, first + n) as premultiplied pixels.
    void premultiply(int first, int n, quint32 *out) const;
};

// Writes n output pixels, each source pixel repeated scale times; the first
// source pixel's run starts skip pixels before the first output.
void expandRow(const quint32 *src, quint32 *out, int skip, int scale, int n);

// Draws source row pixels over out (columns [area.left, area.right] of the
// widget; out[0] is widget column x0), each source pixel covering s.scale
// output pixels from s.imagePos.x() on. scratch holds intermediate rows.
void blendSourceRow(quint32 *out, int x0, const QRect &area, const MagnifyScene &s, const SourceRow &row,
                    QVector<quint32> &scratch);

// Row classes of the grid: none (grid off or above the origin), a horizontal
// line row, or a row crossed only by the vertical lines.
enum GridRow { NoGridRow = 0, LineRow = 1, ColumnRow = 2 };

GridRow gridRowOf(const MagnifyScene &s, bool gridOn, int y);

// Draws the grid's pixels of one row of the given class onto out, which
// holds widget columns [x0, x1].
void applyGridRow(quint32 *out, int x0, int x1, const MagnifyScene &s, GridRow kind);

} // namespace magnify
