#pragma once

#include <QScrollArea>

// Holds a view's paint widget; asks for exactly the paint widget's size
// plus the frame.
class CScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit CScrollArea(QWidget *parent);
    QSize sizeHint() const override;
};

// The main window's scroll area around its grid of views.
class LayerScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit LayerScrollArea(QWidget *parent);
    QSize sizeHint() const override;
};

// The main window's right-hand column of views beside the splitter: it
// scrolls vertically only and is never narrower than its views need, so
// the composite keeps its full width while no number of views shown
// stacks the window beyond the screen's height.
class ColumnScrollArea : public LayerScrollArea
{
    Q_OBJECT

public:
    explicit ColumnScrollArea(QWidget *parent);
    QSize minimumSizeHint() const override;

protected:
    // Follows the column's layout changes (views shown or hidden).
    bool eventFilter(QObject *watched, QEvent *event) override;
};
