#include "app/mainwindow.h"

#include "dialogs/gridsetting.h"
#include "dialogs/modalscope.h"
#include "palette/palettewidget.h"
#include "simlink/connection.h"
#include "views/scrollareas.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

// The refresh cycle: polling for the simulation, building the views when it
// appears, refreshing them while it runs and tearing them down when it ends.

namespace {

QSpacerItem *expandingSpacer()
{
    return new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding);
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
    if (teardownPending || !simlink::simulationRunning()) {
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
    // Every layer view refreshes, also after an earlier one changed.
    bool changed = false;
    for (ViewLayer *view : qAsConst(layerViews))
        changed = view->Refresh() || changed;
    if (changed && compositeView)
        compositeView->RepaintImage();
}

void MainWindow::OnTimerTrans()
{
    transPhase = 1 - transPhase;
    for (ViewLayer *view : qAsConst(layerViews))
        view->forceRefresh = true;
    for (ViewVirtLayer *view : qAsConst(virtViews))
        view->forceRefresh = true;
}

void MainWindow::BuildViews()
{
    SetNoSimulationText(false);

    QGridLayout *grid = new QGridLayout;
    QVBoxLayout *right = new QVBoxLayout;

    for (int i = 0; i < int(layerCount) && i < layers.size(); ++i) {
        QVBoxLayout *column = new QVBoxLayout;
        ViewLayer *view = new ViewLayer(this, layers.at(i));
        column->addWidget(view);
        column->addItem(expandingSpacer());
        grid->addLayout(column, i, 0);
        layerViews.append(view);
        viewMap.insert(view->GetId(), view);

        if (view->IsIndexed()) {
            QVBoxLayout *paletteColumn = new QVBoxLayout;
            PaletteWidget *panel = new PaletteWidget(this, view, highlightPaletteColors != 0);
            paletteColumn->addWidget(panel);
            paletteColumn->addItem(expandingSpacer());
            grid->addLayout(paletteColumn, i, 1);
            paletteViews.append(panel);
            viewMap.insert(panel->GetId(), panel);
        }

        if (layers.at(i).hasVirtualScreen()) {
            ViewVirtLayer *virtView = new ViewVirtLayer(this, view);
            virtViews.append(virtView);
            viewMap.insert(virtView->GetId(), virtView);
            right->addWidget(virtView, 0, Qt::AlignRight | Qt::AlignTop);
            right->addItem(expandingSpacer());
        }
    }

    if (!layerViews.isEmpty() && simlink::compositeSize(layerViews.first()->GetRecord())) {
        compositeView = new ViewComposite(this, &layerViews);
        viewMap.insert(ViewId::Composite, compositeView);
        right->addWidget(compositeView, 0, Qt::AlignRight | Qt::AlignTop);
        right->addItem(expandingSpacer());

        splitter = new QSplitter(Qt::Horizontal, this);
        scrollArea = new LayerScrollArea(this);
        viewContainer = new QWidget(scrollArea);
        viewContainer->setLayout(grid);
        viewContainer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        scrollArea->setWidget(viewContainer);
        scrollArea->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        scrollArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

        splitterPanel = new QWidget(this);
        splitterPanel->setLayout(right);
        splitterPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);

        splitter->addWidget(scrollArea);
        splitter->addWidget(splitterPanel);
        splitter->setOpaqueResize(false);
        splitter->setCollapsible(0, false);
        splitter->setCollapsible(1, false);
        splitter->setHandleWidth(8);
        splitter->setStretchFactor(1, 1);

        centralLayout->addWidget(splitter);
        connect(splitter, &QSplitter::splitterMoved, this, &MainWindow::OnSplitterMove);
        QTimer::singleShot(5, this, &MainWindow::OnTimerSaveSplitter);
    } else {
        QHBoxLayout *row = new QHBoxLayout;
        row->addLayout(grid);
        row->addLayout(right);
        row->addItem(expandingSpacer());
        centralLayout->addLayout(row);
    }

    redrawTimer->start(15);
    if (transDrawMode == TransModeAlternating)
        transTimer->start(500);

