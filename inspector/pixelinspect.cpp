#include "inspector/pixelinspect.h"

#include "simlink/layerblock.h"
#include "views/cwidget.h"

#include <QStringList>

namespace inspector {

namespace {

const QChar Arrow(0x2192);

bool insideLayer(BlockView block, QPoint p)
{
    return p.x() >= 0 && p.y() >= 0 && p.x() < simlink::xSize(block) && p.y() < simlink::ySize(block);
}

} // namespace

QString hexColor(quint32 argb)
{
    return QStringLiteral("%1").arg(argb, 8, 16, QLatin1Char('0')).toUpper();
}

QPoint displayPoint(int viewKind, BlockView layerBlock, QPoint pixel)
{
    if (viewKind == ViewId::Composite)
        return pixel;
    QPoint p = pixel;
    if (viewKind == ViewId::VirtLayer)
        p -= QPoint(simlink::xOrg(layerBlock), simlink::yOrg(layerBlock));
    return p + QPoint(simlink::xPos(layerBlock), simlink::yPos(layerBlock));
}

QString storedValue(const InspectLayer &layer, QPoint pixel)
{
    const qint64 offset = pixelOffset(layer.layout, pixel.x(), pixel.y());
    if (offset < 0)
        return QString();
    const BlockView block = layer.layout.block;
    if (layer.layout.indexed) {
        const uchar *p = block.frameBytes(offset, 1);
        if (!p)
            return QString();
        const int index = *p;
        const QString entry = index < layer.palette.size() ? hexColor(layer.palette.at(index)) : QStringLiteral("none");
        return QStringLiteral("#%1 %2 %3").arg(index).arg(Arrow).arg(entry);
    }
    const uchar *p = block.frameBytes(offset, 4);
    if (!p)
        return QString();
    return hexColor(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24));
}

QString referenceValue(const InspectLayer &layer, QPoint pixel, quint8 alphaMode)
{
    const QImage &ref = layer.reference;
    if (ref.isNull())
        return QStringLiteral("not in reference");
    const QPoint p = pixel + layer.referenceOffset;
    if (!ref.rect().contains(p))
        return QStringLiteral("none");
    if (ref.format() == QImage::Format_Indexed8) {
        const int index = ref.pixelIndex(p);
        return QStringLiteral("#%1 %2 %3").arg(index).arg(Arrow).arg(hexColor(ref.color(index)));
    }
    // As stored: the snapshot undid an inverted alpha, the block holds it.
    return hexColor(ref.pixel(p) ^ (alphaMode == 0 ? 0xFF000000u : 0u));
}

Inspection inspect(const QList<InspectLayer> &layers, const ImageRules &rules, QPoint display)
{
    Inspection result;
    result.display = display;
    QList<CompositeLayer> composite;
    for (const InspectLayer &layer : layers) {
        const BlockView block = layer.layout.block;
        LayerRow row;
        row.title = layer.title;
        row.layerPixel = display - QPoint(simlink::xPos(block), simlink::yPos(block));
        row.covers = !block.isNull() && insideLayer(block, row.layerPixel);
        if (row.covers) {
            row.stored = storedValue(layer, row.layerPixel);
            if (layer.comparing && layer.reference.isNull())
                row.stored += QStringLiteral(" (not in reference)");
            else if (layer.comparing)
                row.stored += QStringLiteral(" (reference %1)").arg(referenceValue(layer, row.layerPixel, rules.alphaMode));
            row.shown = hexColor(readPixelColor(layer.layout, layer.palette, rules, row.layerPixel.x(),
                                                row.layerPixel.y()));
        }
        result.layers.append(row);
        if (layer.inComposite)
            composite.append(CompositeLayer{layer.layout, layer.palette});
    }
    if (layers.isEmpty())
        return result;
    // The background is the first layer's, whether or not it is drawn.
    const BlockView first = layers.first().layout.block;
    int width = 0, height = 0;
    if (simlink::compositeSize(first, &width, &height) && display.x() >= 0 && display.y() >= 0
        && display.x() < width && display.y() < height) {
        const CImage image = readCompositeImage(composite, first, rules, display.x(), display.y(), display.x(),
                                                display.y());
        if (!image.isNull())
            result.composite = hexColor(qUnpremultiply(image.pixel(0, 0)));
    }
    return result;
}

