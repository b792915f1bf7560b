#include "sim/scenepublish.h"

#include <QtEndian>

#include <cstring>

namespace sim {

namespace {

// Rows of the frame buffer are as long as the virtual screen is wide; an
// image of the visible size goes to the window at the layer's origin.
void storePixels(noxel_layer *block, const SceneLayer &layer, int alphaMode)
{
    const int rowPixels = layer.virtualSize.width();
    const int bytes = layer.indexed() ? 1 : 4;
    uchar *pixels = static_cast<uchar *>(noxel_layer_pixels(block));
    const qint64 capacity = qint64(noxel_layer_pixel_bytes(block));
    if (layer.image.isNull()) {
        const qint64 count = qint64(rowPixels) * layer.virtualSize.height();
        if (layer.indexed()) {
            std::memset(pixels, int(layer.fill & 0xFF), size_t(qMin(count, capacity)));
        } else {
            const quint32 v = qToLittleEndian(storedArgb(layer.fill, alphaMode));
            for (qint64 i = 0; i < count && 4 * i + 4 <= capacity; ++i)
                std::memcpy(pixels + 4 * i, &v, 4);
        }
        return;
    }
    const QImage &img = layer.image;
    const QPoint at = img.size() == layer.virtualSize ? QPoint(0, 0) : layer.origin;
    for (int y = 0; y < img.height(); ++y) {
        const qint64 start = bytes * (qint64(rowPixels) * (y + at.y()) + at.x());
        if (start + qint64(bytes) * img.width() > capacity)
            return;
        uchar *dst = pixels + start;
        if (layer.indexed()) {
            std::memcpy(dst, img.constScanLine(y), size_t(img.width()));
            continue;
        }
        const QRgb *src = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const quint32 v = qToLittleEndian(storedArgb(src[x], alphaMode));
            std::memcpy(dst + 4 * x, &v, 4);
        }
    }
}

} // namespace

bool publishScene(noxel_sim *sim, const Scene &scene, QString *error)
{
    char message[512] = "";
    QVector<noxel_layer *> made;
    for (int n = 0; n < scene.layers.size(); ++n) {
        const SceneLayer &layer = scene.layers.at(n);
        noxel_layer_desc desc = {};
        desc.width = layer.size.width();
        desc.height = layer.size.height();
        desc.virtual_width = layer.virtualSize.width();
        desc.virtual_height = layer.virtualSize.height();
        desc.bits_per_pixel = layer.bitsPerPixel;
        desc.num_colors = layer.indexed() ? int(layer.palette.size()) : 0;
        noxel_layer *block = noxel_layer_create(sim, n, &desc, message, sizeof message);
        if (!block) {
            *error = QString::fromLocal8Bit(message);
            return false;
        }
        made.append(block);
        noxel_layer_set_position(block, layer.position.x(), layer.position.y());
        if (layer.hasVirtualScreen())
            noxel_layer_set_origin(block, layer.origin.x(), layer.origin.y());
        if (noxel_layer_set_transparency(block, layer.transMode) != 0) {
            *error = QStringLiteral("layers[%1].transMode: %2 cannot be published (0, 1 or 2)").arg(n).arg(layer.transMode);
            return false;
        }
        noxel_layer_set_key_colors(block, layer.keyColorMin, layer.keyColorMax);
        noxel_layer_set_alpha(block, layer.alpha);
        if (layer.indexed()) {
            QVector<uint32_t> entries;
            for (quint32 argb : layer.palette)
                entries.append(storedArgb(argb, scene.alphaMode));
            noxel_layer_set_palette(block, entries.constData(), int(entries.size()));
        }
        if (n == 0 && scene.hasDisplay)
            noxel_sim_set_display(sim, scene.displaySize.width(), scene.displaySize.height(), scene.background);
        storePixels(block, layer, scene.alphaMode);
    }
    // The first commit publishes all layers at once.
    for (noxel_layer *block : made)
        noxel_layer_commit(block);
    return true;
}

} // namespace sim
