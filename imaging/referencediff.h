#pragma once

#include "imaging/layerimage.h"

#include <QBitArray>
#include <QImage>
#include <QPoint>
#include <QSize>

// Which pixels of a live layer or display differ from a reference image
// (a snapshot's), pixel for pixel by their ARGB values. No widgets.
// The colour that marks a differing pixel, in the views and diff images.
constexpr QRgb DiffHighlight = 0xFFFF00FF;

struct DiffMask
{
    int width = 0;
    int height = 0;
    qint64 count = 0;  // pixels that differ
    QBitArray bits;    // row-major, width x height

    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool at(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height && bits.testBit(qsizetype(y) * width + x);
    }
};

// The stored value of every pixel (0, 0)..(size - 1) of the layout, as a
// snapshot writes it (true colour with the alpha convention undone, an index
// through the palette, 0 for an index beyond it or a pixel the block does
// not hold), against reference pixel (x, y) + offset. Reference pixels
// outside the reference image count as different. size is cut to what one
// image may hold.
DiffMask diffStoredPixels(const LayerLayout &layout, const QVector<QRgb> &palette, quint8 alphaMode, QSize size,
                          const QImage &reference, QPoint offset);

// Two images of one size compared by their ARGB values (a premultiplied one
// undone first); an empty mask when the sizes differ.
DiffMask diffImages(const QImage &actual, const QImage &reference);
