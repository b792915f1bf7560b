#pragma once

#include "imaging/referencediff.h"

#include <QImage>
#include <QJsonObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

// Comparing a captured display with a reference snapshot: plain rules on
// images, palettes and layer configurations, no files and no widgets.
namespace snapshot {

// The largest difference of the four ARGB channels of two colours.
int channelDelta(QRgb a, QRgb b);

// What one compared item (an image, a palette or the configuration) found.
struct ItemDiff
{
    enum Outcome {
        Identical,
        Differs,         // pixels or entries differ beyond the tolerance
        ShapeDiffers,    // sizes (or entry counts) differ: no pixel comparison
        NotInReference,  // the capture has it, the reference does not
        NotInCapture,    // the reference has it, the capture does not
        ConfigDiffers,   // the layer configuration differs
    };
    QString name;            // "configuration", "layer1", "palette1", "composite"
    Outcome outcome = Identical;
    qint64 count = 0;        // differing pixels or palette entries
    int maxDelta = 0;        // largest channel difference among them
    QRect box;               // bounding box of the differing pixels
    QSize actualSize;        // for ShapeDiffers
    QSize referenceSize;
    QStringList details;     // configuration differences, in order

    bool differs() const { return outcome != Identical; }
    // One line for the user, e.g. "layer1: identical".
    QString line() const;
    QJsonObject toJson() const;
};

// Both images are read as ARGB values (an indexed image through its colour
// table). A pixel differs when any channel differs by more than tolerance.
ItemDiff compareImages(const QString &name, const QImage &reference, const QImage &actual, int tolerance);

// Entries compared one by one under the same rule; a different number of
// entries is a difference of shape.
ItemDiff comparePalettes(const QString &name, const QVector<QRgb> &reference, const QVector<QRgb> &actual,
                         int tolerance);

// The layer configuration of two scene files (the format the snapshot
// writes): layer count, and per layer sizes, depth, origin, position,
// transparency fields and the display. Images and palettes are left to the
// comparisons above.
ItemDiff compareConfigurations(const QJsonObject &reference, const QJsonObject &actual);

// The reference dimmed to a third of its brightness, opaque, with every
// pixel that differs beyond the tolerance in DiffHighlight (the views' mark
// colour). Null when the shapes differ.
using ::DiffHighlight;
QImage diffImage(const QImage &reference, const QImage &actual, int tolerance);

// The summary line: "N of M images differ".
QString summaryLine(const QList<ItemDiff> &items);

// report.json: the tolerance, every item and the summary figures.
QByteArray reportJson(const QList<ItemDiff> &items, int tolerance);

} // namespace snapshot
