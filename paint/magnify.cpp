#include "paint/magnify.h"

#include "dialogs/gridsetting.h"
#include "imaging/pixelkernels.h"
#include "paint/backdrop.h"
#include "paint/rowcompose.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstring>

using namespace magnify;

namespace {

// About 256 KiB of band buffer: composed rows stay in the cache between
// composing and copying them to the device.
constexpr qint64 BandPixels = 64 * 1024;

QImage::Format deviceFormat(QPainter &painter)
{
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (device && device->devType() == QInternal::Image
        && static_cast<QImage *>(device)->format() == QImage::Format_RGB32)
        return QImage::Format_RGB32;
    return QImage::Format_ARGB32_Premultiplied;
}

void ensureBand(MagnifyCache &cache, int width, int rows, QImage::Format format)
{
    if (cache.band.format() != format || cache.band.width() < width || cache.band.height() < rows)
        cache.band = QImage(width, rows, format);
}

int bandRowsFor(int width, int height)
{
    return int(qBound<qint64>(1, BandPixels / qMax(1, width), qint64(height)));
}

// Composes rectangle c completely (background, image, grid) and copies it to
// the device. With no background the image must cover c and be opaque.
void composeRect(QPainter &painter, const QRect &c, const MagnifyScene &s, MagnifyCache &cache, bool gridOn)
{
    const QImage &img = readableImage(s, cache);
    const Backdrop backdrop = prepareBackdrop(s, c, cache);
    const QRect area = imageArea(s, c);
    const int width = c.width();
    // Rows go straight into the device's image when it allows; otherwise
    // through the band.
    QPoint offset;
    QImage *direct = directTarget(painter, c, &offset);
    const int bandRows = direct ? c.height() : prepareDeviceBand(painter, cache, width, c.height());

    SourceRow row{img.format(), nullptr, cache.lut.constData()};
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);

    struct Recent { qint64 key; const quint32 *line; };
    for (int y0 = c.top(); y0 <= c.bottom(); y0 += bandRows) {
        const int rows = qMin(bandRows, c.bottom() - y0 + 1);
        Recent recent[4];
        int recentCount = 0;
        int recentNext = 0;
        for (int r = 0; r < rows; ++r) {
            const int y = y0 + r;
            quint32 *out = direct ? reinterpret_cast<quint32 *>(const_cast<uchar *>(
                                        direct->constScanLine(y + offset.y()))) + c.left() + offset.x()
                                  : reinterpret_cast<quint32 *>(cache.band.scanLine(r));
            const bool inImage = y >= area.top() && y <= area.bottom() && !area.isEmpty();
            const qint64 srcRow = inImage ? floorDiv(qint64(y) - s.imagePos.y(), s.scale) : -1;
            const GridRow gridRow = gridRowOf(s, gridOn, y);
            const qint64 key = ((srcRow + 1) << 20) | (qint64(backdrop.classOf(y)) << 2) | gridRow;
            const quint32 *same = nullptr;
            for (int q = 0; q < recentCount; ++q)
                if (recent[q].key == key)
                    same = recent[q].line;
            if (same) {
                std::memcpy(out, same, size_t(width) * 4);
                continue;
            }
            // An opaque image that covers the row replaces the background.
            if (!inImage || !s.imageOpaque || area.left() > c.left() || area.right() < c.right())
                backdrop.fill(out, y);
            if (inImage) {
                row.line = img.constScanLine(int(srcRow));
                blendSourceRow(out, c.left(), area, s, row, cache.premultiplied);
            }
            applyGridRow(out, c.left(), c.right(), s, gridRow);
            recent[recentNext] = {key, out};
            recentNext = (recentNext + 1) % 4;
            recentCount = qMin(recentCount + 1, 4);
        }
        if (!direct)
            painter.drawImage(QPoint(c.left(), y0), cache.band, QRect(0, 0, width, rows));
    }
    painter.setCompositionMode(mode);
}

