// The pointer side of PaintWidget: the event handlers dispatch to the hand
// tool, the selection tool or the pointer input, and report the status.
#include "paint/paintwidget.h"

#include "paint/pointerinput.h"
#include "paint/pointersource.h"
#include "paint/statustext.h"
#include "selection/selectionrect.h"
#include "selection/selectionwidget.h"

#include <QMouseEvent>

namespace {

// Image pixel to widget pixel, kept within widget coordinates.
int zoomedCoord(int v, int zoom)
{
    return int(qBound(-qint64(QWIDGETSIZE_MAX), qint64(v) * zoom, qint64(QWIDGETSIZE_MAX)));
}

} // namespace

PointerSource *PaintWidget::tools() const
{
    return view->pointerSource();
}

QPoint PaintWidget::inputOrigin()
{
    return QPoint(0, 0);
}

QPoint PaintWidget::pixelAt(const QPointF &pos) const
{
    const int z = qMax(1, view->zoomFactor());
    const QPoint p = pos.toPoint();
    return QPoint(p.x() / z, p.y() / z);
}

void PaintWidget::showPointerStatus(const QPoint &p, StatusKind kind)
{
    PointerSource *t = tools();
    if (!t)
        return;
    PointerStatus s;
    s.kind = kind;
    s.x = p.x();
    s.y = p.y();
    s.layerWidth = layerWidth();
    s.layerHeight = layerHeight();
    if (!StatusPixelInside(s.x, s.y, s.layerWidth, s.layerHeight))
        return;
    s.title = view->GetTitle();
    if (kind <= StatusInSelection) {
        s.color = pixelColor(s.x, s.y);
        s.index = t->IsIndexed() ? pixelIndex(s.x, s.y) : -1;
    }
    s.layerCount = int(qMin<unsigned>(view->paintSettings().rules.layerCount, INT_MAX));
    s.pointerState = pointerState;
    s.selection = selectionTool.rect();
    view->ShowStatus(PointerStatusText(s));
}

void PaintWidget::setSelection(int left, int top, int right, int bottom)
{
    const int z = qMax(1, view->zoomFactor());
    if (SelectionRect *s = selectionTool.current()) {
        s->MoveTo(zoomedCoord(left, z), zoomedCoord(top, z));
        s->ResizeTo(zoomedCoord(right - left + 1, z), zoomedCoord(bottom - top + 1, z));
        // Also a selection of zero width or height: the strip shows what was
        // asked for, as the selection itself does.
        if (SelectionWidget *strip = SelectionStrip())
            strip->SetValues(left, top, right - left + 1, bottom - top + 1);
        return;
    }
    if (PointerSource *t = tools())
        t->SwitchSelectionToolOn();
    selectionTool.create(QPoint(left, top), QPoint(right + 1, bottom + 1), z);
}

void PaintWidget::removeSelection()
{
    selectionTool.remove();
    update();
}

void PaintWidget::rescaleSelection(int zoom)
{
    selectionTool.rescale(zoom);
}

void PaintWidget::handSwitchedOff()
{
    hand.leave();
}

void PaintWidget::selectionSwitchedOff()
{
    selectionTool.leave();
    removeSelection();
}

QWidget *PaintWidget::SelectionParent()
{
    return this;
}

SelectionWidget *PaintWidget::SelectionStrip()
{
    PointerSource *t = tools();
    return t ? t->GetSelectionWidget() : nullptr;
}

void PaintWidget::ReportSelectionStatus(const QPoint &pixel, StatusKind kind)
{
    showPointerStatus(pixel, kind);
}

void PaintWidget::SelectionChanged(const QRect &rect)
{
    setSelectedRect(rect);
}

void PaintWidget::enterEvent(QEnterEvent *)
{
    PointerSource *t = tools();
    if (!t)
        return;
    if (t->HandToolOn())
        hand.enter();
    if (t->SelectionToolOn())
        selectionTool.enter();
    if (!t->ZoomPopupHasFocus())
        setFocus(Qt::OtherFocusReason);
}

void PaintWidget::leaveEvent(QEvent *)
{
    hand.leave();
    selectionTool.leave();
    if (PointerSource *t = tools()) {
        view->ShowStatus(MouseMovedOutText());
        t->HighlightIndex(0xFFFF);
    }
}

void PaintWidget::mousePressEvent(QMouseEvent *event)
{
    PointerSource *t = tools();
    // A move with the button held comes here too (pointerState 1).
    if (!t || (event->button() != Qt::LeftButton && pointerState != 1))
        return;
    const bool dragging = pointerState == 1;
    pointerState = 1;
    lastGlobalPos = event->globalPosition().toPoint();
    const QPoint p = pixelAt(event->position());
    if (t->HandToolOn()) {
        if (!dragging)
            hand.press();
        showPointerStatus(p, StatusHand);
    } else if (t->SelectionToolOn()) {
        // A boundary: one past the last pixel ends a selection on the edge.
        const QPoint at(qBound(0, p.x(), qMax(0, layerWidth())), qBound(0, p.y(), qMax(0, layerHeight())));
        selectionTool.press(at, view->zoomFactor(), dragging);
        update();
        showPointerStatus(at, StatusSelecting);
    } else {
        showPointerStatus(p, StatusPointer);
        SendPointerInput(view->GetRecord(), view->RecordLayer(), p, inputOrigin(), true);
    }
}

void PaintWidget::mouseReleaseEvent(QMouseEvent *event)
{
    PointerSource *t = tools();
    if (!t || event->button() != Qt::LeftButton)
        return;
    pointerState = 2;
    const QPoint p = pixelAt(event->position());
    if (t->HandToolOn()) {
        hand.release();
    } else if (t->SelectionToolOn()) {
        showPointerStatus(p, StatusHand);
    } else {
        showPointerStatus(p, StatusPointer);
        SendPointerInput(view->GetRecord(), view->RecordLayer(), p, inputOrigin(), false);
    }
}

void PaintWidget::mouseMoveEvent(QMouseEvent *event)
{
    PointerSource *t = tools();
    if (!t)
        return;
    const QPoint p = pixelAt(event->position());
    if (event->position().x() >= 0 && event->position().y() >= 0 && p.x() < layerWidth() && p.y() < layerHeight())
        Q_EMIT pixelHovered(p);
    if (t->HandToolOn()) {
        if (pointerState == 1) {
            const QPoint d = HandTool::dragStep(lastGlobalPos, event->globalPosition().toPoint());
            t->ScrollBy(d.x(), d.y());
            update();
        }
        showPointerStatus(p, StatusHand);
        return;
    }
    if (t->SelectionToolOn() && pointerState == 0) {
        showPointerStatus(p, StatusSelectionHover);
        return;
    }
    if (pointerState == 1) {
        mousePressEvent(event);
        return;
    }
    pointerState = 0;
    showPointerStatus(p, StatusPointer);
    if (!t->SelectionToolOn())
        SendPointerInput(view->GetRecord(), view->RecordLayer(), p, inputOrigin(), false);
    if (p.x() >= 0 && p.y() >= 0)
        t->HighlightIndex(pixelIndex(p.x(), p.y()));
}
