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
