#include "referencepaint.h"

#include "rawdecode.h"

#include "views/viewhost.h"
#include "dialogs/artwork.h"
#include "paint/paintwidget.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewwidget.h"

#include <QPainter>
#include <QRegion>

namespace {

rawdecode::Block blockOf(ViewWidget *view)
{
    const BlockView b = view->GetRecord();
    return rawdecode::Block{b.base(), b.size()};
}

rawdecode::Rules rules()
{
    return rawdecode::Rules{mainWindow()->alphaMode, mainWindow()->layerCount};
}

// Black of alpha 100 over everything of the image outside the selection
// (image rect XOR selection, both in image coordinates).
void shade(PaintWidget *widget, QImage &image, QPoint imageOrigin)
{
    const QRect sel = widget->validSelection();
    if (!mainWindow()->highlightSelection || !sel.isValid() || image.isNull())
        return;
    const QRegion outside = QRegion(image.rect()) ^ QRegion(sel.translated(-imageOrigin));
    QPainter p(&image);
    for (const QRect &r : outside)
        p.fillRect(r, QColor(0, 0, 0, 100));
}

// Every pixel repeated z x z times.
QImage magnified(const QImage &image, int z)
{
    const QImage source = image.depth() == 32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    QImage out(source.width() * z, source.height() * z, source.format());
    for (int y = 0; y < out.height(); ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(source.constScanLine(y / z));
        QRgb *to = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            to[x] = from[x / z];
    }
    return out;
}

} // namespace

void referenceBackground(QPainter &p, PaintWidget *widget)
{
    ViewHost *mw = mainWindow();
    const QRect whole = widget->rect();
    if (mw->layerCount > 1) {
        if (mw->transDrawMode == 2)
            p.fillRect(whole, QColor(QRgb(mw->transDrawColor)));
        else
            p.fillRect(whole, QBrush(TransparencyTile(mw->transPhase)));
    } else if (mw->layerCount == 1) {
        p.fillRect(whole, Qt::black);
    }
}

void referenceGrid(QPainter &p, PaintWidget *widget)
{
    ViewWidget *v = static_cast<ViewWidget *>(widget->View());
    const int z = v->GetZoom();
    if (!v->gridOn || z < 3)
        return;
    const QPainter::CompositionMode mode = p.compositionMode();
    if (v->gridMode == 0) {
        p.setPen(QColor(QRgb(v->gridColor)));
    } else {
        p.setPen(QPen());
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    }
    const QSize scroll = v->GetScrollPos();
    const int ox = scroll.width();
    const int oy = scroll.height();
    const int w = widget->width();
    const int h = widget->height();
    for (int y = oy; y < oy + h; y += z)
        p.drawLine(ox, y, ox + w, y);
    for (int x = ox; x < ox + w; x += z) {
        if (v->gridMode == 0) {
            p.drawLine(x, oy, x, oy + h);
            continue;
        }
        for (int k = 0; oy + k * z < oy + h; ++k)
            p.drawLine(x, oy + k * z + 1, x, oy + (k + 1) * z - 1);
    }
    p.setCompositionMode(mode);
}

void referencePaintLayer(QPainter &p, PaintWidget *widget)
{
    ViewWidget *v = static_cast<ViewWidget *>(widget->View());
    referenceBackground(p, widget);
    if (!v->GetRecord().isNull()) {
        // The shown part of the image: viewport and scroll position in
        // whole image pixels, the size capped at the image.
        const int z = v->GetZoom();
        const QSize scroll = v->GetScrollPos();
        const QSize visible = v->GetVisibleSize();
        const QRect shown(scroll.width() / z, scroll.height() / z, qMin(visible.width() / z, v->imageWidth),
                          qMin(visible.height() / z, v->imageHeight));
        const rawdecode::Block block = blockOf(v);
        QImage image = widget->isVirtual() ? rawdecode::virtualImage(block, rules(), shown)
                                           : rawdecode::visibleImage(block, rules(), shown);
        shade(widget, image, shown.topLeft());
        if (!image.isNull())
            p.drawImage(QPoint(scroll.width(), scroll.height()), magnified(image, z));
    }
    referenceGrid(p, widget);
}

void referencePaintComposite(QPainter &p, PaintWidget *widget, const QList<int> &leftOut)
{
    ViewWidget *v = static_cast<ViewWidget *>(widget->View());
    const int z = v->GetZoom();
    const QSize scroll = v->GetScrollPos();
    const QSize visible = v->GetVisibleSize();
    const QRect shown(scroll.width() / z, scroll.height() / z, visible.width() / z, visible.height() / z);
    QList<rawdecode::Block> layers;
    if (auto *composite = qobject_cast<ViewComposite *>(v))
        for (ViewLayer *layer : composite->LayerViews())
            layers << blockOf(layer);
    QImage image = rawdecode::compositeImage(layers, rules(), shown, leftOut);
    shade(widget, image, shown.topLeft());
    if (!image.isNull())
        p.drawImage(QPoint(z * shown.x(), z * shown.y()), magnified(image, z));
    referenceGrid(p, widget);
}
