#pragma once

// The test's own decoding of a layer block, straight from its bytes at the
// documented offsets (the same ones RawLayer writes), independent of the
// tool's readers: the yardstick for reads, composites and paintings.
#include <QImage>
#include <QRect>
#include <QtGlobal>

namespace rawdecode {

// A block's bytes: base address and size, header included.
struct Block
{
    const uchar *base = nullptr;
    qint64 size = 0;
    quint32 u32(qint64 offset) const;
    qint32 i32(qint64 offset) const { return qint32(u32(offset)); }
};

struct Rules
{
    quint8 alphaMode = 255; // 0: alpha stored inverted
    unsigned layerCount = 0;
};

// The colour of a library-format value (0xTTBBGGRR, TT = transparency),
// made opaque, as a fill uses it.
QRgb opaqueLibraryColor(quint32 v);

// The inclusive rectangle of the visible window as displayed (ARGB32): the
// window of the virtual screen at the current origin, rows of xSize pixels,
// one index byte or one ARGB word per pixel, the alpha convention and the
// transparency mode applied. Pixels outside the block and indices without a
// palette entry are fully transparent. A null image for an indexed layer of
// an unsupported depth or a rectangle starting at a negative coordinate.
QImage visibleImage(const Block &b, const Rules &rules, QRect r);

// The same for the virtual screen: always 32-bit, the first pixel addressed
// with rows of xSize pixels and then vxSize pixels from row to row.
QImage virtualImage(const Block &b, const Rules &rules, QRect r);

// The display rectangle r of the composite: the first block's background
// colour, opaque, then every layer's visible window at its position drawn
// source-over (ARGB32_Premultiplied). The layers at the positions in
// leftOut are not drawn; the background is the first block's all the same.
QImage compositeImage(const QList<Block> &layers, const Rules &rules, QRect r, const QList<int> &leftOut = {});

} // namespace rawdecode
