#pragma once

#include "imaging/layerimage.h"

#include <QRect>
#include <QVector>

#include <functional>
#include <memory>

// Finding out where a layer's pixels changed. The simulation's counters only
// say that a layer changed; comparing its rows with a copy of what was last
// looked at says where, for much less than painting them costs.

// One changed stretch of a layer row: pixels first..last (inclusive, layer
// pixels) of row `row`.
struct ChangedSpan
{
    int row = 0;
    int first = 0;
    int last = 0;
};

// Called for each changed span before the copy takes the new pixels; before
// and after point at pixel `first` of that row in the copy and in the block
// (layout.bytesPerPixel bytes per pixel: 1 indexed, 4 otherwise).
using SpanVisitor = std::function<void(const ChangedSpan &span, const uchar *before, const uchar *after)>;

// One row of a copy against the same row now: n pixels of bpp bytes, the
// first of them at column x0 of row `row`. On a difference the changed span
// is appended to *spans (may be null), visited, and its bytes copied into
// kept. False when the row is unchanged.
bool compareRow(uchar *kept, const uchar *now, qint64 n, int bpp, int row, qint64 x0, QVector<ChangedSpan> *spans,
                const SpanVisitor &visit);

// A copy of a rectangle of a layer's pixels, as addressed by a LayerLayout,
// to find what changed since the last look.
class FrameCopy
{
public:
    // Compares `area` (layer pixels) of the layer with the copy, appends the
    // changed spans to *spans (may be null), calls visit for each, then brings
    // the copy up to date. Returns false when there was nothing to compare
    // with (first call, after clear(), or another area, layout format, stride,
    // origin or block): the copy is (re)made, visit is not called and the
    // whole area counts as changed. Reads only inside the block (a row or
    // pixel without an address or outside the block is treated as a fixed
    // value); never writes into it; allocates at most area * bpp bytes and
    // refuses (clears, returns false) an area above MaxImageBytes.
    bool update(const LayerLayout &layout, const QRect &area, QVector<ChangedSpan> *spans,
                const SpanVisitor &visit = {});
    // Takes the block's current pixels of part (layer pixels, cut to the
    // copy's area) into the copy without comparing: what was just shown from
    // them. Nothing when the copy was made under another layout.
    void take(const LayerLayout &layout, const QRect &part);
    // As take, but compares first: the spans of part (cut to the copy's
    // area) that differed are appended to *spans.
    void takeCompared(const LayerLayout &layout, const QRect &part, QVector<ChangedSpan> *spans);
    // Whether the copy was made under layout and holds all of part.
    bool holds(const LayerLayout &layout, const QRect &part) const;
    void clear();       // frees the copy
    QRect area() const; // what the copy holds (null when none)

private:
    bool sameLayout(const LayerLayout &layout) const;
    // Copies rows top..bottom, columns left..right (copy coordinates) from
    // the block; absent pixels keep their fixed value. With compared, only
    // what differs is copied, and its spans are appended there.
    void copyRows(int left, int right, int top, int bottom, QVector<ChangedSpan> *compared = nullptr);

    QRect held;
    BlockView block;
    QImage::Format format = QImage::Format_Invalid;
    int bytesPerPixel = 0;
    qint64 rowPixels = 0;
    qint64 bytesPerLine = 0;
    qint64 originX = 0;
    qint64 originY = 0;
    bool negativeIsNone = true;
    qint64 first = 0;       // offset of the area's top-left pixel, when present
    bool addressed = false; // the area has an address at all
    // Only pixels present in the block are ever written and read: the rest
    // keep whatever the allocation held, which nothing compares.
    std::unique_ptr<uchar[]> pixels;
};
