#pragma once

#include <QFrame>

class QLabel;
class ViewComposite;
class ViewLayer;
class ViewVirtLayer;
class ViewWidget;

// The strip that names a view's layer and gives its size, position and
// colour depth. Every Show call rewrites all texts its form sets.
class LayerInfoWidget : public QFrame
{
    Q_OBJECT

public:
    explicit LayerInfoWidget(ViewWidget *view);

    void ShowLayer(ViewLayer *view);
    void ShowVirtLayer(ViewVirtLayer *view);
    void ShowComposite(ViewComposite *view);

    QLabel *NameLabel() const { return nameLabel; }
    QLabel *SizeLabel() const { return sizeLabel; }
    QLabel *PosLabel() const { return posLabel; }
    QLabel *DepthLabel() const { return depthLabel; }
    // The outcome of a comparison with a reference; hidden for empty text.
    void ShowComparison(const QString &text);
    QLabel *CompareLabel() const { return compareLabel; }
    // The layer's update and rewrite rates under the heat map; hidden for
    // empty text.
    void ShowRates(const QString &text);
    QLabel *RatesLabel() const { return ratesLabel; }

private:
    QLabel *nameLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QLabel *posLabel = nullptr;
    QLabel *depthLabel = nullptr;
    QLabel *compareLabel = nullptr;
    QLabel *ratesLabel = nullptr;
};

// Names a palette and counts its colours; filled once when built.
class PaletteInfoWidget : public QFrame
{
    Q_OBJECT

public:
    // index: the palette's layer; colorCount: its number of colours.
    PaletteInfoWidget(QWidget *panel, int index, int colorCount);

    QLabel *NameLabel() const { return nameLabel; }
    QLabel *CountLabel() const { return countLabel; }

private:
    QLabel *nameLabel = nullptr;
    QLabel *countLabel = nullptr;
};
