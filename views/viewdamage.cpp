#include "views/viewdamage.h"

#include "paint/paintwidget.h"
#include "simlink/layerblock.h"
#include "views/viewwidget.h"

#include <QEvent>
#include <QPaintEvent>

#include <climits>

namespace {

// Device pixels of margin around the shown part: a scroll by a wheel step
// keeps the copy.
constexpr int MarginPixels = 16;

// A rectangle of 64-bit corners cut to what a QRect holds.
QRect boundedRect(qint64 left, qint64 top, qint64 right, qint64 bottom)
{
    const qint64 lo = INT_MIN / 2, hi = INT_MAX / 2;
    left = qBound(lo, left, hi);
    top = qBound(lo, top, hi);
    right = qBound(lo, right, hi);
    bottom = qBound(lo, bottom, hi);
    if (right < left || bottom < top)
        return QRect();
    return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
}

} // namespace

namespace damage {

QRegion spansRegion(const QVector<ChangedSpan> &spans, QPoint offset, int zoom)
{
    // Spans come row by row, top down, one per row: consecutive rows with
    // the same columns become one rectangle, and the rectangles are then
    // banded as QRegion requires.
    QVector<QRect> rects;
    for (const ChangedSpan &s : spans) {
        const QRect r = boundedRect((qint64(s.first) + offset.x()) * zoom, (qint64(s.row) + offset.y()) * zoom,
                                    (qint64(s.last) + offset.x() + 1) * zoom - 1,
                                    (qint64(s.row) + offset.y() + 1) * zoom - 1);
        if (r.isEmpty())
            continue;
        if (!rects.isEmpty() && rects.last().left() == r.left() && rects.last().right() == r.right()
            && rects.last().bottom() + 1 == r.top())
            rects.last().setBottom(r.bottom());
        else
            rects.append(r);
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

QRect wholeBlocks(const QRect &rect, int zoom)
{
    if (rect.isEmpty() || zoom < 1)
        return QRect();
    // Rounded inwards: a block only partly painted still shows old pixels.
    const auto up = [zoom](qint64 v) { return v >= 0 ? (v + zoom - 1) / zoom : -((-v) / zoom); };
    const auto down = [zoom](qint64 v) { return v >= 0 ? v / zoom : -((-v + zoom - 1) / zoom); };
    return boundedRect(up(rect.left()), up(rect.top()), down(qint64(rect.right()) + 1) - 1,
                       down(qint64(rect.bottom()) + 1) - 1);
}

QRect touchedBlocks(const QRect &rect, int zoom)
{
    if (rect.isEmpty() || zoom < 1)
        return QRect();
    const auto down = [zoom](qint64 v) { return v >= 0 ? v / zoom : -((-v + zoom - 1) / zoom); };
    return boundedRect(down(rect.left()), down(rect.top()), down(rect.right()), down(rect.bottom()));
}

QRect withMargin(const QRect &rect, int margin, const QRect &bounds)
{
    return rect | (rect.adjusted(-margin, -margin, margin, margin) & bounds);
}

qint64 spanPixels(const QVector<ChangedSpan> &spans)
{
    qint64 n = 0;
    for (const ChangedSpan &s : spans)
        n += qint64(s.last) - s.first + 1;
    return n;
}

} // namespace damage

namespace {

// Changes in a row of three quarters of the shown pixels make the search
// rest, first for FirstRest changes.
constexpr int BusyStreak = 2;
constexpr int FirstRest = 30;
constexpr int LongestRest = 600;

} // namespace

void ViewDamage::Busy::counted(qint64 changed, qint64 compared)
{
    const bool busy = compared > 0 && changed * 4 >= compared * 3;
    streak = busy ? streak + 1 : 0;
    if (!busy)
        restLength = 0;
    if (streak >= BusyStreak) {
        streak = 0;
        restLength = restLength ? qMin(restLength * 2, LongestRest) : FirstRest;
        resting = restLength;
    }
}

bool ViewDamage::Busy::rest()
{
    if (resting <= 0)
        return false;
    --resting;
    return true;
}

bool ViewDamage::Look::operator==(const Look &o) const
{
    const PaintSettings &a = settings, &b = o.settings;
    return a.rules.alphaMode == b.rules.alphaMode && a.rules.layerCount == b.rules.layerCount
           && a.transDrawMode == b.transDrawMode && a.transDrawColor == b.transDrawColor
           && a.highlightSelection == b.highlightSelection && grid.on == o.grid.on && grid.mode == o.grid.mode
           && grid.color == o.grid.color && zoom == o.zoom && selection == o.selection && widget == o.widget
           && visible == o.visible && marks == o.marks;
}

ViewDamage::ViewDamage(ViewWidget *view)
    : QObject(view)
    , view(view)
    , paintWidget(view->GetPaintWidget())
{
    paintWidget->installEventFilter(this);
}

bool ViewDamage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == paintWidget && event->type() == QEvent::Paint)
        Painting(static_cast<QPaintEvent *>(event)->region() & paintWidget->rect());
    return false;
}

void ViewDamage::RepaintAll()
{
    fresh = QRegion();
    paintWidget->update();
}

void ViewDamage::RepaintFresh(const QRegion &region)
{
    fresh = region;
    if (!region.isEmpty())
        paintWidget->update(region);
}

