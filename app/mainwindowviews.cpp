#include "app/mainwindow.h"

#include "app/viewmenu.h"
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

// Shown unless hidden on purpose: a view just built is not yet shown (its
// layout shows it later in this event-loop pass) but counts as shown.
bool shownByChoice(const QWidget *w)
{
    return !w->isHidden() || !w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

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
        viewEntries->SetChecked(ViewMenu::VisibleLayers, n, show, adjust);
        if (adjust)
            RequestRestoreSize();
    } else if (adjust) {
        RequestRestoreSize();
    }
}

void MainWindow::ShowVirtView(int n, bool show, bool adjust)
{
    for (ViewVirtLayer *view : qAsConst(virtViews)) {
        if (view->GetIndex() != n)
            continue;
        view->setVisible(show);
        viewEntries->SetChecked(ViewMenu::VirtualLayers, n, show, adjust);
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
    viewEntries->SetChecked(ViewMenu::Palettes, n, show, adjust);
    if (adjust)
        RequestRestoreSize();
}

void MainWindow::OnActVisLayers(int n, bool on)
{
    ShowLayerView(n, on, true);
}

void MainWindow::OnActVirtLayers(int n, bool on)
{
    ShowVirtView(n, on, true);
}

void MainWindow::OnActColors(int n, bool on)
{
    ShowPaletteView(n, on, true);
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
    for (ViewLayer *view : qAsConst(layerViews))
        viewEntries->SetChecked(ViewMenu::VisibleLayers, view->GetIndex(), shownByChoice(view), false);
    for (ViewVirtLayer *view : qAsConst(virtViews))
        viewEntries->SetChecked(ViewMenu::VirtualLayers, view->GetIndex(), shownByChoice(view), false);
    for (PaletteWidget *panel : qAsConst(paletteViews)) {
        const bool shown = shownByChoice(panel);
        panel->View()->SetPaletteButtonDisabled(shown);
        viewEntries->SetChecked(ViewMenu::Palettes, panel->GetIndex(), shown, false);
    }
    if (compositeView)
        ViewMenu::SetActionChecked(compositeAction, shownByChoice(compositeView), false);
}
