#pragma once

#include "paint/paintwidget.h"

// Paints the composite of all layers over the display's background colour.
// The composite is opaque, so no transparency background is drawn.
class PaintComposite : public PaintWidget
{
    Q_OBJECT

public:
    PaintComposite(QWidget *parent, PaintSource *source);

    QRgb pixelColor(int x, int y) override;
    int pixelIndex(int x, int y) override;
    CImage selectionImage() override;
    int layerWidth() override;
    int layerHeight() override;
    bool isVirtual() override;
    CImage readImage(int left, int top, int right, int bottom) override;
    CImage contentImage() override;
    QSize contentSize() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Composes the display pixels part (whose pixel (i, j) covers the widget
    // pixels part.topLeft() * zoom + (i, j) * zoom ...) row by row straight
    // into the magnified widget rectangle area, grid included. False when
    // there is nothing to compose.
    bool paintComposed(QPainter &painter, const QRect &area, const QRect &part, const MagnifyScene &scene);
};
