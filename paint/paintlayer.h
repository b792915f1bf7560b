#pragma once

#include "paint/paintwidget.h"

#include <QVector>

class ViewLayer;
class ViewVirtLayer;

// Paints one layer's visible window, read straight from the layer's block.
class PaintLayer : public PaintWidget
{
    Q_OBJECT

public:
    explicit PaintLayer(ViewLayer *view);

    QRgb pixelColor(int x, int y) override;
    int pixelIndex(int x, int y) override;
    CImage selectionImage() override;
    int layerWidth() override;
    int layerHeight() override;
    bool isVirtual() override;
    CImage readImage(int left, int top, int right, int bottom) override;
    CImage contentImage() override;

protected:
    PaintLayer(ViewWidget *view, ViewLayer *layerView);
    void paintEvent(QPaintEvent *event) override;

    // The colour table of an indexed read; empty for a true-colour layout.
    QVector<QRgb> paletteFor(const LayerLayout &layout) const;

    ViewLayer *layerView = nullptr;
};

// Paints the whole virtual screen of a layer, through its layer view's block.
class PaintVirt : public PaintLayer
{
    Q_OBJECT

public:
    explicit PaintVirt(ViewVirtLayer *view);

    bool isVirtual() override;

protected:
    ViewVirtLayer *virtView = nullptr;
};
