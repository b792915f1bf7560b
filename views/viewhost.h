#pragma once

#include <QPair>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QtGlobal>

class QWidget;

// What views, panels and paint widgets need from the window that holds
// them: the state of the last layer scan, the settings members, the status
// line and the calls that show or hide a view. The main window implements
// it; the lower folders see the window only through this.
class ViewHost
{
public:
    virtual ~ViewHost() = default;

    // Shared state read by views, paint widgets and dialogs.
    quint8 alphaMode = 255;     // alpha-mode byte of the last scan, 255 when none
    unsigned int layerCount = 0; // number of layers found by the last scan
    int transPhase = 0;          // which transparency tile shows, 0 or 1

    // Settings members, loaded at start-up.
    quint32 defaultGridColor = 0xFF3F3F3F;
    int defaultGridMode = 0;
    int alwaysOnTop = 0;
    int multiDisplay = 0;
    int transDrawMode = 0;
    quint32 transDrawColor = 0xFF000000;
    int hideManualWarning = 0;
    int highlightPaletteColors = 0;
    int highlightSelection = 1;
    int minimalView = 0;

    virtual void SetStatusText(const QString &text) = 0;
    virtual QString StatusText() const = 0;
    // "Display" in multi-display mode, otherwise "Layer".
    QString LayerWord() const;
    // Grid colour and mode given to each new view.
    QPair<quint32, int> DefaultGrid() const;

    // n = -1 is the composite view.
    virtual void ShowLayerView(int n, bool show, bool adjust) = 0;
    virtual void ShowVirtView(int n, bool show, bool adjust) = 0;
    virtual void ShowPaletteView(int n, bool show, bool adjust) = 0;

    // Resizes the window to size, bounded by its screen's available area.
    virtual void ResizeWithinScreen(const QSize &size) = 0;
    // The largest client size whose frame fits the screen's available area.
    virtual QSize ScreenLimit() const = 0;
    // The window's own size hint: room for every view at its zoom.
    virtual QSize WindowSizeHint() const = 0;
    // The widget the views are laid out in, resized when a view changes size.
    virtual QWidget *ViewContainer() const = 0;
    // Pins a view's pixel in the pixel inspector. viewKind is the view
    // identifier's kind, layer the view's layer number (-1 for the
    // composite), pixel in that view's pixels. Without an inspector nothing
    // happens.
    virtual void WatchPixel(int viewKind, int layer, QPoint pixel)
    {
        Q_UNUSED(viewKind);
        Q_UNUSED(layer);
        Q_UNUSED(pixel);
    }
};

// The one main window, set right after it is constructed; null before.
ViewHost *mainWindow();
void setMainWindow(ViewHost *window);
