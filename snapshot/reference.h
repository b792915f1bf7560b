#pragma once

#include "snapshot/compare.h"
#include "snapshot/snapshot.h"

#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QString>

// A reference snapshot read back from its folder, and a captured display
// compared with it item by item.
namespace snapshot {

struct Reference
{
    QString folder;
    QJsonObject scene;      // scene.json
    QList<QImage> layers;   // one per layer of the scene; null without an image
    QImage composite;       // null without a display
};

// Reads scene.json and the images it names. The images' sizes are checked
// before they are decoded: none may exceed the image limit and all together
// stay within the snapshot's copy budget. False with one line in *error
// saying what and where.
bool loadReference(const QString &folder, Reference *reference, QString *error);

// The items of one comparison in their fixed order, with the images that
// went into each (for the output files).
struct Comparison
{
    QList<ItemDiff> items;
    QList<QImage> actual;     // per item; null where there is no image
    QList<QImage> reference;  // per item; null where there is no image
    bool differs() const;
};

// Configuration first, then per layer its image and, for an indexed layer,
// its palette, then the composite.
Comparison compareWithReference(const Reference &reference, const Scene &scene, int tolerance);

// For every item that differs and has both images: NAME.actual.png and
// NAME.diff.png; then report.json. An empty message on success.
QString writeComparison(const Comparison &comparison, int tolerance, const QString &folder);

} // namespace snapshot
