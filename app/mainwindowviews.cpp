#include "app/mainwindow.h"

#include "palette/palettewidget.h"
#include "views/scrollareas.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QSplitter>

// Showing and hiding views. One rule holds for every path (build, restore,
// menu entry, close button, palette button): a View entry is checked exactly
// while its view or panel is shown, and a layer view's palette button is
// enabled exactly while its palette panel is hidden.

namespace {

// The number after the "&" of a dynamic View entry ("Layer &3" is 3).
int entryNumber(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('&'));
    return parts.size() > 1 ? parts.at(1).toInt() : -1;
}

// Shown unless hidden on purpose: a view just built is not yet shown (its
// layout shows it later in this event-loop pass) but counts as shown.
bool shownByChoice(const QWidget *w)
{
    return !w->isHidden() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

void MainWindow::SetActionChecked(QAction *action, bool checked, bool withSignals)
{
    if (!action)
        return;
    const bool wasBlocked = withSignals ? action->signalsBlocked() : action->blockSignals(true);
    action->setChecked(checked);
    if (!withSignals)
        action->blockSignals(wasBlocked);
}

void MainWindow::ShowLayerView(int n, bool show, bool adjust)
{
    if (n == -1) {
        if (compositeView)
            compositeView->setVisible(show);
        compositeAction->setChecked(show);
        if (adjust)
            RequestRestoreSize();
    } else if (n >= 0 && n < layerViews.size()) {
        layerViews.at(n)->setVisible(show);
        SetActionChecked(visibleLayerActions.value(n), show, adjust);
        if (adjust)
            RequestRestoreSize();
    } else if (adjust) {
        RequestRestoreSize();
    }
}

void MainWindow::ShowVirtView(int n, bool show, bool adjust)
{
    for (int i = 0; i < virtViews.size(); ++i) {
        if (virtViews.at(i)->GetIndex() != n)
            continue;
        virtViews.at(i)->setVisible(show);
        SetActionChecked(virtualLayerActions.value(i), show, adjust);
        if (adjust)
            RequestRestoreSize();
        return;
    }
    if (adjust)
        RequestRestoreSize();
}

void MainWindow::ShowPaletteView(int n, bool show, bool adjust)
{
    for (PaletteWidget *panel : qAsConst(paletteViews)) {
        if (panel->GetIndex() != n)
            continue;
        panel->setVisible(show);
        panel->View()->SetPaletteButtonDisabled(show);
        break;
    }
    for (QAction *action : qAsConst(paletteActions))
        if (entryNumber(action->text()) == n)
            SetActionChecked(action, show, adjust);
    if (adjust)
        RequestRestoreSize();
}

void MainWindow::OnActVisLayers(bool on)
{
    const int i = visibleLayerActions.indexOf(qobject_cast<QAction *>(sender()));
    ShowLayerView(i >= 0 ? i : -1, on, true);
}

void MainWindow::OnActVirtLayers(bool on)
{
    const QAction *action = qobject_cast<QAction *>(sender());
    if (action)
        ShowVirtView(entryNumber(action->text()), on, true);
}

void MainWindow::OnActColors(bool on)
{
    const QAction *action = qobject_cast<QAction *>(sender());
    if (action)
        ShowPaletteView(entryNumber(action->text()), on, true);
}

void MainWindow::OnActCompositeView(bool on)
{
    ShowLayerView(-1, on, true);
}

void MainWindow::OnTimerSaveSplitter()
{
    if (splitter)
        splitterState = splitter->saveState();
}

void MainWindow::OnSplitterMove(int, int)
{
    if (!scrollArea || !viewContainer)
        return;
    const QRect b = scrollArea->visibleRegion().boundingRect();
    if (b.width() == 0 && b.height() == 0)
        return;
    viewContainer->resize(b.width(), b.height());
}

void MainWindow::SyncViewControls()
{
    for (int i = 0; i < layerViews.size(); ++i)
        SetActionChecked(visibleLayerActions.value(i), shownByChoice(layerViews.at(i)), false);
    for (int i = 0; i < virtViews.size(); ++i)
        SetActionChecked(virtualLayerActions.value(i), shownByChoice(virtViews.at(i)), false);
    for (PaletteWidget *panel : qAsConst(paletteViews)) {
        const bool shown = shownByChoice(panel);
        panel->View()->SetPaletteButtonDisabled(shown);
        for (QAction *action : qAsConst(paletteActions))
            if (entryNumber(action->text()) == panel->GetIndex())
                SetActionChecked(action, shown, false);
    }
    if (compositeView)
        SetActionChecked(compositeAction, shownByChoice(compositeView), false);
}
