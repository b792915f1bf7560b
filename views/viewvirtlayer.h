#pragma once

#include "views/viewwidget.h"

struct LayerInfo;
class ViewLayer;

// The whole virtual screen of a layer whose visible window is smaller; it
// reads through its layer view's block.
class ViewVirtLayer : public ViewWidget
{
    Q_OBJECT

public:
    ViewVirtLayer(QWidget *parent, ViewLayer *layerView);

    void CloseView() override;
    int GetId() override;
    int GetIndex() override;
    QString GetTitle() override;
    BlockView GetRecord() override;
    void UpdateInfo() override;
    LayerLayout Layout() override;
    // The layer view's palette (the virtual screen is read as 32 bits).
    QVector<QRgb> layerPalette() override;

    ViewLayer *LayerView() const { return layerView; }

private:
    ViewLayer *layerView = nullptr;
    const LayerInfo *layerDesc = nullptr;

protected:
    bool ReferenceFits(const QImage &image) override;
    DiffMask ComputeDifferences() override;
};
