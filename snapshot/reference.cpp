#include "snapshot/reference.h"

#include "imaging/layergeometry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace snapshot {

namespace {

// The reference's images together: as much as a capture may copy.
constexpr qint64 ReferenceBudget = qint64(1) << 30;
// scene.json of twenty layers is a few kilobytes.
constexpr qint64 MaxSceneFileBytes = 4 << 20;
constexpr int MaxLayers = 20;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A file name of the folder itself: no separators, no way out of it.
bool plainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && name != QLatin1String(".") && name != QLatin1String("..");
}

// Decodes one PNG of the folder after checking its size; *budget shrinks by
// what it takes.
bool readImage(const QString &path, qint64 *budget, QImage *image, QString *error)
{
    QImageReader reader(path, "png");
    const QSize size = reader.size();
    if (!size.isValid()) {
        *error = QStringLiteral("Cannot read the reference image %1: %2").arg(shown(path), reader.errorString());
        return false;
    }
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (!imaging::withinLimit(size.width(), size.height(), 4) || bytes > *budget) {
        *error = QStringLiteral("The reference image %1 is too large (%2 x %3).")
                     .arg(shown(path)).arg(size.width()).arg(size.height());
        return false;
    }
    *image = reader.read();
    if (image->isNull()) {
        *error = QStringLiteral("Cannot read the reference image %1: %2").arg(shown(path), reader.errorString());
        return false;
    }
    *budget -= bytes;
    return true;
}

QVector<QRgb> paletteOf(const QJsonObject &layer)
{
    QVector<QRgb> entries;
    for (const QJsonValue &v : layer.value(QStringLiteral("palette")).toArray()) {
        const QString text = v.toString();
        entries.append(text.startsWith(QLatin1Char('#')) ? text.mid(1).toUInt(nullptr, 16) : 0u);
    }
    return entries;
}

QJsonObject parseScene(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

} // namespace

bool loadReference(const QString &folder, Reference *reference, QString *error)
{
    *reference = Reference();
    reference->folder = folder;
    const QDir dir(folder);
    const QString scenePath = dir.filePath(QStringLiteral("scene.json"));
    QFile file(scenePath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the reference %1: %2").arg(shown(scenePath), file.errorString());
        return false;
    }
    if (file.size() > MaxSceneFileBytes) {
        *error = QStringLiteral("The reference %1 is too large.").arg(shown(scenePath));
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject scene = doc.object();
    if (doc.isNull() || scene.value(QStringLiteral("format")).toString() != QLatin1String("noxel-scene")
        || !scene.value(QStringLiteral("layers")).isArray()) {
        *error = QStringLiteral("The reference %1 is not a snapshot's scene file.").arg(shown(scenePath));
        return false;
    }
    const QJsonArray layers = scene.value(QStringLiteral("layers")).toArray();
    if (layers.size() > MaxLayers) {
        *error = QStringLiteral("The reference %1 names %2 layers.").arg(shown(scenePath)).arg(layers.size());
        return false;
    }
    reference->scene = scene;
    qint64 budget = ReferenceBudget;
    for (int i = 0; i < layers.size(); ++i) {
        const QJsonValue name = layers.at(i).toObject().value(QStringLiteral("image"));
        QImage image;
        if (!name.isUndefined()) {
            if (!plainFileName(name.toString())) {
                *error = QStringLiteral("The reference %1 names an image outside its folder: layers[%2].image")
                             .arg(shown(scenePath)).arg(i);
                return false;
            }
            if (!readImage(dir.filePath(name.toString()), &budget, &image, error))
                return false;
        }
        reference->layers.append(image);
    }
    if (scene.contains(QStringLiteral("display"))
        && !readImage(dir.filePath(QStringLiteral("composite.png")), &budget, &reference->composite, error))
        return false;
    return true;
}

bool Comparison::differs() const
{
    for (const ItemDiff &d : items)
        if (d.differs())
            return true;
    return false;
}

Comparison compareWithReference(const Reference &reference, const Scene &scene, int tolerance)
{
    Comparison c;
    const auto add = [&c](const ItemDiff &d, const QImage &ref, const QImage &act) {
        c.items.append(d);
        c.reference.append(ref);
        c.actual.append(act);
    };
    const QJsonObject actualScene = parseScene(sceneJson(scene));
    add(compareConfigurations(reference.scene, actualScene), QImage(), QImage());

    const QJsonArray refLayers = reference.scene.value(QStringLiteral("layers")).toArray();
    const QJsonArray actLayers = actualScene.value(QStringLiteral("layers")).toArray();
    const int count = int(qMax(refLayers.size(), actLayers.size()));
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        const QImage ref = i < reference.layers.size() ? reference.layers.at(i) : QImage();
        const QImage act = i < scene.layers.size() ? layerImage(scene, i) : QImage();
        add(compareImages(QStringLiteral("layer") + n, ref, act, tolerance), ref, act);
        const QJsonObject r = i < refLayers.size() ? refLayers.at(i).toObject() : QJsonObject();
        const QJsonObject a = i < actLayers.size() ? actLayers.at(i).toObject() : QJsonObject();
        const bool refIndexed = r.contains(QStringLiteral("palette"));
        const bool actIndexed = a.contains(QStringLiteral("palette"));
        if (refIndexed && actIndexed) {
            add(comparePalettes(QStringLiteral("palette") + n, paletteOf(r), paletteOf(a), tolerance), QImage(),
                QImage());
        } else if (refIndexed || actIndexed) {
            ItemDiff d;
            d.name = QStringLiteral("palette") + n;
            d.outcome = actIndexed ? ItemDiff::NotInReference : ItemDiff::NotInCapture;
            add(d, QImage(), QImage());
        }
    }
    const QImage composite = compositeImage(scene);
    if (!reference.composite.isNull() || !composite.isNull())
        add(compareImages(QStringLiteral("composite"), reference.composite, composite, tolerance),
            reference.composite, composite);
    return c;
}

QString writeComparison(const Comparison &comparison, int tolerance, const QString &folder)
{
    const QDir dir(folder);
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot create the output folder %1.").arg(shown(folder));
    const auto write = [](const QImage &image, const QString &path) {
        QImageWriter writer(path, "png");
        return writer.write(image) ? QString()
                                   : QStringLiteral("Cannot write %1: %2").arg(shown(path), writer.errorString());
    };
    for (int i = 0; i < comparison.items.size(); ++i) {
        const ItemDiff &d = comparison.items.at(i);
        const QImage &act = comparison.actual.at(i);
        if (!d.differs() || act.isNull())
            continue;
        QString failed = write(act.convertToFormat(QImage::Format_ARGB32), dir.filePath(d.name + QStringLiteral(".actual.png")));
        const QImage diff = diffImage(comparison.reference.at(i), act, tolerance);
        if (failed.isEmpty() && !diff.isNull())
            failed = write(diff, dir.filePath(d.name + QStringLiteral(".diff.png")));
        if (!failed.isEmpty())
            return failed;
    }
    const QString reportPath = dir.filePath(QStringLiteral("report.json"));
    QSaveFile report(reportPath);
    if (!report.open(QIODevice::WriteOnly) || report.write(reportJson(comparison.items, tolerance)) < 0
        || !report.commit())
        return QStringLiteral("Cannot write %1: %2").arg(shown(reportPath), report.errorString());
    return QString();
}

} // namespace snapshot
