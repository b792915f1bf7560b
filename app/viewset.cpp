#include "app/mainwindow.h"

#include "app/viewmenu.h"
#include "app/windowpart.h"
#include "dialogs/gridsetting.h"
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
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

// The view set of one connection: building the views from the scanned
// layers, placing them, the configuration signature and saved states that
// bring a view's state back, and the teardown.

namespace {

QSpacerItem *expandingSpacer()
{
    return new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding);
}

} // namespace

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
            connect(view, &ViewLayer::PaletteRequested, this, [this](int n) { ShowPaletteView(n, true, true); });
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
    }
    ArrangeViews(grid, right);
    for (WindowPart *part : qAsConst(parts))
        part->AttachViews();

    redrawTimer->start(15);
    if (transDrawMode == TransModeAlternating)
        transTimer->start(500);

    FillViewEntries();

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

void MainWindow::ArrangeViews(QLayout *grid, QLayout *right)
{
    if (compositeView) {
        splitter = new QSplitter(Qt::Horizontal, this);
        scrollArea = new LayerScrollArea(this);
        viewContainer = new QWidget(scrollArea);
        viewContainer->setLayout(grid);
        viewContainer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        scrollArea->setWidget(viewContainer);
        scrollArea->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        scrollArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

        // The right-hand column scrolls vertically, so that the virtual
        // views shown and the composite never push the window's minimum
        // height beyond the screen.
        panelArea = new ColumnScrollArea(this);
        splitterPanel = new QWidget(panelArea);
        splitterPanel->setLayout(right);
        splitterPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        panelArea->setWidget(splitterPanel);

        splitter->addWidget(scrollArea);
        splitter->addWidget(panelArea);
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
        row->setContentsMargins(0, 0, 0, 0);
        row->addLayout(grid);
        row->addLayout(right);
        row->addItem(expandingSpacer());
        rowArea = new LayerScrollArea(this);
        rowArea->setFrameShape(QFrame::NoFrame);
        rowArea->setWidgetResizable(true);
        QWidget *rowContainer = new QWidget(rowArea);
        rowContainer->setLayout(row);
        rowArea->setWidget(rowContainer);
        centralLayout->addWidget(rowArea);
    }
}

void MainWindow::FillViewEntries()
{
    QList<int> numbers;
    for (ViewLayer *view : qAsConst(layerViews))
        numbers.append(view->GetIndex());
    viewEntries->Fill(ViewMenu::VisibleLayers, numbers);
    numbers.clear();
    for (ViewVirtLayer *view : qAsConst(virtViews))
        numbers.append(view->GetIndex());
    viewEntries->Fill(ViewMenu::VirtualLayers, numbers);
    numbers.clear();
    for (PaletteWidget *panel : qAsConst(paletteViews))
        numbers.append(panel->GetIndex());
    viewEntries->Fill(ViewMenu::Palettes, numbers);
    if (compositeView) {
        compositeAction->setCheckable(true);
        compositeAction->setEnabled(true);
        // Checked without running its slot: the composite is shown by its
        // layout, and a slot run here would refit the window even when a
        // restored state hides the composite again at once.
        ViewMenu::SetActionChecked(compositeAction, true, false);
        connect(compositeAction, &QAction::toggled, this, &MainWindow::OnActCompositeView, Qt::UniqueConnection);
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
    // NumColors as the block holds it now, not as the kept palette last saw it.
    for (PaletteWidget *panel : paletteViews)
        s.append(char(simlink::NumColors(panel->View()->GetRecord()) & 0xFF));
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

    for (WindowPart *part : qAsConst(parts))
        part->DetachViews();
    const bool hadComposite = compositeView != nullptr;
    DeleteViews();

    if (scrollArea) {
        delete scrollArea;
        scrollArea = nullptr;
        viewContainer = nullptr;
    }
    if (splitter) {
        delete splitter;
        splitter = nullptr;
        splitterPanel = nullptr;
        panelArea = nullptr;
    }
    delete rowArea;
    rowArea = nullptr;
    if (hadComposite)
        compositeAction->setEnabled(false);
    layers.clear();

    while (QLayoutItem *item = centralLayout->takeAt(0)) {
        if (QLayout *layout = item->layout())
            delete layout;
        else
            delete item;
    }
    SetNoSimulationText(true);
}

void MainWindow::DeleteViews()
{
    // The views that read through a layer view's block go before it.
    while (!paletteViews.isEmpty())
        delete paletteViews.takeLast();
    while (!virtViews.isEmpty())
        delete virtViews.takeLast();
    delete compositeView;
    compositeView = nullptr;
    while (!layerViews.isEmpty())
        delete layerViews.takeLast();
    viewMap.clear();
}
