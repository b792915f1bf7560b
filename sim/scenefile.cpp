#include "sim/scenefile.h"

#include "simlink/connection.h"
#include "simlink/layerblock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace sim {

bool parseColor(const QString &text, quint32 *argb)
{
    if (!text.startsWith(QLatin1Char('#')) || (text.size() != 7 && text.size() != 9))
        return false;
    bool ok = false;
    const quint32 value = text.mid(1).toUInt(&ok, 16);
    if (!ok)
        return false;
    *argb = text.size() == 7 ? (0xFF000000u | value) : value;
    return true;
}

quint32 toLibraryColor(quint32 argb)
{
    const quint32 transparency = 255 - (argb >> 24);
    return (transparency << 24) | ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
}

namespace {

constexpr int MaxLayerSide = 16384;
constexpr int MaxPosition = 1000000;
constexpr qint64 MaxSceneTotalBytes = qint64(1) << 30;

// Reads typed fields and turns the first problem into the one-line error.
class SceneReader
{
public:
    SceneReader(const QString &fileName, const QString &baseDir, QString *error)
        : sceneFile(fileName), baseFolder(baseDir), errorOut(error)
    {
    }

    bool fail(const QString &path, const QString &reason)
    {
        if (errorOut)
            *errorOut = QStringLiteral("%1: %2: %3").arg(sceneFile, path, reason);
        return false;
    }

    static QString at(const QString &path, const QString &key)
    {
        return path.isEmpty() ? key : path + QLatin1Char('.') + key;
    }

    // Whole number in [min, max]; a missing optional field keeps *out.
    bool integer(const QJsonObject &o, const QString &path, const QString &key, int min, int max, int *out,
                 bool required)
    {
        const QString p = at(path, key);
        if (!o.contains(key))
            return required ? fail(p, QStringLiteral("missing")) : true;
        return wholeNumber(o.value(key), p, min, max, out);
    }

    bool wholeNumber(const QJsonValue &v, const QString &p, int min, int max, int *out)
    {
        if (!v.isDouble())
            return fail(p, QStringLiteral("expected a number"));
        const double d = v.toDouble();
        if (d != std::floor(d) || d < min || d > max)
            return fail(p, QStringLiteral("expected a whole number from %1 to %2").arg(min).arg(max));
        *out = int(d);
        return true;
    }

    bool color(const QJsonValue &v, const QString &p, quint32 *out)
    {
        if (!v.isString())
            return fail(p, QStringLiteral("expected a colour string \"#RRGGBB\" or \"#AARRGGBB\""));
        if (!parseColor(v.toString(), out))
            return fail(p, QStringLiteral("\"%1\" is not a colour \"#RRGGBB\" or \"#AARRGGBB\"").arg(v.toString()));
        return true;
    }

    bool optionalColor(const QJsonObject &o, const QString &path, const QString &key, quint32 *out)
    {
        return !o.contains(key) || color(o.value(key), at(path, key), out);
    }

    // Only red, green and blue of a key colour count: "#RRGGBB" is stored
    // with a zero top byte, "#AARRGGBB" as written (a snapshot keeps the
    // byte the simulation stored).
    bool keyColor(const QJsonObject &o, const QString &path, const QString &key, quint32 *out)
    {
        if (!optionalColor(o, path, key, out))
            return false;
        if (o.value(key).toString().size() == 7)
            *out &= 0x00FFFFFFu;
        return true;
    }

    bool pair(const QJsonObject &o, const QString &path, const QString &key, int min, int max, QPoint *out)
    {
        if (!o.contains(key))
            return true;
        const QString p = at(path, key);
        const QJsonArray a = o.value(key).toArray();
        if (!o.value(key).isArray() || a.size() != 2)
            return fail(p, QStringLiteral("expected an array of two numbers"));
        int x = 0;
        int y = 0;
        if (!wholeNumber(a.at(0), p + QStringLiteral("[0]"), min, max, &x)
            || !wholeNumber(a.at(1), p + QStringLiteral("[1]"), min, max, &y))
            return false;
        *out = QPoint(x, y);
        return true;
    }

    bool readScene(const QJsonObject &root, Scene *scene);

private:
    bool readDisplay(const QJsonObject &o, Scene *scene);
    bool readLayer(const QJsonObject &o, const QString &path, SceneLayer *layer);
    bool readImage(const QJsonObject &o, const QString &path, SceneLayer *layer);
    bool readPalette(const QJsonObject &o, const QString &path, SceneLayer *layer);

