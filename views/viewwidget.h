#pragma once

#include "imaging/layerimage.h"
#include "paint/paintsource.h"
#include "paint/pointersource.h"
#include "selection/selectionhost.h"
#include "paint/zoomlevels.h"
#include "simlink/blockview.h"
#include "views/cwidget.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>

class ChangeOverlays;
class CButton;
class CScrollArea;
class LayerInfoWidget;
class PaintWidget;
class QComboBox;
class QHBoxLayout;
class QKeyEvent;
class QVBoxLayout;
class SelectionWidget;
class ViewDamage;

// The part of a claimed width x height image whose pixels lie in a pixel
// area of pixelBytes bytes: the width at most what one row of the whole
// area holds, the height at most the rows that fit at rowPixels pixels a
// row. Empty when the area is empty.
QSize heldImageSize(qint64 width, qint64 height, qint64 pixelBytes, int bytesPerPixel, qint64 rowPixels);

// Abstract framed view: information strip and zoom controls on top, the
// scroll area with the paint widget beside a column of tool buttons, and
// the selection strip below. Holds the per-view display settings the paint
// widget draws with (it reads them as its PaintSource) and the per-tick
// refresh by the layer's counters.
class ViewWidget : public CWidget, public PaintSource, public PointerSource, public SelectionTarget
{
    Q_OBJECT

public:
    explicit ViewWidget(QWidget *parent);
    ~ViewWidget() override;

    // The ten zoom levels of the combo box, index 0 first: the factor of a
    // level (1 for an index outside the table).
    static constexpr int ZoomLevelCount = ZoomLevels;
    static int ZoomFactor(int index);

    // CWidget
    void SaveState(ViewState *state) override;
    void RestoreState(const ViewState *state) override;

    // What every view kind supplies: its layer number (-1 for the
    // composite), name, block and information strip (and Layout() below).
    virtual int GetIndex() = 0;
    QString GetTitle() override = 0;
    // The layer block this view shows (null view when not attached).
    BlockView GetRecord() override = 0;
    virtual void UpdateInfo() = 0;

    // With default bodies, so a view kind overrides only what differs from
    // a true-colour view with no palette panel and no linked view.
    // The view's own layer; the composite's is the first layer's.
    int RecordLayer() override;
    // The view shows the visible window of a larger virtual screen.
    virtual bool IsVisibleArea() { return false; }
    bool IsIndexed() override { return false; }
    // The palette counter changed.
    virtual void OnPaletteChanged() {}
    // Repaints a view of the same frame buffer (the virtual-layer view).
    virtual void UpdateLinkedView() {}
    void HighlightIndex(int index) override { Q_UNUSED(index); }
    // How the view addresses its layer's pixels in its block; a null block
    // when the image does not come from one frame buffer (the composite).
    LayerLayout Layout() override = 0;

    // Frame-buffer offset of image pixel p (with scaled set, p is a paint-
    // widget point and is first divided by the zoom, rounding), or -1 when
    // the pixel has no address.
    qint64 GetPixelOffset(QPoint p, bool scaled);
    // The pixel's bytes inside the block, or null when it has no address or
    // does not lie wholly inside the block.
    const uchar *GetPixelAddress(QPoint p, bool scaled);

    QSize sizeHint() const override;
    // The image size the view sizes its widgets for: the claimed size cut to
    // the pixels the block holds (Layout()); without a block, as claimed.
    // The information strip still shows the claimed sizes.
    QSize HeldSize(qint64 width, qint64 height);

    // True when the view repainted: a counter changed or a repaint was forced.
    // Otherwise a pending background change (backgroundChanged) repaints
    // only the pixels that show the background, and the result is false.
    bool Refresh();
    // The background change alone: repaints where the paint widget lets the
    // background show, if backgroundChanged is set, and clears it.
    void RefreshBackground();
    // The view's zoom factor, the one way to read it; SetZoom chooses one of
    // the ten factors as the zoom box would.
    int GetZoom() const;
    void SetZoom(int factor) override;
    void ResizeImage(int w, int h, bool scaled);
    QSize GetScrollPos() const override;
    void ScrollLater(int x, int y);
    QSize GetVisibleSize() const override;
    void SetSelection(int x, int y, int w, int h) override;
    void SetSelectionRect(int l, int t, int r, int b);
    void GetSelectionRect(ViewState *state) const;
    void RepaintImage();
    // After a content change: repaints only the pixels that changed since
    // the view last looked (views/viewdamage.h); everything when whole is set.
    void RepaintChanged(bool whole = false);
    void SetMinimal(bool on);

    // PaintSource: the display settings below, the window's settings; the
    // palette and the composite's layers are empty unless a view has them.
    QSize imageSize() const override;
    QSize heldImageExtent() override;
    PaintGrid grid() const override;
    QVector<QRgb> layerPalette() override;
    QList<CompositeLayer> compositeLayers() override;
    PaintSettings paintSettings() const override;
    void ShowGrid(bool on) override;
    void FitWindowToViews() override;
    void EditSelection() override;
    void CloseFromMenu() override;
    void ShowStatus(const QString &text) override;
    const DiffMask *differences() override;
    // Update flashes and the heat map (viewoverlays.cpp), kept with the
    // view's state.
    bool UpdatesShown() const override;
    void ShowUpdates(bool on) override;
    bool HeatMapShown() const override;
    void ShowHeatMap(bool on) override;
    // How often the pixel changed in the last ten seconds; -1 without the
    // heat map.
    int ChangesAt(const QPoint &pixel);
    // The content changed without a refresh of this view (the composite,
    // when a layer changed): the overlays' records follow.
    void NoteContentChange();
    PointerSource *pointerSource() override { return this; }

