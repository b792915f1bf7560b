#pragma once

#include "inspector/pixelinspect.h"
#include "views/viewwidget.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QPointer>

class QLabel;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class ViewComposite;
class ViewLayer;

// The "Pixel Inspector" dock: the display position of the pixel last under
// the pointer in any view, a table with one row per layer and one for the
// composite, and the history of a watched pixel. It reads the blocks only
// while shown, and then only on a refresh tick on which a counter changed
// or the hovered pixel moved.
class InspectorDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit InspectorDock(QWidget *parent);

    // The main window's list of layer views (read only; empty while no
    // simulation runs). Null detaches the dock.
    void SetLayerViews(const QList<ViewLayer *> *views);
    // The composite view, whose choice of layers the composite row follows;
    // null when there is none.
    void setCompositeView(ViewComposite *view);

    QLabel *PositionLabel() const { return positionLabel; }
    QLabel *WatchLabel() const { return watchLabel; }
    QTableWidget *Table() const { return table; }
    QTreeWidget *History() const { return history; }
    QPushButton *WatchButton() const { return watchButton; }
    QPushButton *ClearButton() const { return clearButton; }
    const inspector::WatchHistory &Watch() const { return watch; }

public Q_SLOTS:
    // A view's pixel is under the pointer. viewKind is the view identifier's
    // kind (ViewId::Layer, ViewId::VirtLayer, ViewId::Composite), layer the
    // view's layer number (-1 for the composite).
    void OnPixelHovered(int viewKind, int layer, QPoint layerPixel);
    // The main window's refresh tick.
    void OnTimerRefresh();
    void OnBtnWatchClicked();
    // Pins a view's pixel (arguments as for OnPixelHovered): the table shows
    // it until the pointer moves on, and the watch begins there.
    void WatchPixel(int viewKind, int layer, QPoint layerPixel);
    void OnBtnClearClicked();
    void OnCopyTable();
    void OnCopyHistory();

Q_SIGNALS:
    // The dock's own close button was used.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QList<inspector::InspectLayer> ReadLayers() const;
    QStringList Titles() const;
    QPoint HoveredDisplay() const;
    // Makes the pixel the hovered one and the table due for a rewrite.
    void SetHovered(int viewKind, int layer, QPoint layerPixel);
    bool CountersChanged();
    void ShowInspection();
    void ShowRates();
    void ShowChanges();
    void AddHistoryItem(const inspector::HistoryEntry &entry);
    void StartWatch(QPoint display);

    const QList<ViewLayer *> *layerViews = nullptr;
    QPointer<ViewComposite> compositeView;
    // The composite's left-out layers the table was last computed with.
    quint32 leftOutSeen = 0;
    QLabel *positionLabel = nullptr;
    QLabel *watchLabel = nullptr;
    QTableWidget *table = nullptr;
    QTreeWidget *history = nullptr;
    QPushButton *watchButton = nullptr;
    QPushButton *clearButton = nullptr;

    // The hovered pixel: its view and the pixel in that view.
    bool hovered = false;
    int hoverKind = 0;
    int hoverLayer = 0;
    QPoint hoverPixel;
    bool dirty = false;

    inspector::Inspection current;
    inspector::WatchHistory watch;
    QElapsedTimer clock;
    QElapsedTimer watchClock;
    QList<qint32> contentCounters;
    QList<qint32> paletteCounters;
    QList<inspector::UpdateRate> rates;
    QList<int> shownRates;
};
