#include "imaging/composite.h"

#include "simlink/layerblock.h"

#include <algorithm>
#include <cstring>

using namespace imaging;

namespace {

// Source-over of n non-premultiplied pixels onto premultiplied ones. With
// eight pixels at a time the one-pass kernel on aligned words is the faster
// one; both give the same pixels (alpha 255 and 0 included).
void blendRow(const uchar *source, quint32 *target, qint64 n)
{
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    if (kernelSet() == KernelSet::Avx2 && reinterpret_cast<quintptr>(source) % alignof(quint32) == 0) {
        premultiplyBlendRow(reinterpret_cast<const quint32 *>(source), target, n);
        return;
    }
#endif
    blendRowOverPremultiplied(source, target, n);
}

} // namespace

CompositeRows::CompositeRows(const QList<CompositeLayer> &layers, BlockView firstBlock, const ImageRules &rules,
                             int left, int top, int right, int bottom)
{
    const qint64 width = qint64(right) - left + 1;
    const qint64 height = qint64(bottom) - top + 1;
    if (!withinLimit(width, height, 4))
        return;
    columns = width;
    topRow = top;
    // The background is opaque whatever its transparency byte says, so its
    // premultiplied value is the plain ARGB value.
    background = simlink::libraryArgb(simlink::bkColor(firstBlock)) | 0xFF000000u;
    rowBuffer.resize(size_t(width));
    // Each row starts as a copy of this one (a copy runs wider than a fill).
    backgroundRow.assign(size_t(width), background);
    for (const CompositeLayer &layer : layers) {
        const LayerLayout &layout = layer.layout;
        const BlockView block = layout.block;
        const qint64 w = simlink::xSize(block);
        const qint64 h = simlink::ySize(block);
        const qint64 px = simlink::xPos(block);
        const qint64 py = simlink::yPos(block);
        if (w <= 0 || h <= 0)
            continue;
        if (px + w - 1 < left || px > right || py + h - 1 < top || py > bottom)
            continue;
        // The first layer pixel inside the request and where it lands; only
        // the part that falls into the request is read.
        const qint64 sx = std::max<qint64>(0, left - px);
        const qint64 sy = std::max<qint64>(0, top - py);
        const qint64 dx = std::max<qint64>(0, px - left);
        const qint64 dy = std::max<qint64>(0, py - top);
        const qint64 sw = std::min(w - sx, width - dx);
        const qint64 sh = std::min(h - sy, height - dy);
        if (sw <= 0 || sh <= 0 || !supportedLayout(layout))
            continue;
        qint64 first = 0;
        if (addressOf(layout, sx, sy, &first) != Address::Ok)
            continue;
        Part part{layout, pixelRulesFor(block, rules), {},
                  ReadGeometry(block, first, layout.bytesPerLine, layout.bytesPerPixel, sw, sh), dx, dy, sh};
        if (layout.indexed) {
            part.table.resize(256);
            lookupTable(layer.palette, part.rules, part.table.data());
        }
        parts.push_back(std::move(part));
    }
}

void CompositeRows::row(int y, quint32 *out)
{
    std::memcpy(out, backgroundRow.data(), size_t(columns) * sizeof(quint32));
    const qint64 r = qint64(y) - topRow;
    quint32 *buffer = rowBuffer.data();
    for (const Part &part : parts) {
        const qint64 py = r - part.dy;
        if (py < 0 || py >= part.height)
            continue;
        // Each row decoded with the same rules as readLayerImage: the result
        // is what drawing that layer image source-over gives. Pixels outside
        // the block are transparent and leave what lies beneath.
        const RowSpan span = part.geometry.row(py);
        if (!span.data)
            continue;
        const qint64 n = span.end - span.begin;
        quint32 *target = out + part.dx + span.begin;
        const uchar *source = span.data;
        if (part.layout.indexed) {
            expandIndexedRow(span.data, buffer, n, part.table.data());
            source = reinterpret_cast<const uchar *>(buffer);
        } else if (part.rules.rewrites()) {
            applyRulesRow(span.data, buffer, n, part.rules);
            source = reinterpret_cast<const uchar *>(buffer);
        }
        blendRow(source, target, n);
    }
}

CImage readCompositeImage(const QList<CompositeLayer> &layers, BlockView firstBlock, const ImageRules &rules,
                          int left, int top, int right, int bottom)
{
    CompositeRows rows(layers, firstBlock, rules, left, top, right, bottom);
    if (!rows.valid())
        return CImage();
    QImage image(rows.width(), int(qint64(bottom) - top + 1), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return CImage();
    for (int y = 0; y < image.height(); ++y)
        rows.row(top + y, reinterpret_cast<quint32 *>(image.scanLine(y)));
    return CImage(image, left, top, right, bottom);
}