// Magnifies the image over rectangle a (inside the image) without a
// background and draws it source-over onto what the device holds.
void blendImageRect(QPainter &painter, const QRect &a, const MagnifyScene &s, MagnifyCache &cache)
{
    const QImage &img = readableImage(s, cache);
    const int width = a.width();
    const int bandRows = bandRowsFor(width, a.height());
    ensureBand(cache, width, bandRows, QImage::Format_ARGB32_Premultiplied);
    SourceRow row{img.format(), nullptr, cache.lut.constData()};
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (int y0 = a.top(); y0 <= a.bottom(); y0 += bandRows) {
        const int rows = qMin(bandRows, a.bottom() - y0 + 1);
        for (int r = 0; r < rows; ++r) {
            const int y = y0 + r;
            quint32 *out = reinterpret_cast<quint32 *>(cache.band.scanLine(r));
            std::fill(out, out + width, 0u);
            row.line = img.constScanLine(int(floorDiv(qint64(y) - s.imagePos.y(), s.scale)));
            blendSourceRow(out, a.left(), a, s, row, cache.premultiplied);
        }
        painter.drawImage(QPoint(a.left(), y0), cache.band, QRect(0, 0, width, rows));
    }
    painter.setCompositionMode(mode);
}

// Background, image and grid of rectangle e through the painter, for an
// image drawn without magnification.
void paintUnmagnified(QPainter &painter, const QRect &e, const QRect &area, const MagnifyScene &s,
                      MagnifyCache &cache)
{
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (s.background == MagnifyScene::SolidBackground) {
        painter.fillRect(e, QColor::fromRgb(s.solidColor | 0xFF000000u));
    } else if (s.tile.isNull()) {
        painter.fillRect(e, Qt::black);
    } else {
        // A pre-tiled background, copied rather than filled with a texture:
        // the tiles stay anchored at widget (0, 0) by starting the copy at
        // the exposed corner's offset within the tile.
        const int tw = s.tile.width();
        const int th = s.tile.height();
        const QSize need(e.width() + tw, e.height() + th);
        if (cache.tiled.width() < need.width() || cache.tiled.height() < need.height()
            || cache.tiledKey != s.tile.cacheKey()) {
            cache.tiled = QImage(need.expandedTo(cache.tiled.size()), QImage::Format_ARGB32_Premultiplied);
            cache.tiled.fill(0);
            QPainter fill(&cache.tiled);
            fill.fillRect(cache.tiled.rect(), QBrush(s.tile));
            cache.tiledKey = s.tile.cacheKey();
        }
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(e.topLeft(), cache.tiled, QRect(QPoint(e.x() % tw, e.y() % th), e.size()));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!area.isEmpty())
        painter.drawImage(area.topLeft(), s.image, area.translated(-s.imagePos));
    painter.setCompositionMode(mode);
    paintGridRect(painter, e, s);
}

UnmagnifiedPath unmagnifiedPath = UnmagnifiedPath::Automatic;

bool useRasterEngineUnmagnified()
{
    switch (unmagnifiedPath) {
    case UnmagnifiedPath::RasterEngine:
        return true;
    case UnmagnifiedPath::Compositor:
        return false;
    case UnmagnifiedPath::Automatic:
        break;
    }
    // The compositor is faster only with eight pixels at a time.
    return imaging::kernelSet() != imaging::KernelSet::Avx2;
}

} // namespace

int prepareDeviceBand(QPainter &painter, MagnifyCache &cache, int width, int height)
{
    const int rows = bandRowsFor(width, height);
    ensureBand(cache, width, rows, deviceFormat(painter));
    return rows;
}

QImage *directTarget(QPainter &painter, const QRect &area, QPoint *offset)
{
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || painter.hasClipping())
        return nullptr;
    QImage *image = static_cast<QImage *>(device);
    if ((image->format() != QImage::Format_ARGB32_Premultiplied && image->format() != QImage::Format_RGB32)
        || !image->isDetached() || image->devicePixelRatio() != 1.0)
        return nullptr;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != qRound(t.dx()) || t.dy() != qRound(t.dy()))
        return nullptr;
    const QPoint d(qRound(t.dx()), qRound(t.dy()));
    const QRect target = area.translated(d);
    if (!image->rect().contains(target))
        return nullptr;
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty() && (clip.rectCount() != 1 || !clip.boundingRect().contains(target)))
        return nullptr;
    *offset = d;
    return image;
}

void setUnmagnifiedPath(UnmagnifiedPath path)
{
    unmagnifiedPath = path;
}

