#pragma once

#include "imaging/cimage.h"
#include "imaging/layerimage.h"
#include "paint/handtool.h"
#include "paint/diffoverlay.h"
#include "paint/magnify.h"
#include "paint/paintsource.h"
#include "paint/selectiontool.h"
#include "selection/selectionhost.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>

class PointerSource;
class QAction;
class SelectionRect;

// A layer size times the zoom as a widget extent: computed in 64 bits and
// clamped to 0 ... QWIDGETSIZE_MAX, so no absurd layer size can overflow.
int zoomedExtent(qint64 size, qint64 zoom);
QSize zoomedSize(qint64 width, qint64 height, qint64 zoom);

// Draws its view's image magnified by the view's zoom over a background that
// shows transparency, with an optional grid and a darkening outside the
// selection. The image comes from the eight operations below; painting
// touches only the exposed rectangle of each paint event.
//
// Pointer events go, in this order, to the hand tool, the selection tool or
// else as pointer input to the simulation; each also shows a status text.
class PaintWidget : public QWidget, public SelectionHost
{
    Q_OBJECT

public:
    // source: the view whose image is drawn; it outlives the widget.
    PaintWidget(QWidget *parent, PaintSource *source);
    ~PaintWidget() override;

    // The zoomed image size of the view.
    QSize sizeHint() const override;

    virtual QRgb pixelColor(int x, int y) = 0;
    virtual int pixelIndex(int x, int y) = 0;
    virtual CImage selectionImage() = 0;
    virtual int layerWidth() = 0;
    virtual int layerHeight() = 0;
    virtual bool isVirtual() = 0;
    virtual CImage readImage(int left, int top, int right, int bottom) = 0;
    virtual CImage contentImage() = 0;
    // Width and height of what contentImage() reads, known without reading it.
    virtual QSize contentSize() = 0;

    PaintSource *View() const { return view; }

    // The rectangle (layer pixels, inclusive) of the current selection while
    // it is valid, otherwise a null QRect. Painting and the view read the
    // selection only through this.
    QRect validSelection() const { return selectedRect; }
    // Records the selection's rectangle whenever the selection changes (a null
    // or empty QRect when it goes) and repaints.
    void setSelectedRect(const QRect &rect);
    // The selection's top-left pixel and size, also for a selection of zero
    // width or height (a line); a null QRect without a selection. What the
    // strip shows and a view's saved state keeps.
    QRect selectionExtent() const { return selectionTool.rect(); }

    // The window's state the pixel rules depend on.
    ImageRules CurrentRules() const;

    // Where the widget's last paints let the transparency background show
    // (or, while it is a solid colour, may let it show): the pixels that
    // change when the background does. Each paint replaces what it records
    // for the pixels it painted and keeps the rest.
    const QRegion &BackgroundShown() const { return backgroundShown; }
    // Repaints those pixels only (nothing when there are none).
    void RepaintBackground();

    // Overlays drawn over the image (paint/paintoverlay.h), in the order
    // added. The widget does not own them; one that goes before the widget
    // removes itself first.
    void addOverlay(PaintOverlay *overlay);
    void removeOverlay(PaintOverlay *overlay);
    // Repaints the widget pixels that show the given layer (or display)
    // pixels at the view's zoom.
    void updatePixels(const QRect &pixels);

    // Pointer tools and the selection.
    // Selects layer pixels left..right by top..bottom (inclusive). Without
    // a selection the view's selection tool is switched on first.
    void setSelection(int left, int top, int right, int bottom);
    void removeSelection();
    // A zoom change: an empty selection goes, any other keeps its pixels.
    void rescaleSelection(int zoom);
    // A tool was switched off: its cursors are restored; the selection goes
    // with the selection tool.
    void handSwitchedOff();
    void selectionSwitchedOff();
    SelectionRect *Selection() const { return selectionTool.current(); }
    int ToolCursorCount() const { return hand.cursorCount() + selectionTool.cursorCount(); }
    // Status line about layer pixel p of a status kind (paint/statustext.h);
    // nothing for a pixel outside the layer.
    void showPointerStatus(const QPoint &p, StatusKind kind);

    // SelectionHost
    QWidget *SelectionParent() override;
    SelectionWidget *SelectionStrip() override;
    void ReportSelectionStatus(const QPoint &pixel, StatusKind kind) override;
    void SelectionChanged(const QRect &rect) override;

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // Subtracted from a layer pixel before it is written as pointer input.
    virtual QPoint inputOrigin();
    // The layer pixel under widget position pos (division by the zoom).
    QPoint pixelAt(const QPointF &pos) const;
    // The view's side of the pointer tools; null when the source has none.
    PointerSource *tools() const;

public:
    // Context menu and its commands (paintmenu.cpp).
    QPoint ContextPos() const { return contextPos; }
Q_SIGNALS:
    // The pointer moved over this pixel of the image (layer or display
    // pixels), whatever tool is on.
    void pixelHovered(QPoint pixel);

public Q_SLOTS:
    void OnZoomTriggered();
    void OnGridToggled(bool on);
    void OnShowUpdatesToggled(bool on);
    void OnHeatMapToggled(bool on);
    void OnFitToSizeTriggered();
    void OnCopyTriggered();
    void OnCopyColorTriggered();
    void OnEditSelectionTriggered();
    void OnCloseTriggered();
    void OnWatchPixelTriggered();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Key presses and releases go to the view's key handler.
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // Tab and Backtab stay keys of the widget: refusing to move the focus
    // makes Qt deliver them to keyPressEvent.
    bool focusNextPrevChild(bool) override { return false; }

    // The parts every paint shares: widget size, scroll origin, zoom, grid.
    MagnifyScene baseScene() const;
    // The transparency background of layer views, by the number of layers
    // and the transparency draw mode. True when the background follows the
    // window's transparency settings (more than one layer).
    bool setLayerBackground(MagnifyScene &scene) const;
    // Records what a paint of painted (the paint event's region) showed.
    void noteBackground(const QRegion &painted, bool shows);
    // The pixels of rectangle pixels (image coordinates) that, drawn from
    // widget point at with zoom-sized blocks, cover part of exposed.
    static QRect exposedPixels(const QRect &pixels, QPoint at, int zoom, const QRect &exposed);
    // Whether an overlay draws, or the selection shading darkens: then a
    // paint must read an image and finish it.
    bool imageFinished() const;
    // The last steps of every read image before magnification: the active
    // overlays, then the darkening outside the valid selection when
    // "HighlightSelection" is on. An indexed image becomes 32-bit first when
    // either draws on it.
    void finishImage(CImage &image);

    PaintSource *view = nullptr;
    quint8 pointerState = 0;
    QPoint lastGlobalPos;
    QList<QAction *> zoomActions;
    QPoint contextPos;
    QRect selectedRect;
    HandTool hand;
    SelectionTool selectionTool{this};
    MagnifyCache cache;
    QRegion backgroundShown;
    DiffOverlay diffOverlay{view};
    QList<PaintOverlay *> overlays;
};
