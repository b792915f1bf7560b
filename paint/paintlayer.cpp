#include "paint/paintlayer.h"

#include "dialogs/gridsetting.h"
#include "paint/paintstats.h"
#include "simlink/layerblock.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// The top-left `target` pixels of the image scaled to `scaled` (nearest
// neighbour), made without the rest of the scaled image.
QImage stretchedPart(const QImage &image, QSize scaled, QSize target)
{
    const QSize size = target.boundedTo(scaled);
    if (image.isNull() || size.isEmpty())
        return QImage();
    // Indices without a palette entry show as transparent, as in every
    // paint: the table says so itself rather than leaving it to the
    // conversion while drawing.
    QImage source = image;
    if (source.format() == QImage::Format_Indexed8 && source.colorCount() < 256) {
        QVector<QRgb> table = source.colorTable();
        table.resize(256, 0u);
        source.setColorTable(table);
    }
    QImage part(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&part);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(0, 0), scaled), source);
    return part;
}

} // namespace

PaintLayer::PaintLayer(QWidget *parent, PaintSource *source)
    : PaintWidget(parent, source)
{
}

QVector<QRgb> PaintLayer::paletteFor(const LayerLayout &layout) const
{
    if (!layout.indexed)
        return QVector<QRgb>();
    return view->layerPalette();
}

CImage PaintLayer::readImage(int left, int top, int right, int bottom)
{
    const LayerLayout layout = view->Layout();
    if (layout.block.isNull())
        return CImage();
    return readLayerImage(layout, paletteFor(layout), CurrentRules(), left, top, right, bottom);
}

CImage PaintLayer::contentImage()
{
    const QRect r = contentRect(view->GetVisibleSize(), view->zoomFactor(), view->GetScrollPos(), layerWidth(),
                                layerHeight());
    if (r.isEmpty())
        return CImage();
    return readImage(r.left(), r.top(), r.right(), r.bottom());
}

QSize PaintLayer::contentSize()
{
    return contentRect(view->GetVisibleSize(), view->zoomFactor(), view->GetScrollPos(), layerWidth(), layerHeight())
        .size();
}

CImage PaintLayer::selectionImage()
{
    const QRect sel = validSelection();
    if (!sel.isValid())
        return CImage();
    return readImage(sel.left(), sel.top(), sel.right(), sel.bottom());
}

QRgb PaintLayer::pixelColor(int x, int y)
{
    const LayerLayout layout = view->Layout();
    if (layout.block.isNull())
        return 0;
    return readPixelColor(layout, paletteFor(layout), CurrentRules(), x, y);
}

int PaintLayer::pixelIndex(int x, int y)
{
    return readPixelIndex(view->Layout(), x, y);
}

int PaintLayer::layerWidth()
{
    return view->imageSize().width();
}

int PaintLayer::layerHeight()
{
    return view->imageSize().height();
}

bool PaintLayer::isVirtual()
{
    return false;
}

void PaintLayer::paintEvent(QPaintEvent *event)
{
    paintstats::countPaint(this, isVirtual() ? "virtual" : "layer");
    QPainter painter(this);
    MagnifyScene scene = baseScene();
    const bool followsSettings = setLayerBackground(scene);
    const QRect exposed = event->rect() & rect();
    // Only alternating tiles are checked pixel by pixel; a solid colour or
    // still tiles count as showing, so that a change to alternating tiles
    // repaints them.
    const bool check = scene.background == MagnifyScene::TiledBackground
                       && view->paintSettings().transDrawMode == TransModeAlternating;
    const auto note = [&] {
        noteBackground(event->region(), followsSettings && (!check || backgroundShows(exposed, scene)));
    };

    // With a background every pixel is painted opaquely, so Qt need not fill
    // the widget first. The attribute acts from the next paint on; a paint
    // that loses it fills as Qt would have.
    const bool opaque = scene.background != MagnifyScene::NoBackground;
    if (opaque != testAttribute(Qt::WA_OpaquePaintEvent)) {
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
        if (!opaque)
            painter.fillRect(exposed, palette().brush(backgroundRole()));
    }

    // A view without a block (it vanished before the view was built) shows
    // its background and, like every view, the grid.
    if (!view->GetRecord().isNull())
        placeImage(scene, exposed);
    note();
    paintMagnified(painter, exposed, scene, cache);
}

void PaintLayer::placeImage(MagnifyScene &scene, const QRect &exposed)
{
    const int z = scene.zoom;
    const QSize visible = view->GetVisibleSize();
    const QRect content = contentRect(visible, z, view->GetScrollPos(), layerWidth(), layerHeight());
    const QSize target((visible.width() / z) * z, (visible.height() / z) * z);
    if (content.isEmpty() || target.isEmpty())
        return;
    const QSize scaled = content.size().scaled(target, Qt::KeepAspectRatioByExpanding);
    if (scaled == QSize(content.width() * z, content.height() * z)) {
        // Whole zoom blocks: read only the layer pixels under the exposed
        // rectangle and magnify them while drawing.
        const QRect part = exposedPixels(content, scene.origin, z, exposed);
        if (part.isEmpty())
            return;
        CImage image = readImage(part.left(), part.top(), part.right(), part.bottom());
        finishImage(image);
        scene.image = image;
        scene.imagePos = QPoint(scene.origin.x() + (part.left() - content.left()) * z,
                                scene.origin.y() + (part.top() - content.top()) * z);
        scene.scale = z;
        return;
    }
    // The layer grew past the view's image size: the visible part is
    // stretched, keeping its aspect ratio, until it covers the target. Only
    // the target's part of that stretch is made: a layer grown to a far
    // other shape reaches far beyond it.
    CImage image = contentImage();
    finishImage(image);
    scene.image = stretchedPart(image, scaled, target);
    scene.imagePos = scene.origin;
    scene.scale = 1;
}

PaintVirt::PaintVirt(QWidget *parent, PaintSource *source)
    : PaintLayer(parent, source)
{
}

bool PaintVirt::isVirtual()
{
    return true;
}

QPoint PaintVirt::inputOrigin()
{
    const BlockView record = view->GetRecord();
    return QPoint(simlink::xOrg(record), simlink::yOrg(record));
}
