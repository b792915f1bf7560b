#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QVector>

class QPainter;

// What a paint widget shows, in widget pixels: a background that makes
// transparent pixels visible, an image magnified by whole-number blocks,
// and a one-pixel grid. paintMagnified() draws any exposed rectangle of it
// and touches nothing outside that rectangle, so the cost of a paint follows
// the exposed area and never the size of the widget.
struct MagnifyScene
{
    enum Background { NoBackground, SolidBackground, TiledBackground };

    // Size of the paint widget and the scroll origin (a multiple of the
    // zoom); the grid starts at the origin and runs to origin + size.
    QSize widgetSize;
    QPoint origin;
    int zoom = 1;

    // The image; pixel (i, j) covers the widget pixels imagePos + (i, j) *
    // scale ... + scale - 1. Null draws nothing. imageOpaque promises that no
    // pixel has alpha below 255 (the composite).
    QImage image;
    QPoint imagePos;
    int scale = 1;
    bool imageOpaque = false;

    Background background = NoBackground;
    QRgb solidColor = 0xFF000000;   // SolidBackground, drawn opaque
    QImage tile;                    // TiledBackground, anchored at widget (0, 0)

    // Grid: drawn only from zoom 3 on; mode 0 in gridColor (opaque), mode 1
    // by inverting every covered pixel exactly once.
    bool grid = false;
    int gridMode = 0;
    QRgb gridColor = 0xFF000000;
};

// Buffers kept between paints so that a paint allocates nothing in the
// common case.
struct MagnifyCache
{
    QImage band;
    QVector<quint32> tileRows;   // expanded background rows
    QVector<int> tileRowClass;   // tile row -> first identical tile row
    QVector<quint32> lut;        // premultiplied colour table of an indexed image
    QImage converted;            // the image in a format the compositor reads
    QVector<quint32> premultiplied; // one source row, premultiplied
    qint64 tileKey = -1;
    QImage tiled;                // pre-tiled background of the unmagnified paint
    qint64 tiledKey = -1;
};

// Makes the cache's band at least width pixels wide for rows that are later
// copied to the painter's device, in the format that copies fastest to it
// (RGB32 onto an RGB32 image, otherwise premultiplied ARGB32); returns how
// many rows of the height go through it at a time (about 256 KiB of pixels,
// which stay in the cache between composing and copying them).
int prepareDeviceBand(QPainter &painter, MagnifyCache &cache, int width, int height);
// The image the painter draws on, when rows of area can be written into it
// directly: a 32-bit image of its own, reached by a whole-pixel translation
// (offset), without a clip other than one rectangle around the target.
QImage *directTarget(QPainter &painter, const QRect &area, QPoint *offset);

// Draws the exposed rectangle (widget pixels) of the scene with the painter
// (which paints in widget coordinates). The result is pixel for pixel what
// painting the whole widget would give: background fill, the image drawn
// source-over, then the grid.
void paintMagnified(QPainter &painter, const QRect &exposed, const MagnifyScene &scene, MagnifyCache &cache);

// Whether painting the exposed rectangle (widget pixels, cut to the widget)
// lets the background or what lies beneath show anywhere: a pixel the image
// does not cover, or one it covers with alpha below 255. False only when
// every pixel is an opaque image pixel; an image format it cannot read
// counts as showing the background.
bool backgroundShows(const QRect &exposed, const MagnifyScene &scene);

// How an unmagnified image over a background is drawn: by the row compositor
// (where the kernels run eight pixels at a time, imaging::KernelSet::Avx2)
// or by the raster engine's fill and blend.
// Both give the same pixels; tests choose each in turn.
enum class UnmagnifiedPath { Automatic, RasterEngine, Compositor };
void setUnmagnifiedPath(UnmagnifiedPath path);

// The grid's pixels inside rect, drawn with the painter: horizontal lines on
// rows origin.y + k * zoom from column origin.x on, vertical lines on columns
// origin.x + k * zoom from row origin.y on; in mode 1 the vertical lines leave
// out the rows of the horizontal lines.
void paintGridRect(QPainter &painter, const QRect &rect, const MagnifyScene &scene);
