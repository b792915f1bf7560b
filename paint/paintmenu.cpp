// The paint widget's context menu and the commands behind it.
#include "paint/paintmenu.h"

#include "dialogs/modalscope.h"
#include "paint/clipboardsink.h"
#include "paint/copyrules.h"
#include "paint/paintwidget.h"
#include "paint/zoomlevels.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

QString GridTip(const QString &title)
{
    return QStringLiteral("Toggle the grid of %1.").arg(title);
}

QString FitTip()
{
    return QStringLiteral("Resizes this layer to its entire size (based on the zoom level).");
}

QString CopyTip(bool hasSelection, const QString &title)
{
    return hasSelection ? QStringLiteral("Copy the current selection to clipboard.")
                        : QStringLiteral("Copy the contents of %1 to clipboard.").arg(title);
}

QString CopyColorTip(const QPoint &pixel)
{
    return QStringLiteral("Copy the pixel color at (%1,%2) in ARGB to clipboard.").arg(pixel.x()).arg(pixel.y());
}

QString EditSelectionTip()
{
    return QStringLiteral("Edit the position and size of the current selection.");
}

QString CloseTip(const QString &title)
{
    return QStringLiteral("Close %1.").arg(title);
}

QString WatchTip(const QPoint &pixel)
{
    return QStringLiteral("Watch the pixel at (%1,%2) in the pixel inspector.").arg(pixel.x()).arg(pixel.y());
}

QString UpdatesTip(const QString &title)
{
    return QStringLiteral("Highlight the pixels of %1 that change, fading out over one second.").arg(title);
}

QString HeatMapTip(const QString &title)
{
    return QStringLiteral("Show how often each pixel of %1 changed in the last 10 seconds.").arg(title);
}

QMenu *BuildPaintMenu(PaintWidget *owner, const PaintMenuState &state, QList<QAction *> &zoomActions,
                      QMenu **zoomMenu)
{
    auto *menu = new QMenu(state.title, owner);

    auto *zoom = new QMenu(QStringLiteral("&Zoom"), owner);
    if (zoomMenu)
        *zoomMenu = zoom;
    menu->addMenu(zoom);
    zoomActions.clear();
    for (int factor : ZoomLevelFactors) {
        QAction *a = zoom->addAction(QStringLiteral("&%1%").arg(factor * 100));
        a->setEnabled(factor != state.zoom);
        QObject::connect(a, &QAction::triggered, owner, &PaintWidget::OnZoomTriggered);
        zoomActions.append(a);
    }

    QAction *grid = menu->addAction(QStringLiteral("&Grid"));
    grid->setCheckable(true);
    grid->setChecked(state.gridOn);
    grid->setEnabled(state.zoom >= 3);
    grid->setStatusTip(GridTip(state.title));
    QObject::connect(grid, &QAction::toggled, owner, &PaintWidget::OnGridToggled);

    QAction *fit = menu->addAction(QStringLiteral("&Fit window size to layer"));
    fit->setStatusTip(FitTip());
    QObject::connect(fit, &QAction::triggered, owner, &PaintWidget::OnFitToSizeTriggered);
    owner->View()->addViewMenuItems(menu);

    menu->addSeparator();
    QAction *copy = menu->addAction(QStringLiteral("&Copy to clipboard"));
    copy->setStatusTip(CopyTip(state.hasSelection, state.title));
    QObject::connect(copy, &QAction::triggered, owner, &PaintWidget::OnCopyTriggered);

    QAction *copyColor = menu->addAction(QStringLiteral("Copy co&lor"));
    copyColor->setStatusTip(CopyColorTip(state.contextPos));
    QObject::connect(copyColor, &QAction::triggered, owner, &PaintWidget::OnCopyColorTriggered);

    menu->addSeparator();
    QAction *edit = menu->addAction(QStringLiteral("&Edit selection..."));
    edit->setStatusTip(EditSelectionTip());
    edit->setEnabled(state.hasSelection);
    QObject::connect(edit, &QAction::triggered, owner, &PaintWidget::OnEditSelectionTriggered);

    menu->addSeparator();
    QAction *close = menu->addAction(QStringLiteral("Cl&ose"));
    close->setStatusTip(CloseTip(state.title));
    QObject::connect(close, &QAction::triggered, owner, &PaintWidget::OnCloseTriggered);

    menu->addSeparator();
    QAction *watch = menu->addAction(QStringLiteral("&Watch pixel"));
    watch->setStatusTip(WatchTip(state.contextPos));
    QObject::connect(watch, &QAction::triggered, owner, &PaintWidget::OnWatchPixelTriggered);

    menu->addSeparator();
    QAction *updates = menu->addAction(QStringLiteral("Show &updates"));
    updates->setCheckable(true);
    updates->setChecked(state.updatesShown);
    updates->setStatusTip(UpdatesTip(state.title));
    QObject::connect(updates, &QAction::toggled, owner, &PaintWidget::OnShowUpdatesToggled);

    QAction *heat = menu->addAction(QStringLiteral("&Heat map"));
    heat->setCheckable(true);
    heat->setChecked(state.heatMapShown);
    heat->setStatusTip(HeatMapTip(state.title));
    QObject::connect(heat, &QAction::toggled, owner, &PaintWidget::OnHeatMapToggled);
    return menu;
}