void paintGridRect(QPainter &painter, const QRect &rect, const MagnifyScene &s)
{
    if (!gridShown(s) || rect.isEmpty())
        return;
    const int z = s.zoom;
    const int ox = s.origin.x();
    const int oy = s.origin.y();
    const int left = qMax(rect.left(), ox);
    const int top = qMax(rect.top(), oy);
    if (left > rect.right() || top > rect.bottom())
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    const bool invert = s.gridMode == GridModeXor;
    QColor colour;
    if (invert) {
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        colour = Qt::black;
    } else {
        colour = QColor::fromRgb(s.gridColor | 0xFF000000u);
    }
    const qint64 firstRow = qint64(oy) + floorDiv(qint64(top) - oy + z - 1, z) * z;
    const qint64 firstCol = qint64(ox) + floorDiv(qint64(left) - ox + z - 1, z) * z;
    for (qint64 y = firstRow; y <= rect.bottom(); y += z)
        painter.fillRect(QRect(left, int(y), rect.right() - left + 1, 1), colour);
    for (qint64 x = firstCol; x <= rect.right(); x += z) {
        if (!invert) {
            painter.fillRect(QRect(int(x), top, 1, rect.bottom() - top + 1), colour);
            continue;
        }
        // Pieces between the horizontal lines, so no crossing is inverted twice.
        for (qint64 k = floorDiv(qint64(top) - oy, z); qint64(oy) + k * z <= rect.bottom(); ++k) {
            const qint64 a = qMax<qint64>(qint64(oy) + k * z + 1, top);
            const qint64 b = qMin<qint64>(qint64(oy) + (k + 1) * z - 1, rect.bottom());
            if (a <= b)
                painter.fillRect(QRect(int(x), int(a), 1, int(b - a + 1)), colour);
        }
    }
    painter.setCompositionMode(mode);
}

void paintMagnified(QPainter &painter, const QRect &exposed, const MagnifyScene &s, MagnifyCache &cache)
{
    const QRect e = exposed & QRect(QPoint(0, 0), s.widgetSize);
    if (e.isEmpty())
        return;
    const bool gridOn = gridShown(s);
    const QRect area = imageArea(s, e);
    if (s.background != MagnifyScene::NoBackground) {
        if (s.scale == 1 && !s.imageOpaque && useRasterEngineUnmagnified()) {
            // Unmagnified without eight-pixel arithmetic: the raster engine's
            // own fill and blend (which it may spread over several threads)
            // are the fastest way to the same pixels.
            paintUnmagnified(painter, e, area, s, cache);
        } else {
            composeRect(painter, e, s, cache, gridOn);
        }
        return;
    }
    // Without a background only an opaque image fixes its pixels; elsewhere
    // the image blends with what lies beneath and the grid is drawn on top.
    QRegion rest(e);
    if (!area.isEmpty()) {
        if (s.imageOpaque) {
            composeRect(painter, area, s, cache, gridOn);
            rest -= QRegion(area);
        } else {
            blendImageRect(painter, area, s, cache);
        }
    }
    if (gridOn) {
        for (const QRect &r : rest)
            paintGridRect(painter, r, s);
    }
}

bool backgroundShows(const QRect &exposed, const MagnifyScene &s)
{
    const QRect e = exposed & QRect(QPoint(0, 0), s.widgetSize);
    if (e.isEmpty())
        return false;
    const QRect area = imageArea(s, e);
    if (area != e)
        return true;
    if (s.imageOpaque)
        return false;
    // The image pixels under the area.
    const int x0 = int(floorDiv(qint64(area.left()) - s.imagePos.x(), s.scale));
    const int x1 = int(floorDiv(qint64(area.right()) - s.imagePos.x(), s.scale));
    const int y0 = int(floorDiv(qint64(area.top()) - s.imagePos.y(), s.scale));
    const int y1 = int(floorDiv(qint64(area.bottom()) - s.imagePos.y(), s.scale));
    const QImage &img = s.image;
    switch (img.format()) {
    case QImage::Format_RGB32:
        return false;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        for (int y = y0; y <= y1; ++y)
            if (!imaging::allOpaque(reinterpret_cast<const quint32 *>(img.constScanLine(y)) + x0, qint64(x1) - x0 + 1))
                return true;
        return false;
    case QImage::Format_Indexed8: {
        // Indices without an entry show as transparent.
        const QVector<QRgb> table = img.colorTable();
        bool seeThrough[256];
        bool any = false;
        for (int i = 0; i < 256; ++i) {
            seeThrough[i] = i >= table.size() || qAlpha(table[i]) != 255;
            any = any || seeThrough[i];
        }
        if (!any)
            return false;
        for (int y = y0; y <= y1; ++y) {
            const uchar *line = img.constScanLine(y);
            for (int x = x0; x <= x1; ++x)
                if (seeThrough[line[x]])
                    return true;
        }
        return false;
    }
    default:
        return true;
    }
}
