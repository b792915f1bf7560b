#include "imaging/layerimage.h"

#include "imaging/layergeometry.h"
#include "simlink/layerblock.h"

#include <algorithm>
#include <vector>

using namespace imaging;

namespace {

// Blends the layer's pixels (sx, sy)..(sx + w - 1, sy + h - 1) onto the
// premultiplied image at (dx, dy), decoding each row with the same rules as
// readLayerImage: the result is what drawing that layer image with
// source-over gives, without building the image first. Pixels outside the
// block are transparent and leave what lies beneath.
void blendLayer(QImage &target, int dx, int dy, const CompositeLayer &layer, const ImageRules &rules, int sx, int sy,
                int w, int h, std::vector<quint32> &rowBuffer)
{
    const LayerLayout &layout = layer.layout;
    if (!supportedLayout(layout))
        return;
    qint64 first = 0;
    if (addressOf(layout, sx, sy, &first) != Address::Ok)
        return;
    const ReadGeometry geo(layout.block, first, layout.bytesPerLine, layout.bytesPerPixel, w, h);
    const PixelRules pixelRules = pixelRulesFor(layout.block, rules);
    quint32 table[256];
    if (layout.indexed)
        lookupTable(layer.palette, pixelRules, table);
    quint32 *buffer = rowBuffer.data();
    for (int y = 0; y < h; ++y) {
        const RowSpan span = geo.row(y);
        if (!span.data)
            continue;
        const qint64 n = span.end - span.begin;
        quint32 *out = reinterpret_cast<quint32 *>(target.scanLine(dy + y)) + dx + span.begin;
        const uchar *source = span.data;
        if (layout.indexed) {
            expandIndexedRow(span.data, buffer, n, table);
            source = reinterpret_cast<const uchar *>(buffer);
        } else if (pixelRules.rewrites()) {
            applyRulesRow(span.data, buffer, n, pixelRules);
            source = reinterpret_cast<const uchar *>(buffer);
        }
        blendRowOverPremultiplied(source, out, n);
    }
}

} // namespace

CImage readCompositeImage(const QList<CompositeLayer> &layers, BlockView firstBlock, const ImageRules &rules,
                          int left, int top, int right, int bottom)
{
    const qint64 width = qint64(right) - left + 1;
    const qint64 height = qint64(bottom) - top + 1;
    if (!withinLimit(width, height, 4))
        return CImage();
    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return CImage();
    // The background is opaque whatever its transparency byte says, so its
    // premultiplied value is the plain ARGB value.
    image.fill(simlink::libraryArgb(simlink::bkColor(firstBlock)) | 0xFF000000u);

    std::vector<quint32> rowBuffer(static_cast<size_t>(width));
    for (const CompositeLayer &layer : layers) {
        const BlockView block = layer.layout.block;
        const qint64 w = simlink::xSize(block);
        const qint64 h = simlink::ySize(block);
        const qint64 px = simlink::xPos(block);
        const qint64 py = simlink::yPos(block);
        if (w <= 0 || h <= 0)
            continue;
        if (px + w - 1 < left || px > right || py + h - 1 < top || py > bottom)
            continue;
        // The first layer pixel inside the request and where it lands.
        const qint64 sx = std::max<qint64>(0, left - px);
        const qint64 sy = std::max<qint64>(0, top - py);
        const qint64 dx = std::max<qint64>(0, px - left);
        const qint64 dy = std::max<qint64>(0, py - top);
        // Only the part that falls into the result is read.
        const qint64 sw = std::min(w - sx, width - dx);
        const qint64 sh = std::min(h - sy, height - dy);
        if (sw <= 0 || sh <= 0)
            continue;
        blendLayer(image, int(dx), int(dy), layer, rules, int(sx), int(sy), int(sw), int(sh), rowBuffer);
    }
    return CImage(image, left, top, right, bottom);
}