    QString sceneFile;
    QString baseFolder;
    QString *errorOut;
};

bool SceneReader::readScene(const QJsonObject &root, Scene *scene)
{
    if (!root.contains(QLatin1String("format")))
        return fail(QStringLiteral("format"), QStringLiteral("missing"));
    if (root.value(QLatin1String("format")).toString() != QLatin1String(SceneFormatName))
        return fail(QStringLiteral("format"), QStringLiteral("expected \"%1\"").arg(QLatin1String(SceneFormatName)));
    int version = 0;
    if (!integer(root, QString(), QStringLiteral("version"), 0, 1 << 30, &version, true))
        return false;
    if (version != SceneFormatVersion)
        return fail(QStringLiteral("version"),
                    QStringLiteral("version %1 is not supported (expected %2)").arg(version).arg(SceneFormatVersion));

    scene->windowClass = QLatin1String(simlink::MainframeWindowClass);
    if (root.contains(QLatin1String("windowClass"))) {
        const QString cls = root.value(QLatin1String("windowClass")).toString();
        if (cls != QLatin1String(simlink::MainframeWindowClass) && cls != QLatin1String(simlink::DeviceWindowClass))
            return fail(QStringLiteral("windowClass"), QStringLiteral("expected \"%1\" or \"%2\"")
                                                          .arg(QLatin1String(simlink::MainframeWindowClass),
                                                               QLatin1String(simlink::DeviceWindowClass)));
        scene->windowClass = cls;
    }
    if (!integer(root, QString(), QStringLiteral("alphaMode"), 0, 255, &scene->alphaMode, false))
        return false;
    if (root.contains(QLatin1String("display"))) {
        if (!root.value(QLatin1String("display")).isObject())
            return fail(QStringLiteral("display"), QStringLiteral("expected an object"));
        if (!readDisplay(root.value(QLatin1String("display")).toObject(), scene))
            return false;
    }

    if (!root.contains(QLatin1String("layers")))
        return fail(QStringLiteral("layers"), QStringLiteral("missing"));
    if (!root.value(QLatin1String("layers")).isArray())
        return fail(QStringLiteral("layers"), QStringLiteral("expected an array"));
    const QJsonArray layers = root.value(QLatin1String("layers")).toArray();
    if (layers.isEmpty())
        return fail(QStringLiteral("layers"), QStringLiteral("needs at least one layer"));
    if (layers.size() > simlink::MaxLayers)
        return fail(QStringLiteral("layers"),
                    QStringLiteral("has %1 layers, at most %2 are allowed").arg(layers.size()).arg(simlink::MaxLayers));
    qint64 total = 0;
    for (int i = 0; i < layers.size(); ++i) {
        const QString path = QStringLiteral("layers[%1]").arg(i);
        if (!layers.at(i).isObject())
            return fail(path, QStringLiteral("expected an object"));
        SceneLayer layer;
        if (!readLayer(layers.at(i).toObject(), path, &layer))
            return false;
        total += qint64(layer.virtualSize.width()) * layer.virtualSize.height() * 4;
        if (total > MaxSceneTotalBytes)
            return fail(path, QStringLiteral("the layers need more than %1 MiB together").arg(MaxSceneTotalBytes >> 20));
        scene->layers.append(layer);
    }
    return true;
}

bool SceneReader::readDisplay(const QJsonObject &o, Scene *scene)
{
    int w = 0;
    int h = 0;
    const QString path = QStringLiteral("display");
    if (!integer(o, path, QStringLiteral("width"), 1, 0xFFFF, &w, true)
        || !integer(o, path, QStringLiteral("height"), 1, 0xFFFF, &h, true)
        || !optionalColor(o, path, QStringLiteral("background"), &scene->background))
        return false;
    scene->hasDisplay = true;
    scene->displaySize = QSize(w, h);
    return true;
}

bool SceneReader::readLayer(const QJsonObject &o, const QString &path, SceneLayer *layer)
{
    int w = 0;
    int h = 0;
    if (!integer(o, path, QStringLiteral("width"), 1, MaxLayerSide, &w, true)
        || !integer(o, path, QStringLiteral("height"), 1, MaxLayerSide, &h, true)
        || !integer(o, path, QStringLiteral("bitsPerPixel"), 0, 64, &layer->bitsPerPixel, true))
        return false;
    // The depths a simulation publishes: 1, 2, 4 and 8 bits are stored as one
    // index byte per pixel, 16, 24 and 32 bits as one ARGB word.
    switch (layer->bitsPerPixel) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        return fail(at(path, QStringLiteral("bitsPerPixel")), QStringLiteral("expected 1, 2, 4, 8 (indexed) or 16, 24, 32"));
    }
    layer->size = QSize(w, h);
    int vw = w;
    int vh = h;
    if (!integer(o, path, QStringLiteral("virtualWidth"), w, MaxLayerSide, &vw, false)
        || !integer(o, path, QStringLiteral("virtualHeight"), h, MaxLayerSide, &vh, false))
        return false;
    layer->virtualSize = QSize(vw, vh);
    const qint64 bytes = simlink::Offset::FrameBuffer + qint64(vw) * vh * (layer->indexed() && vw == w && vh == h ? 1 : 4);
    if (bytes > MaxSceneBlockBytes)
        return fail(path, QStringLiteral("the layer needs %1 bytes, more than %2 MiB").arg(bytes).arg(MaxSceneBlockBytes >> 20));
    if (!pair(o, path, QStringLiteral("origin"), 0, MaxLayerSide, &layer->origin)
        || !pair(o, path, QStringLiteral("position"), -MaxPosition, MaxPosition, &layer->position))
        return false;
    if (layer->origin.x() > vw - w || layer->origin.y() > vh - h)
        return fail(at(path, QStringLiteral("origin")), QStringLiteral("the visible window leaves the virtual screen"));

