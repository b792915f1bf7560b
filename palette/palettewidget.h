#pragma once

#include "views/cwidget.h"

#include <QList>

class ColorArea;
class PaletteInfoWidget;
class ViewLayer;

// A layer's palette as a grid of swatches, beside its layer view. It follows
// the view's PaletteChanged and IndexHovered signals.
class PaletteWidget : public CWidget
{
    Q_OBJECT

public:
    PaletteWidget(QWidget *parent, ViewLayer *view, bool highlight);

    void CloseView() override;
    void SaveState(ViewState *state) override;
    void RestoreState(const ViewState *state) override;
    int GetId() override;

    int GetIndex() const;
    int GetColorCount() const;
    void HighlightIndex(int index);
    void SetHighlightEnabled(bool enabled);
    void SetMinimal(bool on);
    QSize sizeHint() const override;

    // Status text for the swatch under the pointer, or "Mouse moved out".
    void ShowStatus(class ColorItem *item);

    ViewLayer *View() const { return view; }
    ColorArea *GetColorArea() const { return colorArea; }

private:

    ColorArea *colorArea = nullptr;
    PaletteInfoWidget *infoWidget = nullptr;
    QList<QWidget *> toolbarWidgets;
    ViewLayer *view = nullptr;
};
