#include "paint/paintcomposite.h"

#include "views/viewcomposite.h"
#include "views/viewlayer.h"

#include <QPaintEvent>
#include <QPainter>

PaintComposite::PaintComposite(ViewComposite *view)
    : PaintWidget(view)
    , compositeView(view)
{
}

CImage PaintComposite::readImage(int left, int top, int right, int bottom)
{
    const QList<ViewLayer *> &views = compositeView->LayerViews();
    if (views.isEmpty())
        return CImage();
    QList<CompositeLayer> layers;
    layers.reserve(views.size());
    for (ViewLayer *v : views) {
        CompositeLayer layer;
        layer.layout = v->Layout();
        if (layer.layout.indexed)
            layer.palette = v->GetPalette();
        layers.append(layer);
    }
    return readCompositeImage(layers, views.first()->GetRecord(), CurrentRules(), left, top, right, bottom);
}

CImage PaintComposite::contentImage()
{
    if (layerWidth() <= 0 || layerHeight() <= 0)
        return CImage();
    return readImage(0, 0, layerWidth() - 1, layerHeight() - 1);
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
    return view->imageWidth;
}

int PaintComposite::layerHeight()
{
    return view->imageHeight;
}

bool PaintComposite::isVirtual()
{
    return false;
}

void PaintComposite::paintEvent(QPaintEvent *event)
{
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
    if (!part.isEmpty()) {
        CImage image = readImage(part.left(), part.top(), part.right(), part.bottom());
        shadeSelection(image, false);
        scene.image = image;
        scene.imagePos = QPoint(part.left() * z, part.top() * z);
        scene.scale = z;
        scene.imageOpaque = true;
    }
    paintMagnified(painter, exposed, scene, cache);
}
