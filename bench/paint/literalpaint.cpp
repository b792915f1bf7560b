#include "literalpaint.h"
#include "referencepaint.h"

#include "dialogs/artwork.h"
#include "paint/paintwidget.h"
#include "views/viewhost.h"
#include "views/viewwidget.h"

#include <QPainter>

namespace {

void shade(PaintWidget *widget, CImage &image, bool convert)
{
    const QRect sel = widget->validSelection();
    if (!mainWindow()->highlightSelection || !sel.isValid() || image.isNull())
        return;
    if (convert && image.colorCount() != 0)
        image = image.toArgb32();
    image.shadeOutside(sel.left(), sel.top(), sel.right(), sel.bottom());
}

} // namespace

void literalPaintLayer(QPainter &p, PaintWidget *widget)
{
    ViewWidget *v = static_cast<ViewWidget *>(widget->View());
    referenceBackground(p, widget);
    if (v->GetRecord().isNull()) {
        referenceGrid(p, widget);
        return;
    }
    const QSize scroll = v->GetScrollPos();
    CImage image = widget->contentImage();
    shade(widget, image, true);
    const int z = v->GetZoom();
    const QSize visible = v->GetVisibleSize();
    const QSize target((visible.width() / z) * z, (visible.height() / z) * z);
    // Qt's nearest-neighbour scaling of an 8-bit indexed image drifts by one
    // source pixel at some block edges (zoom 3, 5, 6, 10, 12 on wide images),
    // so an indexed image is expanded to 32 bits first: then every image
    // pixel becomes exactly one zoom x zoom block, as intended. Drawing the
    // expanded image blends exactly as drawing the indexed one.
    const QImage source = image.format() == QImage::Format_Indexed8 ? image.convertToFormat(QImage::Format_ARGB32) : image;
    const QImage scaled = source.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::FastTransformation);
    p.drawImage(QPoint(scroll.width(), scroll.height()), scaled);
    referenceGrid(p, widget);
}

void literalPaintComposite(QPainter &p, PaintWidget *widget)
{
    ViewWidget *v = static_cast<ViewWidget *>(widget->View());
    const int z = v->GetZoom();
    const QSize scroll = v->GetScrollPos();
    const QSize visible = v->GetVisibleSize();
    const QPoint pos(scroll.width() / z, scroll.height() / z);
    const QSize size(visible.width() / z, visible.height() / z);
    CImage image = widget->readImage(pos.x(), pos.y(), pos.x() + size.width() - 1, pos.y() + size.height() - 1);
    shade(widget, image, false);
    const QImage scaled = image.scaled(z * size.width(), z * size.height(), Qt::KeepAspectRatioByExpanding,
                                       Qt::FastTransformation);
    p.drawImage(QPoint(z * pos.x(), z * pos.y()), scaled);
    referenceGrid(p, widget);
}
