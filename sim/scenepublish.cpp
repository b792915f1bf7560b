#include "sim/scenepublish.h"

#include <QtEndian>

#include <cstring>

namespace sim {

namespace {

// Rows of the frame buffer are as long as the virtual screen is wide; an
// image of the visible size goes to the window at the layer's origin.
void storePixels(PublishedBlock *block, const SceneLayer &layer, int alphaMode)
{
    const int rowPixels = layer.virtualSize.width();
    const int bytes = layer.indexed() ? 1 : 4;
    uchar *pixels = block->pixels();
    const qint64 capacity = block->pixelBytes();
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

bool publishScene(Publisher &publisher, const Scene &scene)
{
    if (!publisher.createGlobal(quint8(scene.alphaMode)))
        return false;
    for (int n = 0; n < scene.layers.size(); ++n) {
        const SceneLayer &layer = scene.layers.at(n);
        LayerSpec spec = LayerSpec::of(layer.size.width(), layer.size.height(),
                                       layer.indexed() ? int(layer.palette.size()) : 0, layer.bitsPerPixel);
        spec.vxSize = layer.virtualSize.width();
        spec.vySize = layer.virtualSize.height();
        spec.xPos = layer.position.x();
        spec.yPos = layer.position.y();
        PublishedBlock *block = publisher.createLayer(n, spec, false);
        if (!block)
            return false;
        if (layer.hasVirtualScreen()) {
            block->setXOrg(layer.origin.x());
            block->setYOrg(layer.origin.y());
        }
        block->setTransMode(layer.transMode);
        block->setKeyColorMin(layer.keyColorMin);
        block->setKeyColorMax(layer.keyColorMax);
        block->setLayerAlpha(quint8(layer.alpha));
        for (int i = 0; i < layer.palette.size(); ++i)
            block->setPaletteEntry(i, storedArgb(layer.palette.at(i), scene.alphaMode));
        if (n == 0 && scene.hasDisplay) {
            block->setCompositeSize(scene.displaySize.width(), scene.displaySize.height());
            block->setBkColor(toLibraryColor(scene.background));
        }
        storePixels(block, layer, scene.alphaMode);
        block->bumpContent();
        block->bumpPalette();
    }
    publisher.announceLayers();
    return true;
}

} // namespace sim
