#pragma once

#include "simlink/layerblock.h"
#include "views/viewwidget.h"

#include <QVector>

class QSharedMemory;
class ViewVirtLayer;
class LayerDamage;

// One layer's visible window (one display in multi-display mode), on the
// layer's own attached block. Its palette panel listens to PaletteChanged
// and IndexHovered; the window shows the panel on PaletteRequested.
class ViewLayer : public ViewWidget
{
    Q_OBJECT

public:
    ViewLayer(QWidget *parent, const LayerInfo &info);
    ~ViewLayer() override;

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
    QPoint ReferenceOffset() override;
    QVector<QRgb> layerPalette() override;

    // Image format and line stride of a read: Format_Indexed8 (3) and
    // imageWidth bytes for an indexed layer of 1, 2, 4 or 8 bits per pixel,
    // Format_Invalid (0) and 0 for an indexed layer of any other depth,
    // Format_ARGB32 (5) and imageWidth * 4 otherwise.
    int GetImageFormat() const;
    qint64 GetBytesPerLine() const;
    CButton *GetPaletteButton() const { return paletteButton; }

    // Drops the block: from then on the view reads nothing (its record is
    // null). Used when the simulation ended while the view must stay.
    void DetachBlock();
    // The panel that shows this layer's palette (the palette panel sets it).
    void SetPaletteWidget(QWidget *widget);
    void SetPaletteButtonDisabled(bool disabled);
    // The palette as ARGB colours with the alpha convention applied. Read
    // from the block only when its palette counter, the alpha-mode byte or
    // the block changed since the last read; otherwise the kept copy.
    QVector<quint32> GetPalette();
    // What finds this view's changed pixels; the composite follows its copy.
    LayerDamage *GetLayerDamage() const { return layerDamage; }
    // Palette entry `index` read from the block now, whatever the counter
    // says: texts and copies show what the palette holds at that moment,
    // while painting keeps to the counter rule above.
    quint32 CurrentPaletteEntry(int index);
    // The whole palette read now, the same way.
    QVector<quint32> CurrentPalette();
    const LayerInfo &Desc() const { return desc; }
    ViewVirtLayer *VirtView() const { return virtView; }
    void SetVirtView(ViewVirtLayer *view) { virtView = view; }

Q_SIGNALS:
    // The palette counter changed: the panel repaints its swatches.
    void PaletteChanged();
    // The pointer is over a pixel of this palette index (-1: none).
    void IndexHovered(int index);
    // The palette button asks for the panel of layer n.
    void PaletteRequested(int n);

public Q_SLOTS:
    void OnBtnColorsClicked(bool);

private:
    LayerInfo desc;
    QSharedMemory *sharedMemory = nullptr;
    BlockView record;
    QWidget *paletteWidget = nullptr;
    bool indexed = false;
    bool visibleArea = false;
    QVector<quint32> palette;
    // What the kept palette was read under.
    bool paletteRead = false;
    const uchar *paletteBlock = nullptr;
    qint32 paletteCounterRead = 0;
    quint8 paletteAlphaMode = 255;
    ViewVirtLayer *virtView = nullptr;
    LayerDamage *layerDamage = nullptr;

protected:
    bool ReferenceFits(const QImage &image) override;
    DiffMask ComputeDifferences() override;
};
