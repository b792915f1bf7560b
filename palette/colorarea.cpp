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
#include <QPointer>
#include <QtMath>

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
    update();
}

void ColorItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect swatch = rect().adjusted(2, 2, -3, -3);
    painter.fillRect(swatch, QColor(GetColor()));
    painter.setPen(Qt::black);
    painter.drawRect(swatch);
    if (highlighted) {
        QPen pen(QColor(0, 0, 255, 127));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
        painter.drawLine(0, 0, 15, 0);
    }
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