void PaintWidget::contextMenuEvent(QContextMenuEvent *event)
{
    const int z = qMax(1, view->zoomFactor());
    // Integer division dropping the remainder (QPoint's operator/ rounds).
    contextPos = QPoint(event->pos().x() / z, event->pos().y() / z);

    PaintMenuState state;
    state.title = view->GetTitle();
    state.zoom = view->zoomFactor();
    state.gridOn = view->grid().on;
    state.updatesShown = view->UpdatesShown();
    state.heatMapShown = view->HeatMapShown();
    state.hasSelection = Selection() != nullptr || validSelection().isValid();
    state.contextPos = contextPos;

    QPointer<PaintWidget> self(this);
    QMenu *zoom = nullptr;
    QPointer<QMenu> menu = BuildPaintMenu(this, state, zoomActions, &zoom);
    QPointer<QMenu> zoomMenu = zoom;
    // The views are not torn down while the menu runs; should this widget
    // go anyway, its menus went with it and nothing here is touched.
    ExecMenu(menu, event->globalPos());
    if (!self)
        return;
    zoomActions.clear();
    delete zoomMenu.data();
    delete menu.data();
    event->accept();
}

void PaintWidget::OnZoomTriggered()
{
    const int at = zoomActions.indexOf(qobject_cast<QAction *>(sender()));
    if (at >= 0 && at < ZoomLevels)
        view->SetZoom(ZoomLevelFactors[at]);
}

void PaintWidget::OnShowUpdatesToggled(bool on)
{
    view->ShowUpdates(on);
}

void PaintWidget::OnHeatMapToggled(bool on)
{
    view->ShowHeatMap(on);
}

void PaintWidget::OnGridToggled(bool on)
{
    view->ShowGrid(on);
    update();
}

void PaintWidget::OnFitToSizeTriggered()
{
    view->FitWindowToViews();
}

void PaintWidget::OnCopyTriggered()
{
    const QRect sel = validSelection();
    const int zoom = qMax(1, view->zoomFactor());
    ClipboardCopy copy;
    if (sel.isValid()) {
        // Checked before the pixels are read, so a huge selection reads nothing.
        if (FitsMagnified(sel.width(), sel.height(), zoom))
            copy = CopyForClipboard(selectionImage(), zoom, view->GetTitle(), &sel);
        else
            copy.message = CopyTooLargeText(true);
    } else if (Selection()) {
        // A selection that is still empty copies nothing and says nothing.
        return;
    } else {
        // Likewise: the composite's content is the whole display it claims.
        const QSize content = contentSize();
        if (FitsMagnified(content.width(), content.height(), zoom))
            copy = CopyForClipboard(contentImage(), zoom, view->GetTitle(), nullptr);
        else
            copy.message = CopyTooLargeText(false);
    }
    if (!copy.image.isNull())
        PutImageOnClipboard(copy.image);
    if (!copy.message.isEmpty())
        view->ShowStatus(copy.message);
}

void PaintWidget::OnCopyColorTriggered()
{
    PutTextOnClipboard(ColorClipboardText(pixelColor(contextPos.x(), contextPos.y())));
}

void PaintWidget::OnEditSelectionTriggered()
{
    view->EditSelection();
}

void PaintWidget::OnCloseTriggered()
{
    view->CloseFromMenu();
}

void PaintWidget::OnWatchPixelTriggered()
{
    view->WatchPixel(contextPos);
}

void PaintWidget::keyPressEvent(QKeyEvent *event)
{
    view->HandleKey(event);
    event->accept();
}

void PaintWidget::keyReleaseEvent(QKeyEvent *event)
{
    view->HandleKey(event);
    event->accept();
}
