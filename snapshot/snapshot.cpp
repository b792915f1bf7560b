#include "snapshot/snapshot.h"

#include "snapshot/indexedpng.h"

#include "imaging/layergeometry.h"
#include "imaging/layerimage.h"
#include "simlink/connection.h"
#include "simlink/layerblock.h"
#include "simlink/platform_native.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSharedMemory>
#include <QTemporaryFile>
#include <QtNumeric>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace snapshot {

namespace {

// All layer copies together stay within this many bytes; pixels beyond it
// read as absent (transparent, index 0) like pixels beyond a short block.
constexpr qint64 CopyBudget = qint64(1) << 30;

constexpr qint64 Saturated = std::numeric_limits<qint64>::max();

qint64 satMul(qint64 a, qint64 b)
{
    qint64 r;
    return qMulOverflow(a, b, &r) ? Saturated : r;
}

qint64 satAdd(qint64 a, qint64 b)
{
    qint64 r;
    return qAddOverflow(a, b, &r) ? Saturated : r;
}

bool isIndexed(BlockView block)
{
    return simlink::isIndexedCount(simlink::NumColors(block));
}

// The rectangle of the pixel area a layer image covers: the virtual screen
// when it is at least as large as the visible window, else the window
// itself. Rows are as long as the image is wide.
void imageSize(BlockView block, qint64 *width, qint64 *height)
{
    const qint64 x = simlink::xSize(block), y = simlink::ySize(block);
    const qint64 vx = simlink::vxSize(block), vy = simlink::vySize(block);
    const bool virtualScreen = vx >= x && vy >= y;
    *width = virtualScreen ? vx : x;
    *height = virtualScreen ? vy : y;
}

// Bytes of the pixel area that the layer image and the composite's read of
// the visible window can reach (saturating, never negative).
qint64 pixelExtent(BlockView block)
{
    const qint64 bpp = isIndexed(block) ? 1 : 4;
    qint64 w, h;
    imageSize(block, &w, &h);
    const qint64 whole = (w > 0 && h > 0) ? satMul(satMul(w, h), bpp) : 0;

    const qint64 x = simlink::xSize(block), y = simlink::ySize(block);
    qint64 window = 0;
    if (x > 0 && y > 0) {
        const LayerLayout layout = visibleLayerLayout(block);
        qint64 first = std::max<qint64>(0, pixelOffset(layout, 0, 0));
        window = satAdd(first, satMul(satMul(x, y), bpp));
    }
    return std::max(whole, window);
}

QString windowClassFound()
{
    if (native::windowClassExists(simlink::MainframeWindowClass))
        return QLatin1String(simlink::MainframeWindowClass);
    if (native::windowClassExists(simlink::DeviceWindowClass))
        return QLatin1String(simlink::DeviceWindowClass);
    return QString();
}

QString hexColor(quint32 argb)
{
    return QStringLiteral("#%1").arg(argb, 8, 16, QLatin1Char('0')).toUpper();
}

QString layerFileName(int index)
{
    return QStringLiteral("layer%1.png").arg(index);
}

Result failure(Status status, const QString &message)
{
    return Result{status, message};
}

Result writeImage(const QImage &image, const QString &path)
{
    if (image.format() == QImage::Format_Indexed8) {
        QSaveFile file(path);
        const QByteArray png = indexedPng(image);
        if (png.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
            return failure(WriteFailed, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return Result{Saved, QString()};
    }
    QImageWriter writer(path, "png");
    if (!writer.write(image))
        return failure(WriteFailed, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), writer.errorString()));
    return Result{Saved, QString()};
}

} // namespace

