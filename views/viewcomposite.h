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
    // Each layer view's layout, with its palette when indexed, bottom first.
    QList<CompositeLayer> compositeLayers() override;

    const QList<ViewLayer *> &LayerViews() const { return *layerViews; }

private:
    const QList<ViewLayer *> *layerViews = nullptr;

protected:
    bool ReferenceFits(const QImage &image) override;
    DiffMask ComputeDifferences() override;
};
