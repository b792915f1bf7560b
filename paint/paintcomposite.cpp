#include "paint/paintcomposite.h"

#include "paint/paintstats.h"

#include <QPaintEvent>
#include <QPainter>

PaintComposite::PaintComposite(QWidget *parent, PaintSource *source)
    : PaintWidget(parent, source)
{
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
