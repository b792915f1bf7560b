#include "selection/selectionrect.h"

#include "selection/selectionhost.h"
#include "selection/selectionwidget.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QTimer>

#include <cstdlib>

namespace {

constexpr int BlinkMs = 500;

QPoint divided(const QPoint &p, int z)
{
    return QPoint(p.x() / z, p.y() / z);
}

// Image pixel to widget pixel, computed in 64 bits and kept within widget
// coordinates, so an absurd layer size from the simulation cannot overflow.
QPoint zoomed(const QPoint &p, int z)
{
    const auto one = [z](int v) {
        return int(qBound(-qint64(QWIDGETSIZE_MAX), qint64(v) * z, qint64(QWIDGETSIZE_MAX)));
    };
    return QPoint(one(p.x()), one(p.y()));
}

} // namespace

int RoundToZoom(int v, int zoom)
{
    if (zoom < 1)
        zoom = 1;
    const int rest = v % zoom;
    return rest > 0 ? v - rest : v;
}

SelectionRect::SelectionRect(const QPoint &s, int z, SelectionHost *h)
    : QWidget(h->SelectionParent())
    , host(h)
    , paintWidget(h->SelectionParent())
    , selectionWidget(h->SelectionStrip())
    , start(s)
    , end(s)
    , zoom(qMax(1, z))
{
    setAttribute(Qt::WA_MouseTracking);
    setWindowFlags(windowFlags() | Qt::SubWindow);
    // Empty until SetEnd: a corner and no size.
    setGeometry(QRect(zoomed(s, zoom), QSize()));

    area = new SelectionArea(this);
    area->move(0, 0);
    area->show();
    show();

    blinkTimer = new QTimer(this);
    connect(blinkTimer, &QTimer::timeout, this, &SelectionRect::OnTimer);
    blinkTimer->start(BlinkMs);
}

SelectionRect::~SelectionRect()
{
    if (selectionWidget)
        selectionWidget->Clear();
    blinkTimer->stop();
    if (cursorPushed)
        QApplication::restoreOverrideCursor();
    if (host)
        host->SelectionChanged(QRect());
}

void SelectionRect::SetEnd(const QPoint &pixel)
{
    end = pixel;
    ComputeGeometry();
    ShowInStrip();
}

void SelectionRect::MoveTo(int x, int y)
{
    const QPoint p(x / zoom, y / zoom);
    const QPoint d = end - start;
    start = p;
    end = p + QPoint(std::abs(d.x()), std::abs(d.y()));
    move(zoomed(start, zoom));
    NotifyHost();
}

void SelectionRect::ResizeTo(int w, int h)
{
    resize(w, h);
    end = start + QPoint(w / zoom, h / zoom);
    SyncGeometry();
}

void SelectionRect::SetZoom(int z)
{
    zoom = qMax(1, z);
    area->update();
    ComputeGeometry();
}

bool SelectionRect::IsEmpty() const
{
    return width() < 1 || height() < 1;
}

bool SelectionRect::IsValid() const
{
    const QSize s = GetSize();
    return !IsEmpty() && s.width() >= 1 && s.height() >= 1;
}

QSize SelectionRect::GetSize() const
{
    return QSize(std::abs(end.x() - start.x()), std::abs(end.y() - start.y()));
}

QPoint SelectionRect::GetTopLeft() const
{
    return divided(pos(), zoom);
}

QRect SelectionRect::GetRect() const
{
    return QRect(GetTopLeft(), GetSize());
}

void SelectionRect::ComputeGeometry()
{
    // Ordered by hand: QRect::normalized() would pull swapped corners in by
    // one pixel, so a selection drawn up-left would differ from one drawn
    // down-right.
    const QPoint a = zoomed(start, zoom);
    const QPoint b = zoomed(end, zoom);
    setGeometry(QRect(QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())),
                      QPoint(qMax(a.x(), b.x()), qMax(a.y(), b.y()))));
    // The resize event follows only while the widget is visible; the area,
    // strip and host must follow in every case.
    SyncGeometry();
}

