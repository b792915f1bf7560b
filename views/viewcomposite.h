#pragma once

#include "views/viewwidget.h"

#include <QList>

class MainWindow;
class ViewLayer;

// The composite of all layers at the display's size.
class ViewComposite : public ViewWidget
{
    Q_OBJECT

public:
    // The list is the main window's; the view only reads it.
    ViewComposite(MainWindow *parent, const QList<ViewLayer *> *layerViews);

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

    const QList<ViewLayer *> &LayerViews() const { return *layerViews; }

private:
    const QList<ViewLayer *> *layerViews = nullptr;
};