bool captureScene(Scene &scene)
{
    scene = Scene();
    scene.windowClass = windowClassFound();
    if (scene.windowClass.isEmpty())
        return false;
    // The scan attaches the global block and every layer block once; the
    // copies below attach each again, read-only, so nothing can be written.
    QList<LayerInfo> found;
    scene.alphaMode = simlink::scanLayers(found);
    if (found.isEmpty())
        return false;

    qint64 budget = CopyBudget;
    for (const LayerInfo &info : std::as_const(found)) {
        QSharedMemory *handle = nullptr;
        const BlockView live = simlink::attachLayer(handle, info.index, true);
        const std::unique_ptr<QSharedMemory> owned(handle);
        if (live.isNull())
            break;
        // The header decides the extent, so it is copied first and the
        // extent taken from the copy: header and pixels agree.
        QByteArray header(reinterpret_cast<const char *>(live.base()), int(BlockView::HeaderSize));
        const BlockView headerView(header.data(), header.size());
        const qint64 wanted = satAdd(BlockView::HeaderSize, pixelExtent(headerView));
        const qint64 length = std::min({live.size(), wanted, budget + BlockView::HeaderSize});
        LayerCopy copy;
        copy.index = info.index;
        copy.bytes = header;
        if (length > BlockView::HeaderSize)
            copy.bytes.append(reinterpret_cast<const char *>(live.base()) + BlockView::HeaderSize,
                              qsizetype(length - BlockView::HeaderSize));
        budget -= length - BlockView::HeaderSize;
        simlink::detachLayer(handle);
        if (simlink::inUse(copy.view()) == 0)
            break;
        scene.layers.append(copy);
    }
    return !scene.layers.isEmpty();
}