    QList<int> numbers;
    for (ViewLayer *view : qAsConst(layerViews))
        numbers.append(view->GetIndex());
    FillViewMenu(visibleLayerMenu, visibleLayerActions, numbers, "Layer &%1", &MainWindow::OnActVisLayers);
    numbers.clear();
    for (ViewVirtLayer *view : qAsConst(virtViews))
        numbers.append(view->GetIndex());
    FillViewMenu(virtualLayerMenu, virtualLayerActions, numbers, "Layer &%1", &MainWindow::OnActVirtLayers);
    numbers.clear();
    for (PaletteWidget *panel : qAsConst(paletteViews))
        numbers.append(panel->GetIndex());
    FillViewMenu(palettesMenu, paletteActions, numbers, "Palette &%1", &MainWindow::OnActColors);
    if (compositeView) {
        compositeAction->setCheckable(true);
        compositeAction->setEnabled(true);
        compositeAction->setChecked(true);
        connect(compositeAction, &QAction::toggled, this, &MainWindow::OnActCompositeView, Qt::UniqueConnection);
    }

    for (ViewVirtLayer *view : qAsConst(virtViews))
        ShowVirtView(view->GetIndex(), false, false);

    ApplyMinimalView();

    if (signature.isEmpty()) {
        // First connection since start: fit the window to the views.
        SyncViewControls();
        RequestRestoreSize();
        return;
    }
    const QByteArray current = BuildSignature();
    if (current == signature) {
        for (const ViewState &state : qAsConst(savedStates)) {
            CWidget *view = viewMap.value(state.id);
            if (view)
                view->RestoreState(&state);
        }
    }
    signature = current;
    // Restored states show and hide views: the View entries and palette
    // buttons follow.
    SyncViewControls();
}

void MainWindow::FillViewMenu(QMenu *menu, QList<QAction *> &actions, const QList<int> &numbers,
                              const char *format, void (MainWindow::*slot)(bool))
{
    if (numbers.isEmpty())
        return;
    // The entries belong to the submenu, so clear() frees them.
    menu->clear();
    actions.clear();
    for (int n : numbers) {
        const QByteArray text = QString::fromLatin1(format).arg(n).toLatin1();
        QAction *action = AddAction(text.constData(), "", menu, menu);
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this, slot);
        actions.append(action);
    }
}

QByteArray MainWindow::BuildSignature() const
{
    QByteArray s;
    s.append(char(layerViews.size() & 0xFF));
    s.append(char(paletteViews.size() & 0xFF));
    s.append(char(virtViews.size() & 0xFF));
    s.append(char(compositeView ? 1 : 0));
    for (ViewLayer *view : layerViews)
        s.append(char(simlink::bitsPerPixel(view->GetRecord()) & 0xFF));
    for (PaletteWidget *panel : paletteViews)
        s.append(char(panel->GetColorCount() & 0xFF));
    return s;
}

void MainWindow::SuspendViews()
{
    // The signature reads the blocks: take it while they are attached.
    signature = BuildSignature();
    teardownPending = true;
    for (ViewLayer *view : qAsConst(layerViews))
        view->DetachBlock();
}

void MainWindow::ClearViews()
{
    if (!teardownPending)
        signature = BuildSignature();
    teardownPending = false;
    savedStates.clear();
    for (CWidget *view : qAsConst(viewMap)) {
        ViewState state;
        view->SaveState(&state);
        savedStates.append(state);
    }

    // Panels and linked views first, the layer views (which own the blocks) last.
    const QList<CWidget *> views = viewMap.values();
    for (int i = views.size() - 1; i >= 0; --i)
        delete views.at(i);

    if (scrollArea) {
        delete scrollArea;
        scrollArea = nullptr;
        viewContainer = nullptr;
    }
    if (splitter) {
        delete splitter;
        splitter = nullptr;
        splitterPanel = nullptr;
    }
    if (compositeView) {
        compositeView = nullptr;
        compositeAction->setEnabled(false);
    }
    layerViews.clear();
    layers.clear();
    virtViews.clear();
    paletteViews.clear();
    viewMap.clear();

    while (QLayoutItem *item = centralLayout->takeAt(0)) {
        if (QLayout *layout = item->layout())
            delete layout;
        else
            delete item;
    }
    SetNoSimulationText(true);
}