QRegion ViewDamage::ToTake(const QRegion &painted)
{
    const QRegion take = fresh.isEmpty() ? painted : painted - fresh;
    fresh -= painted;
    return take;
}

ViewDamage::Look ViewDamage::CurrentLook() const
{
    Look l;
    l.settings = view->paintSettings();
    l.grid = view->grid();
    l.zoom = view->GetZoom();
    l.selection = paintWidget->validSelection();
    l.widget = paintWidget->size();
    l.visible = view->GetVisibleSize();
    l.marks = view->Comparing();
    return l;
}

LayerDamage::LayerDamage(ViewWidget *view)
    : ViewDamage(view)
{
}

LayerDamage::Mapping LayerDamage::CurrentMapping() const
{
    // As the layer paint places its image.
    Mapping m;
    m.zoom = qMax(1, view->GetZoom());
    const int z = m.zoom;
    const QSize visible = view->GetVisibleSize();
    const QSize image = view->imageSize();
    m.content = contentRect(visible, z, view->GetScrollPos(), image.width(), image.height());
    const QSize target((visible.width() / z) * z, (visible.height() / z) * z);
    if (m.content.isEmpty() || target.isEmpty())
        return m;
    const QSize scaled = m.content.size().scaled(target, Qt::KeepAspectRatioByExpanding);
    m.blocks = scaled == QSize(m.content.width() * z, m.content.height() * z);
    return m;
}

std::vector<quint32> LayerDamage::HeaderLook() const
{
    const BlockView b = view->GetRecord();
    return {quint32(simlink::transMode(b)), simlink::keyColorMin(b), simlink::keyColorMax(b),
            simlink::layerAlpha(b)};
}

void LayerDamage::DropCopy()
{
    if (!copy.area().isNull())
        ++generation;
    copy.clear();
}

bool LayerDamage::Covers(const LayerLayout &layout, const QRect &part) const
{
    return copy.holds(layout, part);
}

void LayerDamage::Follow(CompositeDamage *composite)
{
    follower = composite;
}

void LayerDamage::Tell(const QVector<ChangedSpan> &spans)
{
    if (follower && !spans.isEmpty())
        follower->LeaderChanged(this, spans);
}

void LayerDamage::TakeForFollower(const LayerLayout &layout, const QRect &part)
{
    QVector<ChangedSpan> spans;
    copy.takeCompared(layout, part, &spans);
    if (spans.isEmpty())
        return;
    const Mapping m = CurrentMapping();
    if (m.blocks)
        paintWidget->update(damage::spansRegion(spans, QPoint(0, 0), m.zoom) & paintWidget->rect());
    else
        RepaintAll();
}

void LayerDamage::Repaint(bool whole)
{
    // Nothing of a hidden view (or one scrolled out of the window) is on the
    // screen: no copy is kept, and the paint that shows it again paints it
    // whole.
    if (!paintWidget->isVisible() || paintWidget->visibleRegion().isEmpty()) {
        DropCopy();
        RepaintAll();
        return;
    }
    const LayerLayout layout = view->Layout();
    const Mapping m = CurrentMapping();
    const Look look = CurrentLook();
    const std::vector<quint32> header = HeaderLook();
    const bool sameLook = look == lastLook && header == lastHeader;
    lastLook = look;
    lastHeader = header;
    if (layout.block.isNull() || !m.blocks || look.marks || busy.rest()) {
        DropCopy();
        RepaintAll();
        return;
    }
    // Everything repaints anyway: no search, and no copy until the next
    // change (a palette cycling every frame costs no copy at all). A look
    // the user changed says nothing of how busy the layer is.
    if (whole || !sameLook) {
        DropCopy();
        RepaintAll();
        return;
    }
    // Only the part the window shows: a view wider or taller than the
    // window's pane (partly scrolled out of it) compares none of the rest;
    // when more of it shows, the copy is made anew.
    const QRect bounds(QPoint(0, 0), view->heldImageExtent());
    const QRect shown = damage::touchedBlocks(paintWidget->visibleRegion().boundingRect(), m.zoom) & m.content;
    const QRect area =
        shown.isEmpty() ? QRect() : damage::withMargin(shown, (MarginPixels + m.zoom - 1) / m.zoom, bounds);
    QVector<ChangedSpan> spans;
    if (!copy.update(layout, area, &spans)) {
        // A new copy (another part shown, the origin moved): all of it
        // counts as changed, and a window scrolling every frame rests too.
        ++generation;
        busy.counted(1, 1);
        RepaintFresh(paintWidget->rect());
        return;
    }
    busy.counted(damage::spanPixels(spans), qint64(area.width()) * area.height());
    RepaintFresh(damage::spansRegion(spans, QPoint(0, 0), m.zoom));
    Tell(spans);
}

void LayerDamage::Painting(const QRegion &region)
{
    if (copy.area().isNull())
        return;
    const Mapping m = CurrentMapping();
    const LayerLayout layout = view->Layout();
    if (!m.blocks || layout.block.isNull()) {
        DropCopy();
        return;
    }
    // While the composite follows the copy, what this paint finds changed
    // is news to the composite too.
    QVector<ChangedSpan> spans;
    for (const QRect &r : ToTake(region)) {
        const QRect part = damage::wholeBlocks(r, m.zoom) & m.content;
        if (follower)
            copy.takeCompared(layout, part, &spans);
        else
            copy.take(layout, part);
    }
    Tell(spans);
}
