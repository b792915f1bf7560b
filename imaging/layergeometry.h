#pragma once

#include "imaging/layerimage.h"
#include "imaging/pixelkernels.h"

// Internal: where the rows of a rectangle read lie in a block's pixel area,
// and which of their pixels are present. Every offset is computed with
// overflow checks; a row or pixel whose offset cannot be represented is
// simply absent.
namespace imaging {

// The rules the layer's block and the main window's state give its 32-bit pixels.
PixelRules pixelRulesFor(BlockView block, const ImageRules &rules);

// The colour table of an indexed read, padded to 256 entries: an index not
// below the palette's size shows fully transparent. With the colour key the
// matching entries lose their alpha.
void lookupTable(const QVector<QRgb> &palette, const PixelRules &rules, quint32 table[256]);

struct RowSpan
{
    qint64 begin = 0;    // first present pixel of the row
    qint64 end = 0;      // one past the last present pixel
    const uchar *data = nullptr; // address of pixel `begin` (null when none is present)
};

class ReadGeometry
{
public:
    // Geometry of the width x height rectangle whose first pixel is at
    // offset `first` of the pixel area (valid only when `ok`).
    ReadGeometry(BlockView block, qint64 first, qint64 bytesPerLine, int bytesPerPixel, qint64 width,
                 qint64 height);

    RowSpan row(qint64 y) const;
    // True when every pixel of every row lies inside the block.
    bool allPixelsPresent() const { return allPresent; }
    // Address of row 0, meaningful when allPixelsPresent().
    const uchar *firstRow() const { return block.frameBytes(first, 0); }

private:
    BlockView block;
    qint64 first;
    qint64 stride;
    int bpp;
    qint64 width;
    qint64 height;
    bool allPresent = false;
};

// The two layouts a layer read supports: one index byte per pixel shown as
// Indexed8, or one ARGB32 word per pixel; a null block supports neither.
bool supportedLayout(const LayerLayout &layout);
// True when a width x height image of that many bytes per pixel is not
// empty and stays within MaxImageBytes.
bool withinLimit(qint64 width, qint64 height, qint64 bytesPerPixel);

enum class Address { None, Ok, Overflow };
// Offset of layer pixel (x, y) in the pixel area, with overflow detection.
Address addressOf(const LayerLayout &layout, qint64 x, qint64 y, qint64 *offset);

} // namespace imaging