void UpdateRate::sample(qint64 ms, qint32 counter)
{
    samples.append(Sample{ms, counter});
    // Keep one sample at least a second old as the baseline.
    while (samples.size() > 2 && samples.at(1).ms <= ms - 1000)
        samples.removeFirst();
}

int UpdateRate::perSecond() const
{
    if (samples.size() < 2)
        return 0;
    // The counter may wrap; its advance is the unsigned difference.
    return int(quint32(samples.last().counter) - quint32(samples.first().counter));
}

void WatchHistory::start(QPoint display, const QList<QString> &values)
{
    watching = true;
    pixel = display;
    last = values;
    list.clear();
}

void WatchHistory::stop()
{
    watching = false;
}

bool WatchHistory::record(qint64 ms, const QList<QString> &values, const QList<qint32> &counters)
{
    if (!watching)
        return false;
    HistoryEntry entry;
    entry.ms = ms;
    for (int i = 0; i < values.size(); ++i) {
        const QString before = i < last.size() ? last.at(i) : QString();
        if (values.at(i) == before)
            continue;
        entry.changes.append(Change{i, i < counters.size() ? counters.at(i) : 0, before, values.at(i)});
    }
    last = values;
    if (entry.changes.isEmpty())
        return false;
    list.prepend(entry);
    while (list.size() > MaxEntries)
        list.removeLast();
    return true;
}

QString changeText(const HistoryEntry &entry, const QStringList &titles)
{
    QStringList parts;
    for (const Change &c : entry.changes) {
        const QString title = c.layer < titles.size() ? titles.at(c.layer) : QStringLiteral("Layer %1").arg(c.layer);
        parts.append(QStringLiteral("%1: %2 %3 %4")
                         .arg(title, c.before.isEmpty() ? QStringLiteral("-") : c.before, Arrow,
                              c.after.isEmpty() ? QStringLiteral("-") : c.after));
    }
    return parts.join(QStringLiteral("; "));
}

QString changesText(int changes)
{
    return changes < 0 ? QString() : QString::number(changes);
}

QString tableText(const Inspection &inspection, const QList<int> &rates)
{
    QStringList lines;
    lines.append(QStringLiteral("Display position\t%1, %2").arg(inspection.display.x()).arg(inspection.display.y()));
    lines.append(QStringLiteral("Layer\tPixel\tCovers\tStored\tShown\tUpdates/s\tChanges (10 s)"));
    for (int i = 0; i < inspection.layers.size(); ++i) {
        const LayerRow &r = inspection.layers.at(i);
        lines.append(QStringList{r.title, QStringLiteral("%1, %2").arg(r.layerPixel.x()).arg(r.layerPixel.y()),
                                 r.covers ? QStringLiteral("yes") : QStringLiteral("no"), r.stored, r.shown,
                                 QString::number(i < rates.size() ? rates.at(i) : 0), changesText(r.changes)}
                         .join(QLatin1Char('\t')));
    }
    lines.append(QStringList{QStringLiteral("Composite"),
                             QStringLiteral("%1, %2").arg(inspection.display.x()).arg(inspection.display.y()),
                             inspection.composite.isEmpty() ? QStringLiteral("no") : QStringLiteral("yes"), QString(),
                             inspection.composite, QString(), changesText(inspection.compositeChanges)}
                     .join(QLatin1Char('\t')));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString historyText(const QList<HistoryEntry> &entries, const QStringList &titles)
{
    QStringList lines;
    lines.append(QStringLiteral("ms\tLayer\tCounter\tOld\tNew"));
    for (const HistoryEntry &e : entries)
        for (const Change &c : e.changes)
            lines.append(QStringList{QString::number(e.ms),
                                     c.layer < titles.size() ? titles.at(c.layer) : QString::number(c.layer),
                                     QString::number(c.counter), c.before, c.after}
                             .join(QLatin1Char('\t')));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace inspector
