#include "paint/paintcomposite.h"

#include "imaging/composite.h"
#include "paint/paintstats.h"
#include "paint/rowcompose.h"

#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <cstring>

PaintComposite::PaintComposite(QWidget *parent, PaintSource *source)
    : PaintWidget(parent, source)
{
    // Every exposed pixel is painted (what lies beyond the display in the
    // background colour), so Qt need not fill the widget first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CImage PaintComposite::readImage(int left, int top, int right, int bottom)
{
    const QList<CompositeLayer> layers = view->compositeLayers();
    if (layers.isEmpty())
        return CImage();
    // The source's record is its first layer's block, which holds the
    // display's background colour.
    return readCompositeImage(layers, view->GetRecord(), CurrentRules(), left, top, right, bottom);
}

CImage PaintComposite::contentImage()
{
    if (layerWidth() <= 0 || layerHeight() <= 0)
        return CImage();
    return readImage(0, 0, layerWidth() - 1, layerHeight() - 1);
}

QSize PaintComposite::contentSize()
{
    // The whole display the simulation claims.
    return QSize(qMax(0, layerWidth()), qMax(0, layerHeight()));
}

CImage PaintComposite::selectionImage()
{
    const QRect sel = validSelection();
    if (!sel.isValid())
        return CImage();
    return readImage(sel.left(), sel.top(), sel.right(), sel.bottom());
}

QRgb PaintComposite::pixelColor(int x, int y)
{
    const CImage image = readImage(x, y, x, y);
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return 0;
    return image.pixel(0, 0);
}

int PaintComposite::pixelIndex(int, int)
{
    return 0;
}

int PaintComposite::layerWidth()
{
    return view->imageSize().width();
}

int PaintComposite::layerHeight()
{
    return view->imageSize().height();
}

bool PaintComposite::isVirtual()
{
    return false;
}

bool PaintComposite::paintComposed(QPainter &painter, const QRect &area, const QRect &part, const MagnifyScene &scene)
{
    const QList<CompositeLayer> layers = view->compositeLayers();
    if (layers.isEmpty() || area.isEmpty())
        return false;
    CompositeRows rows(layers, view->GetRecord(), CurrentRules(), part.left(), part.top(), part.right(),
                       part.bottom());
    if (!rows.valid())
        return false;
    const int z = scene.zoom;
    const int width = area.width();
    // Rows go straight into the device's image when it allows; otherwise
    // through the band.
    QPoint offset;
    QImage *direct = directTarget(painter, area, &offset);
    const int bandRows = direct ? area.height() : prepareDeviceBand(painter, cache, width, area.height());
    cache.premultiplied.resize(rows.width());
    quint32 *display = cache.premultiplied.data();
    const bool gridOn = magnify::gridShown(scene);
    // The display pixel under the area's first column, and how far into its
    // run of z device pixels that column lies.
    const qint64 fromLeft = qint64(area.left()) - qint64(part.left()) * z;
    const int firstPixel = int(fromLeft / z);
    const int skip = int(fromLeft % z);

    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    qint64 composed = qint64(part.top()) - 1; // display row held in `display`
    for (int y0 = area.top(); y0 <= area.bottom(); y0 += bandRows) {
        const int count = qMin(bandRows, area.bottom() - y0 + 1);
        const quint32 *previous = nullptr;
        qint64 previousRow = -1;
        magnify::GridRow previousGrid = magnify::NoGridRow;
        for (int r = 0; r < count; ++r) {
            const int y = y0 + r;
            quint32 *out = direct ? reinterpret_cast<quint32 *>(const_cast<uchar *>(
                                        direct->constScanLine(y + offset.y()))) + area.left() + offset.x()
                                  : reinterpret_cast<quint32 *>(cache.band.scanLine(r));
            const qint64 displayRow = qint64(part.top()) + (qint64(y) - qint64(part.top()) * z) / z;
            const magnify::GridRow gridRow = magnify::gridRowOf(scene, gridOn, y);
            if (previous && displayRow == previousRow && gridRow == previousGrid) {
                std::memcpy(out, previous, size_t(width) * 4);
                continue;
            }
            if (z == 1) {
                rows.row(int(displayRow), out);
            } else {
                if (displayRow != composed) {
                    rows.row(int(displayRow), display);
                    composed = displayRow;
                }
                magnify::expandRow(display + firstPixel, out, skip, z, width);
            }
            magnify::applyGridRow(out, area.left(), area.right(), scene, gridRow);
            previous = out;
            previousRow = displayRow;
            previousGrid = gridRow;
        }
        if (!direct)
            painter.drawImage(QPoint(area.left(), y0), cache.band, QRect(0, 0, width, count));
    }
    painter.setCompositionMode(mode);
    return true;
}

void PaintComposite::paintEvent(QPaintEvent *event)
{
    paintstats::countPaint(this, "composite");
    QPainter painter(this);
    MagnifyScene scene = baseScene();
    const QRect exposed = event->rect() & rect();
    const int z = scene.zoom;
    const QSize visible = view->GetVisibleSize();
    // Display pixels of the visible part: scroll origin and visible size
    // divided by the zoom; not capped, the composite covers any rectangle.
    const QRect shown(QPoint(scene.origin.x() / z, scene.origin.y() / z),
                      QSize(visible.width() / z, visible.height() / z));
    const QRect part = exposedPixels(shown, QPoint(shown.left() * z, shown.top() * z), z, exposed);
    // Every exposed pixel is painted: what lies beyond the display shows
    // the widget's background colour under the grid.
    const QRect area = QRect(part.left() * z, part.top() * z, part.width() * z, part.height() * z) & exposed;
    if (!part.isEmpty() && !imageFinished() && paintComposed(painter, area, part, scene)) {
        // Nothing draws over the image: the display rows under the exposed
        // rectangle went straight into the magnified output; the grid
        // outside them is drawn as for any scene without an image.
        for (const QRect &r : QRegion(exposed) - QRegion(area)) {
            painter.fillRect(r, palette().brush(backgroundRole()));
            paintMagnified(painter, r, scene, cache);
        }
        return;
    }
    painter.fillRect(exposed, palette().brush(backgroundRole()));
    if (!part.isEmpty()) {
        CImage image = readImage(part.left(), part.top(), part.right(), part.bottom());
        finishImage(image);
        scene.image = image;
        scene.imagePos = QPoint(part.left() * z, part.top() * z);
        scene.scale = z;
        scene.imageOpaque = true;
    }
    paintMagnified(painter, exposed, scene, cache);
}
