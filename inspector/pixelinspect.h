#pragma once

#include "imaging/layerimage.h"
#include "simlink/blockview.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QVector>

// What the pixel inspector shows, computed from the blocks without widgets:
// the display position of a view's pixel, each layer's stored and shown
// value there, the composite's blend, the rate of content updates and the
// history of a watched pixel.
namespace inspector {

// One layer as its view reads it.
struct InspectLayer
{
    QString title;
    LayerLayout layout;     // the visible window's addressing
    QVector<QRgb> palette;  // with the alpha convention applied
    // Drawn in the composite as its view shows it (a layer left out there
    // is left out of the composite's value too).
    bool inComposite = true;
    // While comparing with a reference snapshot: the snapshot's image of the
    // layer (null when it has none that fits) and where the visible
    // window's pixel (0, 0) lies in it.
    bool comparing = false;
    QImage reference;
    QPoint referenceOffset;
};

struct LayerRow
{
    QString title;
    QPoint layerPixel;  // display position minus the layer's position
    bool covers = false;
    QString stored;     // "AARRGGBB", or "#7 → FF1A2B3C"; empty when not covering;
                        // while comparing, followed by " (reference AARRGGBB)"
    QString shown;      // "AARRGGBB" after the transparency rules; empty when not covering
    int changes = -1;   // changes in the last 10 s under the view's heat map; -1 without
};

struct Inspection
{
    QPoint display;
    QList<LayerRow> layers;
    // The composite's blended colour; empty when the display publishes no
    // size or the position lies outside it.
    QString composite;
    int compositeChanges = -1;
};

// A count of changes as the table shows it: empty for -1.
QString changesText(int changes);

// Eight upper-case hexadecimal digits.
QString hexColor(quint32 argb);

// The display position of a view's pixel. viewKind is the view identifier's
// kind (ViewId::Layer, ViewId::VirtLayer or ViewId::Composite): a layer
// pixel moves by the layer's position, a virtual-screen pixel first back
// by the visible window's origin; a composite pixel is one already.
QPoint displayPoint(int viewKind, BlockView layerBlock, QPoint pixel);

// Every layer's row at the display position and the composite's blend, read
// as the views read them (rules carry the alpha-mode byte and layer count).
Inspection inspect(const QList<InspectLayer> &layers, const ImageRules &rules, QPoint display);

// The stored value of a layer pixel: the raw 32-bit word, or the index and
// its palette entry ("#9 → none" beyond the palette). Empty when the pixel
// has no address or lies outside the block.
QString storedValue(const InspectLayer &layer, QPoint pixel);

// The reference's value of that pixel in the stored value's form ("none"
// outside the reference image, "not in reference" without one).
QString referenceValue(const InspectLayer &layer, QPoint pixel, quint8 alphaMode);

// Content updates per second from a layer's content counter, sampled on
// the refresh tick: the counter's advance over the last second.
class UpdateRate
{
public:
    void sample(qint64 ms, qint32 counter);
    int perSecond() const;
    void reset() { samples.clear(); }

private:
    struct Sample
    {
        qint64 ms;
        qint32 counter;
    };
    QList<Sample> samples;
};

// The history of a watched pixel: one entry per tick on which any layer's
// stored value there changed, newest first, at most MaxEntries.
struct Change
{
    int layer = 0;
    qint32 counter = 0;
    QString before;
    QString after;
};

struct HistoryEntry
{
    qint64 ms = 0;   // since the watch began
    QList<Change> changes;
};

class WatchHistory
{
public:
    static constexpr int MaxEntries = 1000;

    // Begins watching with the values seen now.
    void start(QPoint display, const QList<QString> &values);
    void stop();
    bool active() const { return watching; }
    QPoint point() const { return pixel; }
    // Compares with the values seen on this tick; adds an entry when any
    // changed. True when an entry was added.
    bool record(qint64 ms, const QList<QString> &values, const QList<qint32> &counters);
    void clear() { list.clear(); }
    const QList<HistoryEntry> &entries() const { return list; }

private:
    bool watching = false;
    QPoint pixel;
    QList<QString> last;
    QList<HistoryEntry> list;
};

// The table and the history as tab-separated text, one line per row with a
// header line first.
QString tableText(const Inspection &inspection, const QList<int> &rates);
QString historyText(const QList<HistoryEntry> &entries, const QStringList &titles);
// "Layer 1: FF000000 → FF00FF00; ..." for one entry.
QString changeText(const HistoryEntry &entry, const QStringList &titles);

} // namespace inspector
