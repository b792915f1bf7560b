#include "paint/paintwidget.h"

#include "dialogs/artwork.h"
#include "dialogs/gridsetting.h"

#include <algorithm>

int zoomedExtent(qint64 size, qint64 zoom)
{
    if (size <= 0 || zoom <= 0)
        return 0;
    // Both factors are 32-bit values, so the product fits in 64 bits.
    return int(qMin<qint64>(size * zoom, QWIDGETSIZE_MAX));
}

QSize zoomedSize(qint64 width, qint64 height, qint64 zoom)
{
    return QSize(zoomedExtent(width, zoom), zoomedExtent(height, zoom));
}

PaintWidget::PaintWidget(QWidget *parent, PaintSource *source)
    : QWidget(parent)
    , view(source)
{
    setAttribute(Qt::WA_MouseTracking);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    overlays.append(&diffOverlay);
}

PaintWidget::~PaintWidget()
{
    // The selection notifies this widget as it goes, so it goes while the
    // widget is still whole; the tools' cursors are restored with them.
    selectionTool.remove();
}

QSize PaintWidget::sizeHint() const
{
    const QSize held = view->heldImageExtent();
    return zoomedSize(held.width(), held.height(), view->zoomFactor());
}

void PaintWidget::setSelectedRect(const QRect &rect)
{
    const QRect next = rect.isValid() ? rect : QRect();
    if (next == selectedRect)
        return;
    selectedRect = next;
    update();
}

ImageRules PaintWidget::CurrentRules() const
{
    return view->paintSettings().rules;
}

MagnifyScene PaintWidget::baseScene() const
{
    MagnifyScene s;
    s.widgetSize = size();
    s.zoom = qMax(1, view->zoomFactor());
    const QSize scroll = view->GetScrollPos();
    s.origin = QPoint(scroll.width(), scroll.height());
    const PaintGrid grid = view->grid();
    s.grid = grid.on;
    s.gridMode = grid.mode;
    s.gridColor = grid.color;
    return s;
}

void PaintWidget::RepaintBackground()
{
    backgroundShown &= rect();
    if (!backgroundShown.isEmpty())
        update(backgroundShown);
}

void PaintWidget::noteBackground(const QRegion &painted, bool shows)
{
    if (shows)
        backgroundShown += painted;
    else
        backgroundShown -= painted;
}

bool PaintWidget::setLayerBackground(MagnifyScene &scene) const
{
    const PaintSettings w = view->paintSettings();
    const unsigned layers = w.rules.layerCount;
    if (layers > 1) {
        if (w.transDrawMode == TransModeColored) {
            scene.background = MagnifyScene::SolidBackground;
            scene.solidColor = w.transDrawColor | 0xFF000000u;
        } else {
            scene.background = MagnifyScene::TiledBackground;
            scene.tile = TransparencyTile(w.transPhase);
        }
        return true;
    }
    if (layers == 1) {
        scene.background = MagnifyScene::SolidBackground;
        scene.solidColor = 0xFF000000u;
    }
    return false;
}

void PaintWidget::addOverlay(PaintOverlay *overlay)
{
    if (overlay && !overlays.contains(overlay)) {
        overlays.append(overlay);
        update();
    }
}

void PaintWidget::removeOverlay(PaintOverlay *overlay)
{
    if (overlays.removeAll(overlay) > 0)
        update();
}

void PaintWidget::updatePixels(const QRect &pixels)
{
    if (pixels.isEmpty())
        return;
    const qint64 z = qMax(1, view->zoomFactor());
    const QRect widget = rect();
    // In 64 bits, cut to the widget, so no far pixel overflows.
    const auto cut = [](qint64 v, int extent) { return std::clamp<qint64>(v, 0, extent); };
    const qint64 l = cut(pixels.left() * z, widget.width());
    const qint64 t = cut(pixels.top() * z, widget.height());
    const qint64 r = cut((qint64(pixels.right()) + 1) * z, widget.width());
    const qint64 b = cut((qint64(pixels.bottom()) + 1) * z, widget.height());
    if (r > l && b > t)
        update(QRect(int(l), int(t), int(r - l), int(b - t)));
}

bool PaintWidget::imageFinished() const
{
    if (view->paintSettings().highlightSelection && validSelection().isValid())
        return true;
    for (const PaintOverlay *overlay : overlays) {
        if (overlay->isActive())
            return true;
    }
    return false;
}

void PaintWidget::finishImage(CImage &image)
{
    if (image.isNull())
        return;
    const QRect sel = validSelection();
    const bool shade = view->paintSettings().highlightSelection && sel.isValid();
    for (PaintOverlay *overlay : std::as_const(overlays)) {
        if (!overlay->isActive())
            continue;
        if (image.colorCount() != 0)
            image = image.toArgb32();
        if (image.isNull())
            return;
        overlay->apply(image);
    }
    if (!shade)
        return;
    if (image.colorCount() != 0)
        image = image.toArgb32();
    if (!image.isNull())
        image.shadeOutside(sel.left(), sel.top(), sel.right(), sel.bottom());
}

QRect PaintWidget::exposedPixels(const QRect &pixels, QPoint at, int zoom, const QRect &exposed)
{
    if (pixels.isEmpty() || exposed.isEmpty() || zoom < 1)
        return QRect();
    const qint64 x0 = qMax<qint64>(at.x(), exposed.left());
    const qint64 y0 = qMax<qint64>(at.y(), exposed.top());
    const qint64 x1 = qMin<qint64>(qint64(at.x()) + qint64(pixels.width()) * zoom - 1, exposed.right());
    const qint64 y1 = qMin<qint64>(qint64(at.y()) + qint64(pixels.height()) * zoom - 1, exposed.bottom());
    if (x1 < x0 || y1 < y0)
        return QRect();
    return QRect(QPoint(pixels.left() + int((x0 - at.x()) / zoom), pixels.top() + int((y0 - at.y()) / zoom)),
                 QPoint(pixels.left() + int((x1 - at.x()) / zoom), pixels.top() + int((y1 - at.y()) / zoom)));
}