    if (!integer(o, path, QStringLiteral("transMode"), INT_MIN, INT_MAX, &layer->transMode, false)
        || !keyColor(o, path, QStringLiteral("keyColorMin"), &layer->keyColorMin)
        || !keyColor(o, path, QStringLiteral("keyColorMax"), &layer->keyColorMax)
        || !integer(o, path, QStringLiteral("alpha"), 0, 255, &layer->alpha, false))
        return false;

    const bool hasImage = o.contains(QLatin1String("image"));
    const bool hasFill = o.contains(QLatin1String("fill"));
    if (hasImage == hasFill)
        return fail(path, hasImage ? QStringLiteral("has both \"image\" and \"fill\"")
                                   : QStringLiteral("needs an \"image\" or a \"fill\""));
    if (hasImage && !readImage(o, path, layer))
        return false;
    if (!readPalette(o, path, layer))
        return false;
    if (hasFill) {
        const QString p = at(path, QStringLiteral("fill"));
        if (!layer->indexed())
            return color(o.value(QLatin1String("fill")), p, &layer->fill);
        int index = 0;
        if (!wholeNumber(o.value(QLatin1String("fill")), p, 0, layer->palette.size() - 1, &index))
            return false;
        layer->fill = quint32(index);
    }
    return true;
}

bool SceneReader::readImage(const QJsonObject &o, const QString &path, SceneLayer *layer)
{
    const QString p = at(path, QStringLiteral("image"));
    if (!o.value(QLatin1String("image")).isString())
        return fail(p, QStringLiteral("expected a file name"));
    const QString name = o.value(QLatin1String("image")).toString();
    QImageReader reader(QDir(baseFolder).filePath(name));
    // The size is checked before the pixels are decoded, so a huge picture
    // is refused without being allocated.
    const QSize size = reader.size();
    if (!size.isValid())
        return fail(p, QStringLiteral("cannot read image \"%1\": %2").arg(name, reader.errorString()));
    if (size != layer->virtualSize && size != layer->size)
        return fail(p, QStringLiteral("image \"%1\" is %2 x %3 pixels, expected %4 x %5%6")
                           .arg(name)
                           .arg(size.width())
                           .arg(size.height())
                           .arg(layer->virtualSize.width())
                           .arg(layer->virtualSize.height())
                           .arg(layer->hasVirtualScreen()
                                    ? QStringLiteral(" or %1 x %2").arg(layer->size.width()).arg(layer->size.height())
                                    : QString()));
    QImage image;
    if (!reader.read(&image))
        return fail(p, QStringLiteral("cannot read image \"%1\": %2").arg(name, reader.errorString()));
    if (layer->indexed()) {
        const QImage::Format f = image.format();
        if (f != QImage::Format_Indexed8 && f != QImage::Format_Mono && f != QImage::Format_MonoLSB)
            return fail(p, QStringLiteral("image \"%1\" is not an indexed PNG, as an 8-bpp layer needs").arg(name));
        layer->image = image.convertToFormat(QImage::Format_Indexed8);
    } else {
        layer->image = image.convertToFormat(QImage::Format_ARGB32);
    }
    return true;
}

