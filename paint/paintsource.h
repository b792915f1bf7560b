#pragma once

#include "imaging/layerimage.h"
#include "imaging/referencediff.h"
#include "simlink/blockview.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

class PointerSource;
class QKeyEvent;
class QMenu;

// The grid a view draws over its image.
struct PaintGrid
{
    bool on = false;
    int mode = 0;          // 0 solid lines in color, otherwise inverting
    quint32 color = 0;
};

// The window-wide settings every paint reads.
struct PaintSettings
{
    ImageRules rules;                    // alpha mode and layer count of the last scan
    int transDrawMode = 0;               // 2: transparency shows as a solid colour
    quint32 transDrawColor = 0xFF000000; // that colour
    int transPhase = 0;                  // which transparency tile shows, 0 or 1
    bool highlightSelection = false;     // darken the image outside the selection
};

// What a paint widget draws from: the view that holds it implements this,
// so the paint code needs nothing from the views.
class PaintSource
{
public:
    virtual ~PaintSource() = default;

    // The image size the view claims, in layer (or display) pixels.
    virtual QSize imageSize() const = 0;
    // The claimed size cut to the pixels the block holds: what the paint
    // widget sizes itself for.
    virtual QSize heldImageExtent() = 0;
    virtual int zoomFactor() const = 0;
    virtual PaintGrid grid() const = 0;
    // Scroll-bar values of the view's scroll area (a multiple of the zoom).
    virtual QSize GetScrollPos() const = 0;
    // The size of the scroll area's viewport.
    virtual QSize GetVisibleSize() const = 0;
    // The layer block (null when not attached) and how its pixels are read.
    virtual BlockView GetRecord() = 0;
    // The layer number of GetRecord()'s block, named with each input write.
    virtual int RecordLayer() = 0;
    virtual LayerLayout Layout() = 0;
    // The colour table of an indexed layer; empty otherwise.
    virtual QVector<QRgb> layerPalette() = 0;
    // The layers a composite is made of; empty for a single layer.
    virtual QList<CompositeLayer> compositeLayers() = 0;
    virtual PaintSettings paintSettings() const = 0;
    // While the display is compared with a reference: which of the image's
    // pixels differ from it; null otherwise.
    virtual const DiffMask *differences() { return nullptr; }
    // Update flashes and the redraw heat map over the view's image.
    virtual bool UpdatesShown() const { return false; }
    virtual void ShowUpdates(bool) {}
    virtual bool HeatMapShown() const { return false; }
    virtual void ShowHeatMap(bool) {}
    // What the pointer tools drive (hand, selection, scrolling); null when
    // the source has no tools.
    virtual PointerSource *pointerSource() { return nullptr; }

    // The context menu and key input act through these on the view.
    // The view's name, for the menu's title and texts.
    virtual QString GetTitle() = 0;
    // One of the ten zoom factors.
    virtual void SetZoom(int factor) = 0;
    // Grid on or off, with the view's grid button kept in step.
    virtual void ShowGrid(bool on) = 0;
    // Resizes the window to its size hint, bounded by the screen.
    virtual void FitWindowToViews() = 0;
    // Opens the selection strip's edit dialog (nothing without a strip).
    virtual void EditSelection() = 0;
    // Hides the view through the window.
    virtual void CloseFromMenu() = 0;
    // Entries only this kind of view offers, added to its context menu
    // after the window fitting; they are the menu's children.
    virtual void addViewMenuItems(QMenu *menu) { Q_UNUSED(menu); }
    // Shows text in the main window's status line.
    virtual void ShowStatus(const QString &text) = 0;
    // Every key press and release of the paint widget.
    virtual void HandleKey(QKeyEvent *event) = 0;
    // Pins this view's pixel (in layer or display pixels) in the pixel
    // inspector, whose watch then records the pixel's changes.
    virtual void WatchPixel(const QPoint &pixel) = 0;
};