void SelectionRect::SyncGeometry()
{
    if (!IsEmpty())
        area->resize(RoundToZoom(width(), zoom), RoundToZoom(height(), zoom));
    ShowInStrip();
    NotifyHost();
}

void SelectionRect::ShowInStrip()
{
    if (!selectionWidget)
        return;
    // A selection of zero width or height (a line) shows its numbers and can
    // be edited; only one of no size at all (a click without a drag) shows
    // as none.
    const QSize s = GetSize();
    if (s.isNull()) {
        selectionWidget->Clear();
        return;
    }
    const QPoint tl = GetTopLeft();
    selectionWidget->SetValues(tl.x(), tl.y(), s.width(), s.height());
}

void SelectionRect::ReportStatus(const QPoint &pixel, StatusKind kind)
{
    if (host)
        host->ReportSelectionStatus(pixel, kind);
}

void SelectionRect::NotifyHost()
{
    if (host)
        host->SelectionChanged(IsValid() ? GetRect() : QRect());
}

void SelectionRect::OnTimer()
{
    blinkPhase = !blinkPhase;
    update();
    area->update();
    blinkTimer->start(BlinkMs);
}

void SelectionRect::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = true;
    lastGlobalPos = event->globalPosition().toPoint();
}

void SelectionRect::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

void SelectionRect::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (!dragging) {
        ReportStatus(GetTopLeft() + divided(event->position().toPoint(), zoom), StatusInSelection);
        return;
    }

    // Whole image pixels only; the rest of the travel carries over.
    moveRemainder += global - lastGlobalPos;
    const QPoint steps = divided(moveRemainder, zoom);
    moveRemainder -= steps * zoom;

    QPoint q = pos() + steps * zoom;
    q = divided(q, zoom) * zoom;

    // Stay wholly inside the paint widget.
    const int W = paintWidget->width();
    const int H = paintWidget->height();
    const QSize size = GetSize();
    q.setX(qBound(0, q.x(), qMax(0, W - 1)));
    q.setY(qBound(0, q.y(), qMax(0, H - 1)));
    const QPoint span = zoomed(QPoint(size.width(), size.height()), zoom);
    if (qint64(q.x()) + span.x() > W)
        q.setX(qMax(0, W - span.x()));
    if (qint64(q.y()) + span.y() > H)
        q.setY(qMax(0, H - span.y()));

    MoveTo(q.x(), q.y());
    lastGlobalPos = global;
    ReportStatus(GetTopLeft(), StatusSelectionMoved);
    ShowInStrip();
}

void SelectionRect::enterEvent(QEnterEvent *)
{
    if (IsEmpty() || cursorPushed)
        return;
    QApplication::setOverrideCursor(QCursor(Qt::SizeAllCursor));
    cursorPushed = true;
}

void SelectionRect::leaveEvent(QEvent *)
{
    // Restores exactly the cursor this selection pushed, even when it has
    // become empty since.
    if (!cursorPushed)
        return;
    QApplication::restoreOverrideCursor();
    cursorPushed = false;
}

void SelectionRect::resizeEvent(QResizeEvent *)
{
    if (IsEmpty())
        return;
    area->resize(RoundToZoom(width(), zoom), RoundToZoom(height(), zoom));
    ShowInStrip();
}

SelectionArea::SelectionArea(SelectionRect *o)
    : QRubberBand(QRubberBand::Rectangle, o)
    , owner(o)
{
}

SelectionArea::~SelectionArea() = default;

void SelectionArea::paintEvent(QPaintEvent *)
{
    const QRect r(0, 0, width() - 1, height() - 1);
    const QColor first = owner->BlinkPhase() ? QColor(Qt::black) : QColor(Qt::white);
    const QColor second = owner->BlinkPhase() ? QColor(Qt::white) : QColor(Qt::black);

    QPainter painter(this);
    QPen pen(Qt::DashLine);
    pen.setCosmetic(true);
    pen.setDashPattern({3.5, 3.5});
    const QColor colours[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        pen.setColor(colours[i]);
        pen.setDashOffset(i == 0 ? 0 : 4);
        painter.setPen(pen);
        painter.drawRects(&r, 1);
    }
}