QImage layerImage(const Scene &scene, int layer)
{
    if (layer < 0 || layer >= scene.layers.size())
        return QImage();
    const BlockView block = scene.layers.at(layer).view();
    const bool indexed = isIndexed(block);
    const int bpp = indexed ? 1 : 4;
    qint64 w, h;
    imageSize(block, &w, &h);
    if (!imaging::withinLimit(w, h, bpp))
        return QImage();
    QImage image(int(w), int(h), indexed ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();

    const imaging::ReadGeometry geo(block, 0, w * bpp, bpp, w, h);
    imaging::PixelRules rules;
    rules.invert = scene.alphaMode == 0;
    int highestIndex = -1;
    for (int y = 0; y < h; ++y) {
        uchar *out = image.scanLine(y);
        const imaging::RowSpan span = geo.row(y);
        // Pixels the block does not hold: transparent, or index 0.
        std::memset(out, 0, size_t(w * bpp));
        if (!span.data)
            continue;
        const qint64 n = span.end - span.begin;
        if (indexed) {
            std::memcpy(out + span.begin, span.data, size_t(n));
            highestIndex = std::max<int>(highestIndex, *std::max_element(out + span.begin, out + span.end));
        } else {
            imaging::applyRulesRow(span.data, reinterpret_cast<quint32 *>(out) + span.begin, n, rules);
        }
    }
    if (indexed) {
        // The colour table is the palette; an index beyond it gets a fully
        // transparent entry, so that every stored index survives the file.
        QVector<QRgb> table = readPalette(block, scene.alphaMode);
        if (table.size() <= highestIndex)
            table.resize(highestIndex + 1, 0u);
        image.setColorTable(table);
    }
    return image;
}

QImage compositeImage(const Scene &scene)
{
    if (scene.layers.isEmpty())
        return QImage();
    const BlockView first = scene.layers.first().view();
    int width = 0, height = 0;
    if (!simlink::compositeSize(first, &width, &height) || width <= 0 || height <= 0)
        return QImage();
    QList<CompositeLayer> layers;
    for (const LayerCopy &copy : scene.layers) {
        CompositeLayer layer;
        layer.layout = visibleLayerLayout(copy.view());
        if (layer.layout.indexed)
            layer.palette = readPalette(copy.view(), scene.alphaMode);
        layers.append(layer);
    }
    ImageRules rules;
    rules.alphaMode = scene.alphaMode;
    rules.layerCount = unsigned(scene.layers.size());
    return readCompositeImage(layers, first, rules, 0, 0, width - 1, height - 1);
}

QByteArray sceneJson(const Scene &scene)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QStringLiteral("noxel-scene"));
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("windowClass"), scene.windowClass);
    root.insert(QStringLiteral("alphaMode"), int(scene.alphaMode));
    if (!scene.layers.isEmpty()) {
        const BlockView first = scene.layers.first().view();
        int width = 0, height = 0;
        if (simlink::compositeSize(first, &width, &height)) {
            QJsonObject display;
            display.insert(QStringLiteral("width"), width);
            display.insert(QStringLiteral("height"), height);
            display.insert(QStringLiteral("background"), hexColor(simlink::libraryArgb(simlink::bkColor(first))));
            root.insert(QStringLiteral("display"), display);
        }
    }
    QJsonArray layers;
    for (int i = 0; i < scene.layers.size(); ++i) {
        const LayerCopy &copy = scene.layers.at(i);
        const BlockView b = copy.view();
        QJsonObject layer;
        layer.insert(QStringLiteral("width"), simlink::xSize(b));
        layer.insert(QStringLiteral("height"), simlink::ySize(b));
        layer.insert(QStringLiteral("bitsPerPixel"), simlink::bitsPerPixel(b));
        layer.insert(QStringLiteral("virtualWidth"), simlink::vxSize(b));
        layer.insert(QStringLiteral("virtualHeight"), simlink::vySize(b));
        layer.insert(QStringLiteral("origin"), QJsonArray{simlink::xOrg(b), simlink::yOrg(b)});
        layer.insert(QStringLiteral("position"), QJsonArray{simlink::xPos(b), simlink::yPos(b)});
        // A layer without pixels (or too large for one image) has no file.
        qint64 w, h;
        imageSize(b, &w, &h);
        const bool indexed = isIndexed(b);
        if (imaging::withinLimit(w, h, indexed ? 1 : 4))
            layer.insert(QStringLiteral("image"), layerFileName(copy.index));
        else if (indexed)
            layer.insert(QStringLiteral("fill"), 0);
        else
            layer.insert(QStringLiteral("fill"), hexColor(0));
        if (indexed) {
            QJsonArray palette;
            for (QRgb entry : readPalette(b, scene.alphaMode))
                palette.append(hexColor(entry));
            layer.insert(QStringLiteral("palette"), palette);
        }
        layer.insert(QStringLiteral("transMode"), simlink::transMode(b));
        // Key colours as stored, top byte included, so nothing is lost.
        layer.insert(QStringLiteral("keyColorMin"), hexColor(simlink::keyColorMin(b)));
        layer.insert(QStringLiteral("keyColorMax"), hexColor(simlink::keyColorMax(b)));
        layer.insert(QStringLiteral("alpha"), int(simlink::layerAlpha(b)));
        layers.append(layer);
    }
    root.insert(QStringLiteral("layers"), layers);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Result prepareFolder(const QString &dir)
{
    const QString shown = QDir::toNativeSeparators(dir);
    if (dir.isEmpty())
        return failure(WriteFailed, QStringLiteral("No snapshot folder given."));
    if (!QDir().mkpath(dir))
        return failure(WriteFailed, QStringLiteral("Cannot create the snapshot folder %1.").arg(shown));
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".noxelview-XXXXXX")));
    if (!probe.open())
        return failure(WriteFailed, QStringLiteral("Cannot write into the snapshot folder %1: %2").arg(shown, probe.errorString()));
    return Result{Saved, QString()};
}

Result writeScene(const Scene &scene, const QString &dir)
{
    const QDir folder(dir);
    for (int i = 0; i < scene.layers.size(); ++i) {
        const QImage image = layerImage(scene, i);
        if (image.isNull())
            continue;
        const Result r = writeImage(image, folder.filePath(layerFileName(scene.layers.at(i).index)));
        if (r.status != Saved)
            return r;
    }
    const QImage composite = compositeImage(scene);
    if (!composite.isNull()) {
        const Result r = writeImage(composite, folder.filePath(QStringLiteral("composite.png")));
        if (r.status != Saved)
            return r;
    }
    // The scene file last, so that it only names images already written.
    const QString path = folder.filePath(QStringLiteral("scene.json"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sceneJson(scene)) < 0 || !file.commit())
        return failure(WriteFailed, QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return Result{Saved, QDir::toNativeSeparators(folder.absolutePath())};
}

Result saveSnapshot(const QString &dir)
{
    const Result prepared = prepareFolder(dir);
    if (prepared.status != Saved)
        return prepared;
    Scene scene;
    if (!captureScene(scene))
        return failure(NoSimulation, QStringLiteral("No simulation found."));
    return writeScene(scene, dir);
}

} // namespace snapshot
