#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

// Scene files: a JSON description of a display and its layers, read into a
// Scene that a publisher can put into blocks as it stands.
namespace sim {

inline constexpr char SceneFormatName[] = "noxel-scene";
inline constexpr int SceneFormatVersion = 1;
// Largest block a scene layer may ask for (header included).
inline constexpr qint64 MaxSceneBlockBytes = qint64(256) << 20;

struct SceneLayer
{
    QSize size;          // xSize, ySize
    QSize virtualSize;   // vxSize, vySize
    QPoint origin;       // xOrg, yOrg
    QPoint position;     // xPos, yPos
    int bitsPerPixel = 32;
    // The pixels, ARGB32 for 32 bpp or Indexed8 for 8 bpp, of the virtual
    // size or of the visible size; a null image when `fill` is used.
    QImage image;
    quint32 fill = 0;            // ARGB colour (32 bpp) or index (8 bpp)
    QVector<quint32> palette;    // ARGB, 8 bpp only; NumColors entries
    int transMode = 0;
    quint32 keyColorMin = 0;     // only red, green and blue count
    quint32 keyColorMax = 0;
    int alpha = 255;             // layerAlpha

    // 1, 2, 4 and 8 bits: one index byte per pixel with a palette.
    bool indexed() const { return bitsPerPixel <= 8; }
    bool hasVirtualScreen() const { return virtualSize != size; }
};

struct Scene
{
    QString windowClass;
    int alphaMode = 1;
    bool hasDisplay = false;
    QSize displaySize;
    quint32 background = 0xFF000000; // ARGB
    QList<SceneLayer> layers;
};

// Reads a scene file. On failure returns false and sets error to one line:
// "<file>: <field path>: <reason>" (for JSON syntax errors the line and
// column take the place of the field path).
bool loadSceneFile(const QString &fileName, Scene *scene, QString *error);

// The same from the file's bytes; images are looked up relative to baseDir.
bool parseScene(const QByteArray &json, const QString &fileName, const QString &baseDir, Scene *scene,
                QString *error);

// "#RRGGBB" or "#AARRGGBB" (alpha FF when omitted) to ARGB.
bool parseColor(const QString &text, quint32 *argb);

// ARGB to the library colour format 0xTTBBGGRR (TT = 255 - alpha).
quint32 toLibraryColor(quint32 argb);

} // namespace sim
