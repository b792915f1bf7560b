#pragma once

#include <QList>
#include <QPoint>
#include <QString>

class PaintWidget;
class QAction;
class QMenu;

// What a paint widget's context menu shows: the view's title, zoom and
// grid, whether there is a selection, and the pixel under the pointer.
struct PaintMenuState
{
    QString title;
    int zoom = 1;
    bool gridOn = false;
    bool updatesShown = false;
    bool heatMapShown = false;
    bool hasSelection = false;
    QPoint contextPos;
};

// The context menu's status tips.
QString GridTip(const QString &title);
QString FitTip();
QString CopyTip(bool hasSelection, const QString &title);
QString CopyColorTip(const QPoint &pixel);
QString EditSelectionTip();
QString CloseTip(const QString &title);
QString WatchTip(const QPoint &pixel);
QString UpdatesTip(const QString &title);
QString HeatMapTip(const QString &title);

// Builds a new context menu for owner, every item connected to owner's
// slots. The menu and its zoom submenu (handed out through zoomMenu) are
// children of owner; the caller deletes both. The zoom items are appended
// to zoomActions, which is emptied first.
QMenu *BuildPaintMenu(PaintWidget *owner, const PaintMenuState &state, QList<QAction *> &zoomActions,
                      QMenu **zoomMenu);
