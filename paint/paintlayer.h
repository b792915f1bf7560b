#pragma once

#include "paint/paintwidget.h"

#include <QVector>

// Paints one layer's visible window, read straight from the layer's block.
class PaintLayer : public PaintWidget
{
    Q_OBJECT

public:
    PaintLayer(QWidget *parent, PaintSource *source);

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
    // Reads the image under the exposed rectangle, finished with overlays
    // and shading, into the scene; leaves it without one when nothing of
    // the layer shows there.
    void placeImage(MagnifyScene &scene, const QRect &exposed);

    // The colour table of an indexed read; empty for a true-colour layout.
    QVector<QRgb> paletteFor(const LayerLayout &layout) const;
};

// Paints the whole virtual screen of a layer, through its layer view's block
// (the source reads it).
class PaintVirt : public PaintLayer
{
    Q_OBJECT

public:
    PaintVirt(QWidget *parent, PaintSource *source);

    bool isVirtual() override;

protected:
    // The visible window's origin in the virtual screen: pointer input is
    // given in visible-window coordinates.
    QPoint inputOrigin() override;
};