    // Comparing with a reference snapshot (viewcompare.cpp). The reference
    // is the snapshot's image of what this view shows (a null image: the
    // reference has none); it is kept until ClearReference.
    void SetReference(const QImage &reference);
    void ClearReference();
    bool Comparing() const { return comparing; }
    const QImage &ReferenceImage() const { return reference; }
    // Where view pixel (0, 0) lies in the reference image.
    virtual QPoint ReferenceOffset() { return QPoint(0, 0); }
    // Compares the view's pixels with the reference again (after a change)
    // and shows the outcome in the information strip.
    void UpdateComparison();
    // "%1 pixels differ", "identical", "not in reference"; empty when not
    // comparing.
    QString ComparisonText() const;

    // Key input to the simulation (keyhandler.cpp): writes the key word into
    // GetRecord() and shows it, or serves the active hand or selection tool.
    // The only caller of WriteKey in the window.
    void HandleKey(QKeyEvent *event) override;
    void WatchPixel(const QPoint &pixel) override;

    // PointerSource and SelectionTarget: the tools, the status line, the
    // scroll bars and the selection strip for the paint widget; the image
    // size for the strip's edit dialog.
    bool HandToolOn() const override;
    bool SelectionToolOn() const override;
    void ScrollBy(int dx, int dy) override;
    bool ZoomPopupHasFocus() const override;
    void SwitchSelectionToolOn() override;
    int ImageWidth() const override;
    int ImageHeight() const override;

    // Display settings read by the paint widget.
    int imageWidth = 0;
    int imageHeight = 0;
    bool gridOn = false;
    bool handOn = false;
    quint32 gridColor = 0;
    int gridMode = 0;
    bool forceRefresh = false;
    // The transparency background changed its look (the tiles alternated).
    bool backgroundChanged = false;
    bool selectionOn = false;

    PaintWidget *GetPaintWidget() const { return paintWidget; }
    LayerInfoWidget *GetInfoWidget() const { return infoWidget; }
    CScrollArea *GetScrollArea() const { return scrollArea; }
    QComboBox *GetZoomCombo() const { return zoomCombo; }
    SelectionWidget *GetSelectionWidget() const override { return selectionWidget; }
    CButton *GetSelectionButton() const { return selectionButton; }
    CButton *GetHandButton() const { return handButton; }

protected Q_SLOTS:
    void OnCmbIndexChanged(int index);
    void OnBtnZoomInClicked(bool);
    void OnBtnZoomOutClicked(bool);
    void OnBtnResetClicked(bool);
    void OnBtnGridToggled(bool on);
    void OnBtnGridColorClicked(bool);
    void OnBtnHandToggled(bool on);
    void OnBtnSelectionToggled(bool on);
    void OnTimerSetScrollPos();

protected:
    void BuildToolbar();
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // Tab and Backtab typed into the view or its paint widget are keys for
    // the simulation, not a move of the keyboard focus.
    bool focusNextPrevChild(bool next) override;
    // Escape released while a tool is active: the tool goes off, its button unchecked.
    void EndActiveTool();
    // Whether the reference image shows what this view shows now (its size,
    // and how its pixels are stored), and the differing pixels against it.
    virtual bool ReferenceFits(const QImage &image) = 0;
    virtual DiffMask ComputeDifferences() = 0;

    int contentCount = 0;
    int paletteCount = 0;
    // False until the first refresh, which always repaints.
    bool countersSeen = false;
    int pendingScrollX = 0;
    int pendingScrollY = 0;
    QVBoxLayout *mainLayout = nullptr;
    QHBoxLayout *topRow = nullptr;
    QVBoxLayout *toolColumn = nullptr;
    QHBoxLayout *middleRow = nullptr;
    QHBoxLayout *bottomRow = nullptr;
    CScrollArea *scrollArea = nullptr;
    PaintWidget *paintWidget = nullptr;
    LayerInfoWidget *infoWidget = nullptr;
    CButton *gridButton = nullptr;
    CButton *resetButton = nullptr;
    CButton *gridColorButton = nullptr;
    CButton *handButton = nullptr;
    CButton *selectionButton = nullptr;
    CButton *zoomInButton = nullptr;
    CButton *zoomOutButton = nullptr;
    CButton *paletteButton = nullptr;
    QComboBox *zoomCombo = nullptr;
    SelectionWidget *selectionWidget = nullptr;
    QList<QWidget *> toolbarWidgets;
    bool comparing = false;
    bool inReference = false;
    QImage reference;
    DiffMask diffMask;
    // Finds what changed; made by each kind of view with its paint widget.
    ViewDamage *damage = nullptr;
    // Made when flashes or the heat map first go on.
    ChangeOverlays *changeOverlays = nullptr;

private:
    // PaintSource: what the paint widget reads; the same as GetZoom().
    int zoomFactor() const override;

    // The zoom factor in force, set by the zoom box.
    int zoom = 1;
};
