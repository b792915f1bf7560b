#pragma once

#include "views/viewwidget.h"

#include <QList>

class ViewLayer;

// The composite of all layers at the display's size.
class ViewComposite : public ViewWidget
{
    Q_OBJECT

public:
    // The list is the main window's; the view only reads it.
    ViewComposite(QWidget *parent, const QList<ViewLayer *> *layerViews);

    void CloseView() override;
    int GetId() override;
    int GetIndex() override;
    QString GetTitle() override;
    BlockView GetRecord() override;
    int RecordLayer() override;
    void UpdateInfo() override;
    LayerLayout Layout() override;
    // Each layer view's layout, with its palette when indexed, bottom first;
    // the layers left out are not in it.
    QList<CompositeLayer> compositeLayers() override;

    const QList<ViewLayer *> &LayerViews() const { return *layerViews; }

    // Which layers this view's composite is made of (compositelayers.cpp):
    // every layer at first. A layer left out is left out of this view only
    // (painting, copies, status texts, comparison); its block is untouched
    // and the background stays the first layer's block's colour.
    bool layerShown(int layer) const;
    void setLayerShown(int layer, bool shown);
    // Bit n set: layer n is left out.
    quint32 leftOutLayers() const { return leftOut; }
    void SaveState(ViewState *state) override;
    void RestoreState(const ViewState *state) override;
    // The "La&yers" submenu: one checkable entry per layer.
    void addViewMenuItems(QMenu *menu) override;

private Q_SLOTS:
    void OnActCompositeLayer(bool on);

private:
    // Redraws (and compares again) after the choice of layers changed.
    void layersChanged();

    const QList<ViewLayer *> *layerViews = nullptr;
    quint32 leftOut = 0;

protected:
    bool ReferenceFits(const QImage &image) override;
    DiffMask ComputeDifferences() override;
};
