#include "snapshot/compare.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdlib>

namespace snapshot {

namespace {

// Details named on the configuration's line; the rest are counted.
constexpr int DetailsShown = 4;

// ARGB values as stored: an indexed image through its colour table, a
// premultiplied one undone. Both sides of a comparison go the same way.
QImage asArgb(const QImage &image)
{
    return image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
}

QString sizeText(QSize s)
{
    return QStringLiteral("%1 x %2").arg(s.width()).arg(s.height());
}

QString outcomeName(ItemDiff::Outcome o)
{
    switch (o) {
    case ItemDiff::Identical: return QStringLiteral("identical");
    case ItemDiff::Differs: return QStringLiteral("differs");
    case ItemDiff::ShapeDiffers: return QStringLiteral("shape differs");
    case ItemDiff::NotInReference: return QStringLiteral("not in reference");
    case ItemDiff::NotInCapture: return QStringLiteral("not in capture");
    case ItemDiff::ConfigDiffers: return QStringLiteral("configuration differs");
    }
    return QString();
}

// A field of a scene object as text, so that numbers, colours and pairs
// compare alike.
QString fieldText(const QJsonValue &v)
{
    if (v.isArray()) {
        QStringList parts;
        for (const QJsonValue &e : v.toArray())
            parts << fieldText(e);
        return QStringLiteral("(%1)").arg(parts.join(QStringLiteral(", ")));
    }
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 17);
    if (v.isString())
        return v.toString();
    if (v.isUndefined() || v.isNull())
        return QStringLiteral("none");
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact));
}

void compareFields(const QString &prefix, const QJsonObject &reference, const QJsonObject &actual,
                   const QStringList &keys, QStringList *details)
{
    for (const QString &key : keys) {
        const QString r = fieldText(reference.value(key));
        const QString a = fieldText(actual.value(key));
        if (r != a)
            details->append(QStringLiteral("%1%2 %3, reference %4").arg(prefix, key, a, r));
    }
}

} // namespace

int channelDelta(QRgb a, QRgb b)
{
    int d = 0;
    for (int shift = 0; shift < 32; shift += 8)
        d = qMax(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

QString ItemDiff::line() const
{
    switch (outcome) {
    case Identical:
        return QStringLiteral("%1: identical").arg(name);
    case Differs: {
        const QString what = name.startsWith(QLatin1String("palette")) ? QStringLiteral("entries")
                                                                         : QStringLiteral("pixels");
        QString text = QStringLiteral("%1: %2 %3 differ (max channel delta %4)").arg(name).arg(count).arg(what).arg(maxDelta);
        if (!box.isNull())
            text += QStringLiteral(", bounding box (%1, %2)-(%3, %4)")
                        .arg(box.left()).arg(box.top()).arg(box.right()).arg(box.bottom());
        return text;
    }
    case ShapeDiffers:
        if (name.startsWith(QLatin1String("palette")))
            return QStringLiteral("%1: %2 entries, the reference has %3")
                .arg(name).arg(actualSize.width()).arg(referenceSize.width());
        return QStringLiteral("%1: size %2 differs from the reference's %3")
            .arg(name, sizeText(actualSize), sizeText(referenceSize));
    case NotInReference:
        return QStringLiteral("%1: not in reference").arg(name);
    case NotInCapture:
        return QStringLiteral("%1: in the reference but not in the capture").arg(name);
    case ConfigDiffers: {
        QStringList shown = details.mid(0, DetailsShown);
        if (details.size() > DetailsShown)
            shown << QStringLiteral("%1 more").arg(details.size() - DetailsShown);
        return QStringLiteral("%1: differs (%2)").arg(name, shown.join(QStringLiteral("; ")));
    }
    }
    return name;
}

QJsonObject ItemDiff::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), name);
    o.insert(QStringLiteral("outcome"), outcomeName(outcome));
    if (outcome == Differs) {
        o.insert(QStringLiteral("count"), double(count));
        o.insert(QStringLiteral("maxChannelDelta"), maxDelta);
        if (!box.isNull())
            o.insert(QStringLiteral("boundingBox"), QJsonArray{box.left(), box.top(), box.right(), box.bottom()});
    }
    if (outcome == ShapeDiffers) {
        o.insert(QStringLiteral("size"), QJsonArray{actualSize.width(), actualSize.height()});
        o.insert(QStringLiteral("referenceSize"), QJsonArray{referenceSize.width(), referenceSize.height()});
    }
    if (!details.isEmpty())
        o.insert(QStringLiteral("details"), QJsonArray::fromStringList(details));
    return o;
}

