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

protected:
    void paintEvent(QPaintEvent *event) override;
};
