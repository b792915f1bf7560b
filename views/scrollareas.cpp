#include "views/scrollareas.h"

#include <QLayout>
#include <QEvent>
#include <QScrollBar>

CScrollArea::CScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::NoFocus);
}

QSize CScrollArea::sizeHint() const
{
    const QWidget *held = widget();
    const QSize inner = held ? held->size() : QSize(0, 0);
    // The paint widget is at most QWIDGETSIZE_MAX wide; keep the sum in range.
    const qint64 w = qint64(inner.width()) + 2 * lineWidth();
    const qint64 h = qint64(inner.height()) + 2 * lineWidth();
    return QSize(int(qMin<qint64>(w, QWIDGETSIZE_MAX)), int(qMin<qint64>(h, QWIDGETSIZE_MAX)));
}

LayerScrollArea::LayerScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
}

QSize LayerScrollArea::sizeHint() const
{
    const QWidget *held = widget();
    const qint64 w = qint64(held ? held->sizeHint().width() : 0) + 2 * lineWidth()
        + verticalScrollBar()->sizeHint().width();
    // The scroll area has no layout of its own: its height is that of the
    // held widget's hint plus the frame, so that a window restore makes room
    // for every view the grid holds.
    const qint64 h = qint64(held ? held->sizeHint().height() : 0) + 2 * lineWidth();
    return QSize(int(qBound<qint64>(0, w, qint64(QWIDGETSIZE_MAX))), int(qBound<qint64>(0, h, qint64(QWIDGETSIZE_MAX))));
}

ColumnScrollArea::ColumnScrollArea(QWidget *parent)
    : LayerScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QSize ColumnScrollArea::minimumSizeHint() const
{
    const QWidget *held = widget();
    const int width = (held ? held->minimumSizeHint().width() : 0) + verticalScrollBar()->sizeHint().width()
        + 2 * frameWidth();
    return QSize(width, QScrollArea::minimumSizeHint().height());
}

bool ColumnScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    const bool handled = LayerScrollArea::eventFilter(watched, event);
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return handled;
}
