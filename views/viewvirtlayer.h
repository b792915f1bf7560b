#pragma once

#include "views/viewwidget.h"

struct LayerInfo;
class MainWindow;
class ViewLayer;

// The whole virtual screen of a layer whose visible window is smaller; it
// reads through its layer view's block.
class ViewVirtLayer : public ViewWidget
{
    Q_OBJECT

public:
    ViewVirtLayer(MainWindow *parent, ViewLayer *layerView);

    void CloseView() override;
    int GetId() override;
    int GetIndex() override;
    QString GetTitle() override;
    BlockView GetRecord() override;
    bool IsVisibleArea() override;
    bool IsIndexed() override;
    void OnPaletteChanged() override;
    void UpdateLinkedView() override;
    void HighlightIndex(int index) override;
    void UpdateInfo() override;
    LayerLayout Layout() override;

    ViewLayer *LayerView() const { return layerView; }

private:
    ViewLayer *layerView = nullptr;
    const LayerInfo *layerDesc = nullptr;
};
