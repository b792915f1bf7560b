#include "palette/colorarea.h"

#include "dialogs/modalscope.h"
#include "dialogs/scale.h"
#include "palette/palettewidget.h"
#include "views/viewlayer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QtMath>

#include <algorithm>

ColorArea::ColorArea(PaletteWidget *panel)
    : QWidget(panel)
    , panel(panel)
{
    const int n = panel->GetColorCount();
    const float root = float(std::sqrt(double(n)));
    columns = int(root);
    QGridLayout *grid = new QGridLayout();
    for (int i = 0; i < n; ++i) {
        ColorItem *item = new ColorItem(this, i);
        items.append(item);
        grid->addWidget(item, i / columns, i % columns);
    }
    grid->setSpacing(2);
    grid->setContentsMargins(0, 0, 0, 0);
    setLayout(grid);
}

void ColorArea::Highlight(int index)
{
    if (!highlightEnabled)
        return;
    const quint16 j = quint16(index);
    if (j == highlighted)
        return;
    // A pixel value without a palette entry names no swatch.
    if (j != 0xFFFF && j >= items.size())
        return;
    if (highlighted != 0xFFFF)
        items.at(highlighted)->SetHighlighted(false);
    highlighted = j;
    if (j != 0xFFFF)
        items.at(j)->SetHighlighted(true);
}

static QRgb entryShown(const QVector<quint32> &palette, int index)
{
    // QColor(QRgb) drops the alpha byte: a swatch always shows opaque.
    return (index < palette.size() ? palette.at(index) : 0u) | 0xFF000000u;
}

void ColorArea::RepaintChanged()
{
    if (items.isEmpty())
        return;
    const QVector<quint32> palette = panel->View()->GetPalette();
    shown.resize(items.size());
    // Runs of changed swatches along a row become one rectangle, and a run
    // with the same columns as one in the row above extends it: a palette
    // that changed everywhere repaints one rectangle, not 256.
    QList<QRect> done;
    QList<QRect> above;
    QList<QRect> row;
    for (int r = 0; r * columns < items.size(); ++r) {
        const int first = r * columns;
        const int end = qMin(first + columns, int(items.size()));
        row.clear();
        for (int i = first; i < end; ++i) {
            if (entryShown(palette, i) == shown.at(i))
                continue;
            QRect run = items.at(i)->geometry();
            while (i + 1 < end && entryShown(palette, i + 1) != shown.at(i + 1))
                run |= items.at(++i)->geometry();
            const auto same = std::find_if(above.begin(), above.end(), [&run](const QRect &a) {
                return a.left() == run.left() && a.right() == run.right();
            });
            if (same != above.end()) {
                run |= *same;
                above.erase(same);
            }
            row << run;
        }
        done << above;
        above.swap(row);
    }
    done << above;
    QRegion changed;
    for (const QRect &rect : std::as_const(done))
        changed += rect;
    if (!changed.isEmpty())
        update(changed);
}

void ColorArea::paintEvent(QPaintEvent *event)
{
    // Only swatches that meet the region: a palette change repaints just the
    // ones whose colour changed.
    const QVector<quint32> palette = panel->View()->GetPalette();
    shown.resize(items.size());
    const QRegion region = event->region();
    const QRect bounds = event->rect();
    const ColorItem *marked = nullptr;
    const QColor black(Qt::black);
    QPainter painter(this);
    for (const ColorItem *item : std::as_const(items)) {
        const QRect cell = item->geometry();
        if (!bounds.intersects(cell) || !region.intersects(cell))
            continue;
        const int i = item->GetIndex();
        shown[i] = entryShown(palette, i);
        // The swatch, inset by 2 and 3, filled and outlined in black with a
        // one-pixel pen: the outline covers one pixel more to the right and
        // below. Two opaque fills give exactly those pixels at a fraction
        // of the cost of stroking the outline.
        const QRect outlined = cell.adjusted(2, 2, -2, -2);
        painter.fillRect(outlined, black);
        painter.fillRect(outlined.adjusted(1, 1, -1, -1), QColor(shown.at(i)));
        if (item->IsHighlighted())
            marked = item;
    }
    if (marked) {
        // The mark in the swatch's own coordinates, clipped to it, as the
        // half-transparent frame and top line must not reach a neighbour.
        painter.translate(marked->pos());
        painter.setClipRect(marked->rect());
        QPen pen(QColor(0, 0, 255, 127));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(marked->rect().adjusted(1, 1, -1, -1));
        painter.drawLine(0, 0, 15, 0);
    }
}

QSize ColorArea::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QWidget::sizeHint();
}

ColorItem::ColorItem(ColorArea *area, int index)
    : QWidget(area)
    , area(area)
    , index(index)
{
    setFixedSize(ScaleSize(QSize(16, 16), GetScale()));
    setAttribute(Qt::WA_MouseTracking);
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // The area paints the swatch. A widget with updates disabled gets no
    // paint events, so painting the area does not visit 256 children that
    // have nothing to paint; pointer and menu events still arrive.
    setUpdatesEnabled(false);
}

quint32 ColorItem::GetColor() const
{
    const QVector<quint32> palette = area->Panel()->View()->GetPalette();
    return index < palette.size() ? palette.at(index) : 0u;
}

quint32 ColorItem::CurrentColor() const
{
    return area->Panel()->View()->CurrentPaletteEntry(index);
}

void ColorItem::SetHighlighted(bool on)
{
    highlighted = on;
    area->update(geometry());
}

void ColorItem::mouseMoveEvent(QMouseEvent *)
{
    area->Panel()->ShowStatus(this);
}

void ColorItem::leaveEvent(QEvent *)
{
    area->Panel()->ShowStatus(nullptr);
}

void ColorItem::contextMenuEvent(QContextMenuEvent *event)
{
    // On the heap and guarded: a menu on the stack parented to the swatch
    // would be freed twice should the swatch go while the menu is open.
    QPointer<QMenu> menu = new QMenu(this);
    QAction *copyColor = menu->addAction(QStringLiteral("Copy &color"));
    copyColor->setStatusTip(QStringLiteral("Copy color in hexadecimal to clipboard."));
    connect(copyColor, &QAction::triggered, this, &ColorItem::OnCopyColor);
    QAction *copyIndex = menu->addAction(QStringLiteral("Copy &index"));
    copyIndex->setStatusTip(QStringLiteral("Copy index to clipboard."));
    connect(copyIndex, &QAction::triggered, this, &ColorItem::OnCopyIndex);
    ExecMenu(menu, event->globalPos());
    delete menu.data();
}

void ColorItem::OnCopyColor()
{
    const quint32 c = CurrentColor();
    QApplication::clipboard()->setText(QString::asprintf("%.2X%.2X%.2X", qRed(c), qGreen(c), qBlue(c)),
                                       QClipboard::Clipboard);
}

void ColorItem::OnCopyIndex()
{
    QApplication::clipboard()->setText(QStringLiteral("%1").arg(index), QClipboard::Clipboard);
}
