#pragma once

#include "imaging/cimage.h"
#include "simlink/blockview.h"
#include "simlink/layerblock.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QVector>

// Reading layer images out of a block. Nothing here knows widgets: a view
// describes how it addresses its layer (LayerLayout), the main window's
// alpha-mode byte and layer count come in as ImageRules, and every read is
// bounded by the block, never writing into it.

// No single image the tool builds may exceed this many bytes; a larger
// request gives a null image.
inline constexpr qint64 MaxImageBytes = qint64(256) * 1024 * 1024;

// How a view addresses its layer's pixels inside the block.
struct LayerLayout
{
    BlockView block;
    // One index byte per pixel with a colour table; otherwise 32-bit ARGB.
    bool indexed = false;
    // Bytes per pixel when addressing a pixel: 1 indexed, 4 otherwise.
    int bytesPerPixel = 4;
    // Row length in pixels used to address a pixel (the layer's xSize).
    qint64 rowPixels = 0;
    // Added to every address: the visible window's origin (xOrg, yOrg) when
    // the layer has a virtual screen, otherwise 0.
    qint64 originX = 0;
    qint64 originY = 0;
    // The visible-layer view has no address for a negative coordinate.
    bool negativeIsNone = true;
    // Format and line stride of an image read (Format_Invalid / 0 for an
    // indexed layer of an unsupported depth).
    QImage::Format format = QImage::Format_ARGB32;
    qint64 bytesPerLine = 0;
};

// The layouts of the two kinds of layer view, from the block's fields:
// the visible window (one index byte or one ARGB32 word per pixel, the
// simulation's current origin when the layer has a virtual screen, no
// address for negative coordinates; Format_Invalid and stride 0 for an
// indexed layer of a depth other than 1, 2, 4, 8) and the whole virtual
// screen (always ARGB32, rows of vxSize * 4 bytes, no origin).
// The sizes and depth come from shape and the indexed flag as given: a view
// passes the description and palette state it was built with, so that its
// addressing stays the same for its whole life. The one-argument forms take
// them from the block's current fields.
LayerLayout visibleLayerLayout(BlockView block, const LayerInfo &shape, bool indexed);
LayerLayout virtualLayerLayout(BlockView block, const LayerInfo &shape);
LayerLayout visibleLayerLayout(BlockView block);
LayerLayout virtualLayerLayout(BlockView block);
// The block's current sizes and depth as a layer description (index 0).
LayerInfo layerShape(BlockView block);

// The main window's state that the pixel rules depend on.
struct ImageRules
{
    quint8 alphaMode = 255; // 0: alpha stored inverted
    unsigned layerCount = 0;
};

// Offset within the pixel area of layer pixel (x, y), or -1 when it has no
// address. The offset is not checked against the block here.
qint64 pixelOffset(const LayerLayout &layout, qint64 x, qint64 y);

// The layer's NumColors palette entries (at most 256), XORed with 0xFF000000
// when the alpha-mode byte is 0.
QVector<QRgb> readPalette(BlockView block, quint8 alphaMode);
// Entry `index` of that palette as the block holds it at this moment; 0 when
// the layer is not indexed or the entry lies beyond NumColors.
QRgb readPaletteEntry(BlockView block, quint8 alphaMode, int index);

// The layer's pixels in the inclusive rectangle with the alpha convention and
// the layer's transparency mode applied. An indexed image's colour table is
// the palette padded with transparent entries to 256, so that an index
// without a palette entry shows fully transparent. Pixels outside the block come back
// fully transparent; the result always covers the rectangle unless it is
// empty, has no address, the format is invalid or it would exceed
// MaxImageBytes (null image).
CImage readLayerImage(const LayerLayout &layout, const QVector<QRgb> &palette, const ImageRules &rules,
                      int left, int top, int right, int bottom);

// The colour of one pixel as displayed (0 when absent) and its palette
// index (0 when it has no address or lies outside the block).
QRgb readPixelColor(const LayerLayout &layout, const QVector<QRgb> &palette, const ImageRules &rules, int x, int y);
int readPixelIndex(const LayerLayout &layout, int x, int y);

// The rectangle of layer pixels a scroll area shows: the visible size and the
// scroll position (both in device pixels) divided by the zoom, the size capped
// at the image's size.
QRect contentRect(QSize visibleSize, int zoom, QSize scrollPos, int imageWidth, int imageHeight);

// One layer of the display as the composite reads it.
struct CompositeLayer
{
    LayerLayout layout;
    QVector<QRgb> palette;
};

// The composite of the display rectangle: the opaque background colour of the
// first layer's block, then every layer (layer 0 first) at its position with
// source-over blending. Format_ARGB32_Premultiplied; null beyond MaxImageBytes.
CImage readCompositeImage(const QList<CompositeLayer> &layers, BlockView firstBlock, const ImageRules &rules,
                          int left, int top, int right, int bottom);
