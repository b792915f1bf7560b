#include "app/mainwindow.h"

#include "app/windowpart.h"
#include "dialogs/modalscope.h"
#include "simlink/connection.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QTimer>

// The refresh cycle: polling for the simulation, building the views when it
// appears, refreshing them while it runs and tearing them down when it ends.
// The view set itself (build, arrangement, teardown) is in viewset.cpp.

namespace {

// A simulation that ended and started again within one tick holds the
// presence lock again, under new blocks: an end all the same. A simulation
// publishes all its blocks anew, so layer 0's block tells (one check per
// tick, whatever the layer count).
bool blocksReplaced(const QList<ViewLayer *> &views)
{
    return !views.isEmpty() && simlink::blockReplaced(views.first()->GetRecord(), views.first()->GetIndex());
}

} // namespace

void MainWindow::OnTimerLoad()
{
    if (layers.isEmpty()) {
        alphaMode = simlink::scanLayers(layers);
        layerCount = unsigned(layers.size());
    }
    if (!layers.isEmpty()) {
        loadTimer->stop();
        BuildViews();
    }
}

void MainWindow::OnTimerRedraw()
{
    if (teardownPending || !simlink::simulationRunning() || blocksReplaced(layerViews)) {
        if (ModalScope::IsOpen()) {
            // A dialog or menu of a view runs its own event loop and uses its
            // objects when it returns: keep the views until it has closed,
            // but stop reading the blocks, which may be gone.
            if (!teardownPending)
                SuspendViews();
            return;
        }
        ClearViews();
        SetStatusText(QString());
        redrawTimer->stop();
        transTimer->stop();
        loadTimer->start(25);
        return;
    }
    // Every layer view refreshes, also after an earlier one changed. Only a
    // change of a layer repaints the composite: it has no transparency
    // background, so the alternating tiles never show in it.
    bool changed = false;
    for (ViewLayer *view : qAsConst(layerViews)) {
        if (!view->Refresh())
            continue;
        changed = true;
        // While comparing with a reference, a changed layer is compared
        // again, in its views.
        if (view->Comparing()) {
            view->UpdateComparison();
            if (view->VirtView())
                view->VirtView()->UpdateComparison();
        }
    }
    for (ViewVirtLayer *view : qAsConst(virtViews))
        view->RefreshBackground();
    if (changed && compositeView) {
        compositeView->UpdateComparison();
        compositeView->RepaintChanged();
        compositeView->NoteContentChange();
    }
    for (WindowPart *part : qAsConst(parts))
        part->Tick();
}

void MainWindow::RepaintViews()
{
    for (ViewLayer *view : qAsConst(layerViews))
        view->RepaintImage();
    for (ViewVirtLayer *view : qAsConst(virtViews))
        view->RepaintImage();
    if (compositeView)
        compositeView->RepaintImage();
}

void MainWindow::OnTimerTrans()
{
    // The next tick repaints what shows the tiles, in every view.
    transPhase = 1 - transPhase;
    for (ViewLayer *view : qAsConst(layerViews))
        view->backgroundChanged = true;
    for (ViewVirtLayer *view : qAsConst(virtViews))
        view->backgroundChanged = true;
}