bool SceneReader::readPalette(const QJsonObject &o, const QString &path, SceneLayer *layer)
{
    const QString p = at(path, QStringLiteral("palette"));
    if (!layer->indexed()) {
        if (o.contains(QLatin1String("palette")))
            return fail(p, QStringLiteral("only an 8-bpp layer has a palette"));
        return true;
    }
    if (o.contains(QLatin1String("palette"))) {
        const QJsonArray a = o.value(QLatin1String("palette")).toArray();
        if (!o.value(QLatin1String("palette")).isArray() || a.isEmpty() || a.size() > simlink::PaletteCapacity)
            return fail(p, QStringLiteral("expected an array of 1 to %1 colours").arg(simlink::PaletteCapacity));
        layer->palette.resize(a.size());
        for (int i = 0; i < a.size(); ++i)
            if (!color(a.at(i), p + QStringLiteral("[%1]").arg(i), &layer->palette[i]))
                return false;
    } else if (!layer->image.isNull()) {
        const QVector<QRgb> table = layer->image.colorTable();
        layer->palette = QVector<quint32>(table.cbegin(), table.cend());
        if (layer->palette.isEmpty() || layer->palette.size() > simlink::PaletteCapacity)
            return fail(at(path, QStringLiteral("image")), QStringLiteral("the image has no usable colour table"));
    } else {
        return fail(p, QStringLiteral("missing (an 8-bpp layer with a fill needs one)"));
    }
    // Every index must name a palette entry. A simulation may store indices
    // beyond its palette, which show fully transparent; a snapshot keeps them
    // with fully transparent entries in the image's colour table, so such an
    // index is accepted where the image says it is transparent.
    const QImage &img = layer->image;
    const QVector<QRgb> table = img.colorTable();
    bool allowed[256];
    for (int i = 0; i < 256; ++i)
        allowed[i] = i < layer->palette.size() || (i < table.size() && qAlpha(table.at(i)) == 0);
    for (int y = 0; y < img.height(); ++y) {
        const uchar *row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            if (!allowed[row[x]])
                return fail(at(path, QStringLiteral("image")),
                            QStringLiteral("pixel (%1, %2) has index %3, the palette has %4 entries")
                                .arg(x)
                                .arg(y)
                                .arg(row[x])
                                .arg(layer->palette.size()));
    }
    return true;
}

// Line and column (from 1) of a byte offset in UTF-8 text.
QPair<int, int> lineAndColumn(const QByteArray &text, int offset)
{
    offset = qBound(0, offset, int(text.size()));
    int line = 1;
    int lineStart = 0;
    for (int i = 0; i < offset; ++i)
        if (text.at(i) == '\n') {
            ++line;
            lineStart = i + 1;
        }
    const int column = QString::fromUtf8(text.constData() + lineStart, offset - lineStart).size() + 1;
    return {line, column};
}

} // namespace

bool parseScene(const QByteArray &json, const QString &fileName, const QString &baseDir, Scene *scene, QString *error)
{
    *scene = Scene();
    SceneReader reader(fileName, baseDir, error);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const auto lc = lineAndColumn(json, parseError.offset);
        return reader.fail(QStringLiteral("line %1, column %2").arg(lc.first).arg(lc.second),
                           parseError.errorString());
    }
    if (!doc.isObject())
        return reader.fail(QStringLiteral("(top level)"), QStringLiteral("expected an object"));
    if (!reader.readScene(doc.object(), scene)) {
        *scene = Scene();
        return false;
    }
    return true;
}

bool loadSceneFile(const QString &fileName, Scene *scene, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: (file): cannot read it: %2").arg(fileName, file.errorString());
        return false;
    }
    // A scene file is a small text; anything far larger is not one.
    constexpr qint64 MaxSceneFileBytes = qint64(64) << 20;
    if (file.size() > MaxSceneFileBytes) {
        *error = QStringLiteral("%1: (file): larger than %2 MiB").arg(fileName).arg(MaxSceneFileBytes >> 20);
        return false;
    }
    QByteArray json = file.read(MaxSceneFileBytes);
    // Editors may start UTF-8 text with a byte order mark; JSON has none.
    if (json.startsWith("\xEF\xBB\xBF"))
        json.remove(0, 3);
    return parseScene(json, fileName, QFileInfo(fileName).absolutePath(), scene, error);
}

} // namespace sim
