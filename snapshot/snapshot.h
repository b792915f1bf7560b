#pragma once

#include "simlink/blockview.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QVector>

// A snapshot of the simulated display: every layer block copied once, so
// that the scene file, the layer images and the composite all describe the
// same moment even while the simulation keeps drawing. The blocks are
// attached read-only for the copy and detached right after it.
namespace snapshot {

struct LayerCopy
{
    int index = 0;
    // Header and as much of the pixel area as the layer's reads can reach,
    // bounded by the block's size and the overall copy budget.
    QByteArray bytes;
    BlockView view() const { return BlockView(const_cast<char *>(bytes.constData()), bytes.size()); }
};

struct Scene
{
    QString windowClass;   // the class whose window was found
    quint8 alphaMode = 255;
    QList<LayerCopy> layers; // layer 0 first
};

// Outcome of a snapshot, also the exit status of the command line.
enum Status { Saved = 0, NoSimulation = 1, WriteFailed = 2 };

struct Result
{
    Status status = NoSimulation;
    QString message; // one line for the user
};

// Finds the simulation and copies its layers; false when none runs or it
// publishes no usable layer.
bool captureScene(Scene &scene);

// The layer's whole virtual screen as stored, only the alpha convention
// undone: ARGB32 for a true-colour layer, Indexed8 with the layer's palette
// as colour table for an indexed one. Null when the layer has no pixels or
// is too large for one image.
QImage layerImage(const Scene &scene, int layer);

// The composite of the display as the composite view computes it; null when
// the simulation publishes no display size.
QImage compositeImage(const Scene &scene);

// scene.json in the scene format, naming the layer images written beside it.
QByteArray sceneJson(const Scene &scene);

// Creates the folder when needed and checks that files can be made in it.
Result prepareFolder(const QString &dir);

// Writes scene.json, layerN.png and composite.png into the folder.
Result writeScene(const Scene &scene, const QString &dir);

// One attempt: capture and write.
Result saveSnapshot(const QString &dir);

} // namespace snapshot