ItemDiff compareImages(const QString &name, const QImage &reference, const QImage &actual, int tolerance)
{
    ItemDiff d;
    d.name = name;
    if (reference.isNull() && actual.isNull())
        return d;
    if (reference.isNull()) {
        d.outcome = ItemDiff::NotInReference;
        return d;
    }
    if (actual.isNull()) {
        d.outcome = ItemDiff::NotInCapture;
        return d;
    }
    if (reference.size() != actual.size()) {
        d.outcome = ItemDiff::ShapeDiffers;
        d.actualSize = actual.size();
        d.referenceSize = reference.size();
        return d;
    }
    const QImage r = asArgb(reference);
    const QImage a = asArgb(actual);
    int left = r.width(), top = r.height(), right = -1, bottom = -1;
    for (int y = 0; y < r.height(); ++y) {
        const QRgb *rr = reinterpret_cast<const QRgb *>(r.constScanLine(y));
        const QRgb *ar = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            if (rr[x] == ar[x])
                continue;
            const int delta = channelDelta(rr[x], ar[x]);
            if (delta <= tolerance)
                continue;
            ++d.count;
            d.maxDelta = qMax(d.maxDelta, delta);
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    if (d.count) {
        d.outcome = ItemDiff::Differs;
        d.box = QRect(QPoint(left, top), QPoint(right, bottom));
    }
    return d;
}

ItemDiff comparePalettes(const QString &name, const QVector<QRgb> &reference, const QVector<QRgb> &actual,
                         int tolerance)
{
    ItemDiff d;
    d.name = name;
    if (reference.size() != actual.size()) {
        d.outcome = ItemDiff::ShapeDiffers;
        d.actualSize = QSize(int(actual.size()), 1);
        d.referenceSize = QSize(int(reference.size()), 1);
        return d;
    }
    for (int i = 0; i < reference.size(); ++i) {
        const int delta = channelDelta(reference.at(i), actual.at(i));
        if (delta > tolerance) {
            ++d.count;
            d.maxDelta = qMax(d.maxDelta, delta);
        }
    }
    if (d.count)
        d.outcome = ItemDiff::Differs;
    return d;
}

ItemDiff compareConfigurations(const QJsonObject &reference, const QJsonObject &actual)
{
    ItemDiff d;
    d.name = QStringLiteral("configuration");
    compareFields(QString(), reference, actual, {QStringLiteral("alphaMode")}, &d.details);
    compareFields(QStringLiteral("display "), reference.value(QStringLiteral("display")).toObject(),
                  actual.value(QStringLiteral("display")).toObject(),
                  {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("background")}, &d.details);
    const QJsonArray rl = reference.value(QStringLiteral("layers")).toArray();
    const QJsonArray al = actual.value(QStringLiteral("layers")).toArray();
    if (rl.size() != al.size())
        d.details.append(QStringLiteral("layer count %1, reference %2").arg(al.size()).arg(rl.size()));
    static const QStringList layerKeys = {
        QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("bitsPerPixel"),
        QStringLiteral("virtualWidth"), QStringLiteral("virtualHeight"), QStringLiteral("origin"),
        QStringLiteral("position"), QStringLiteral("transMode"), QStringLiteral("keyColorMin"),
        QStringLiteral("keyColorMax"), QStringLiteral("alpha")};
    for (int i = 0; i < qMin(rl.size(), al.size()); ++i)
        compareFields(QStringLiteral("layer%1 ").arg(i), rl.at(i).toObject(), al.at(i).toObject(), layerKeys,
                      &d.details);
    if (!d.details.isEmpty())
        d.outcome = ItemDiff::ConfigDiffers;
    return d;
}

QImage diffImage(const QImage &reference, const QImage &actual, int tolerance)
{
    if (reference.isNull() || actual.isNull() || reference.size() != actual.size())
        return QImage();
    const QImage r = asArgb(reference);
    const QImage a = asArgb(actual);
    QImage out(r.size(), QImage::Format_ARGB32);
    for (int y = 0; y < r.height(); ++y) {
        const QRgb *rr = reinterpret_cast<const QRgb *>(r.constScanLine(y));
        const QRgb *ar = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const QRgb p = rr[x];
            o[x] = channelDelta(p, ar[x]) > tolerance ? DiffHighlight
                                                      : qRgb(qRed(p) / 3, qGreen(p) / 3, qBlue(p) / 3);
        }
    }
    return out;
}

QString summaryLine(const QList<ItemDiff> &items)
{
    int differing = 0;
    for (const ItemDiff &d : items)
        differing += d.differs() ? 1 : 0;
    return QStringLiteral("%1 of %2 images differ").arg(differing).arg(items.size());
}

QByteArray reportJson(const QList<ItemDiff> &items, int tolerance)
{
    QJsonArray list;
    int differing = 0;
    for (const ItemDiff &d : items) {
        list.append(d.toJson());
        differing += d.differs() ? 1 : 0;
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QStringLiteral("noxel-compare"));
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("tolerance"), tolerance);
    root.insert(QStringLiteral("compared"), int(items.size()));
    root.insert(QStringLiteral("differ"), differing);
    root.insert(QStringLiteral("items"), list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace snapshot
