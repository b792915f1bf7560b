#pragma once

#include "simlink/layerblock.h"
#include "views/cwidget.h"
#include "views/viewhost.h"

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPair>

class InputActions;
class InspectorHost;
class QAction;
class QHBoxLayout;
class QLayout;
class QLabel;
class QMenu;
class QMenuBar;
class QSplitter;
class QTimer;
class ColumnScrollArea;
class LayerScrollArea;
class PaletteWidget;
class CompareMode;
class ViewComposite;
class ViewLayer;
class SnapshotAction;
class ViewMenu;
class ViewVirtLayer;
class WindowPart;

// The tool's only top-level window: menus, the central area with either
// "No simulation found." or the views, and the status line. Its timers poll
// the simulation, build the views when it appears, refresh them while it
// runs and tear them down when it ends.
class MainWindow : public QMainWindow, public ViewHost
{
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    QSize sizeHint() const override;

    // ViewHost: the shared state and settings members are declared there.
    void SetStatusText(const QString &text) override;
    QString StatusText() const override;
    void ShowLayerView(int n, bool show, bool adjust) override;
    void ShowVirtView(int n, bool show, bool adjust) override;
    void ShowPaletteView(int n, bool show, bool adjust) override;

    void BuildViews();
    void ClearViews();
    // Repaints every view now: after a change of how all of them draw
    // (transparency, selection highlight), whatever their counters say.
    void RepaintViews();
    // True between the simulation's end and the deferred teardown: a modal
    // dialog or menu was open, the views stay but no longer read the blocks.
    bool TeardownPending() const { return teardownPending; }
    // Resizes the window to size, bounded by its screen's available area
    // (the window-size restore, and the paint widget's "fit window").
    void ResizeWithinScreen(const QSize &size) override;
    // The largest client size whose frame fits the screen's available area.
    QSize ScreenLimit() const override;
    QSize WindowSizeHint() const override { return sizeHint(); }
    // Passed to every part: the pixel inspector shows itself (as its View
    // entry would) and pins the pixel.
    void WatchPixel(int viewKind, int layer, QPoint pixel) override;
    void ApplyMinimalView();
    void SetNoSimulationText(bool on);
    // Adds a part beside the views (not owned): it is told, after the parts
    // added before it, when views are built and torn down, on each redraw
    // tick and when a pixel is to be watched. Added while views exist, it is
    // attached at once. A part that goes before the window removes itself.
    void AddPart(WindowPart *part);
    void RemovePart(WindowPart *part);

    const QList<LayerInfo> &Layers() const { return layers; }
    const QList<ViewLayer *> &LayerViews() const { return layerViews; }
    const QList<ViewVirtLayer *> &VirtViews() const { return virtViews; }
    const QList<PaletteWidget *> &PaletteViews() const { return paletteViews; }
    ViewComposite *CompositeView() const { return compositeView; }
    QWidget *ViewContainer() const override { return viewContainer; }
    QByteArray Signature() const { return signature; }
    LayerScrollArea *ScrollArea() const { return scrollArea; }
    QSplitter *Splitter() const { return splitter; }
    InspectorHost *Inspector() const { return inspectorHost; }
    SnapshotAction *Snapshot() const { return snapshotAction; }
    CompareMode *Comparison() const { return compareMode; }

public Q_SLOTS:
    void OnActAbout();
    void OnActExit();
    void OnActCompositeView(bool on);
    void OnActDefaultGridColor();
    void OnActAlwaysOnTop(bool on);
    void OnActMinimalView(bool on);
    void OnActHighlightColors(bool on);
    void OnActMultiDisplay();
    void OnActTransparency();
    // n is the layer number the View entry carries.
    void OnActVisLayers(int n, bool on);
    void OnActVirtLayers(int n, bool on);
    void OnActColors(int n, bool on);
    void OnActRestoreSize();
    void OnActManual();
    void OnActHighlightSelect(bool on);
    void OnTimerLoad();
    void OnTimerTrans();
    void OnTimerRedraw();
    void OnTimerResize();
    void OnTimerSaveSplitter();
    void OnSplitterMove(int Pos, int Index);

private:
    void BuildMenus();
    void LoadSettings();
    QByteArray BuildSignature() const;
    void SuspendViews();
    // Places the views built by BuildViews in the central area.
    void ArrangeViews(QLayout *grid, QLayout *right);
    // Gives the View entries one entry per view just built.
    void FillViewEntries();
    // Deletes every view and panel in the one teardown order: palette
    // panels, virtual-layer views, the composite view, then the layer views,
    // which own the blocks the others read; each kind newest first.
    void DeleteViews();
    void SyncViewControls();
    void RequestRestoreSize();

    // Frame.
    QMenuBar *menuBar_ = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QMenu *optionsMenu = nullptr;
    QMenu *helpMenu = nullptr;
    ViewMenu *viewEntries = nullptr;
    QAction *compositeAction = nullptr;
    QAction *alwaysOnTopAction = nullptr;
    QAction *highlightColorsAction = nullptr;
    QAction *multiDisplayAction = nullptr;
    QAction *gridColorAction = nullptr;
    QAction *transparencyAction = nullptr;
    QAction *highlightSelectionAction = nullptr;
    QAction *restoreSizeAction = nullptr;
    QAction *manualAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *aboutAction = nullptr;
    QLabel *statusLabel = nullptr;
    SnapshotAction *snapshotAction = nullptr;
    CompareMode *compareMode = nullptr;
    InputActions *inputActions = nullptr;
    InspectorHost *inspectorHost = nullptr;
    // The parts above and any added later, in the order they are told.
    QList<WindowPart *> parts;

    // Views of the current connection.
    QList<LayerInfo> layers;
    QList<ViewLayer *> layerViews;
    QList<PaletteWidget *> paletteViews;
    QList<ViewVirtLayer *> virtViews;
    ViewComposite *compositeView = nullptr;
    QMap<int, CWidget *> viewMap;
    QByteArray signature;
    QList<ViewState> savedStates;
    LayerScrollArea *scrollArea = nullptr;
    QWidget *viewContainer = nullptr;
    QSplitter *splitter = nullptr;
    QWidget *splitterPanel = nullptr;
    ColumnScrollArea *panelArea = nullptr; // holds splitterPanel in the splitter
    // Without a composite the views scroll in this frameless area, so that
    // no number or size of layers makes the window's minimum exceed the screen.
    LayerScrollArea *rowArea = nullptr;
    QByteArray splitterState;
    QLabel *noSimulationLabel = nullptr;
    QHBoxLayout *centralLayout = nullptr;
    QTimer *loadTimer = nullptr;
    QTimer *redrawTimer = nullptr;
    QTimer *transTimer = nullptr;
    bool teardownPending = false;
};

// Menu helpers: both take zero-terminated Latin-1 strings.
QMenu *AddMenu(const char *title, QMenuBar *menuBar, QWidget *parent);
QAction *AddAction(const char *text, const char *shortcut, QWidget *widget, QObject *parent);
