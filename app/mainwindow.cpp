#include "app/mainwindow.h"

#include "app/comparemode.h"
#include "app/inputactions.h"
#include "app/inspectorhost.h"
#include "base/settings.h"
#include "app/snapshotaction.h"
#include "base/version.h"
#include "app/viewmenu.h"
#include "app/windowpart.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/artwork.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/gridsetting.h"
#include "dialogs/manual.h"
#include "dialogs/manualwarndialog.h"
#include "dialogs/multidisplaydialog.h"
#include "dialogs/transparencydialog.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

QMenu *AddMenu(const char *title, QMenuBar *menuBar, QWidget *parent)
{
    QMenu *menu = new QMenu(parent);
    menu->setTitle(QString::fromLatin1(title));
    if (menuBar)
        menuBar->addMenu(menu);
    return menu;
}

QAction *AddAction(const char *text, const char *shortcut, QWidget *widget, QObject *parent)
{
    QAction *action = new QAction(parent);
    action->setText(QString::fromLatin1(text));
    action->setShortcut(QKeySequence(QString::fromLatin1(shortcut ? shortcut : "")));
    widget->addAction(action);
    return action;
}

MainWindow::MainWindow()
    : QMainWindow(nullptr)
{
    resize(350, 300);
    setWindowIcon(ApplicationIcon());
    BuildMenus();
    LoadSettings();

    loadTimer = new QTimer(this);
    connect(loadTimer, &QTimer::timeout, this, &MainWindow::OnTimerLoad);
    loadTimer->start(25);
    transTimer = new QTimer(this);
    connect(transTimer, &QTimer::timeout, this, &MainWindow::OnTimerTrans);
    redrawTimer = new QTimer(this);
    connect(redrawTimer, &QTimer::timeout, this, &MainWindow::OnTimerRedraw);

    setWindowTitle(QStringLiteral("noXelView V") + versionText());

    statusLabel = new QLabel(this);
    statusLabel->setMinimumWidth(450);
    statusBar()->addWidget(statusLabel, 0);

    QWidget *central = new QWidget(this);
    centralLayout = new QHBoxLayout(central);
    setCentralWidget(central);

    SetNoSimulationText(true);
}

MainWindow::~MainWindow()
{
    // Views detach their blocks when they are destroyed; do it before the
    // window's own members go.
    redrawTimer->stop();
    loadTimer->stop();
    // The parts let go of the views first, as at a teardown.
    if (!layerViews.isEmpty())
        for (WindowPart *part : qAsConst(parts))
            part->DetachViews();
    parts.clear();
    DeleteViews();
    if (mainWindow() == this)
        setMainWindow(nullptr);
}

void MainWindow::BuildMenus()
{
    menuBar_ = new QMenuBar(this);
    setMenuBar(menuBar_);

    fileMenu = AddMenu("&File", menuBar_, this);
    exitAction = AddAction("E&xit", "Alt+F4", fileMenu, this);
    connect(exitAction, &QAction::triggered, this, &MainWindow::OnActExit);
    snapshotAction = new SnapshotAction(this, fileMenu, exitAction);
    connect(snapshotAction, &SnapshotAction::finished, this, &MainWindow::SetStatusText);
    compareMode = new CompareMode(this, fileMenu, exitAction);
    connect(compareMode, &CompareMode::finished, this, &MainWindow::SetStatusText);
    inputActions = new InputActions(this, fileMenu, exitAction);
    connect(inputActions, &InputActions::finished, this, &MainWindow::SetStatusText);
    AddPart(snapshotAction);
    AddPart(compareMode);
    AddPart(inputActions);

    viewMenu = AddMenu("&View", menuBar_, this);
    viewEntries = new ViewMenu(viewMenu, this);
    connect(viewEntries, &ViewMenu::visibleLayerToggled, this, &MainWindow::OnActVisLayers);
    connect(viewEntries, &ViewMenu::virtualLayerToggled, this, &MainWindow::OnActVirtLayers);
    connect(viewEntries, &ViewMenu::paletteToggled, this, &MainWindow::OnActColors);
    compositeAction = AddAction("&Composite View", "", viewMenu, this);
    compositeAction->setEnabled(false);
    viewMenu->addSeparator();
    restoreSizeAction = AddAction("&Restore window size", "Alt+R", viewMenu, this);
    connect(restoreSizeAction, &QAction::triggered, this, &MainWindow::OnActRestoreSize);
    inspectorHost = new InspectorHost(this, viewMenu);
    AddPart(inspectorHost);

    optionsMenu = AddMenu("&Options", menuBar_, this);
    alwaysOnTopAction = AddAction("&Always on top", "", optionsMenu, this);
    alwaysOnTopAction->setCheckable(true);
    connect(alwaysOnTopAction, &QAction::toggled, this, &MainWindow::OnActAlwaysOnTop);
    highlightColorsAction = AddAction("&Highlight palette colors", "", optionsMenu, this);
    highlightColorsAction->setCheckable(true);
    connect(highlightColorsAction, &QAction::toggled, this, &MainWindow::OnActHighlightColors);
    multiDisplayAction = AddAction("&Multi layer/display...", "", optionsMenu, this);
    connect(multiDisplayAction, &QAction::triggered, this, &MainWindow::OnActMultiDisplay);
    gridColorAction = AddAction("&Grid color...", "", optionsMenu, this);
    connect(gridColorAction, &QAction::triggered, this, &MainWindow::OnActDefaultGridColor);
    transparencyAction = AddAction("&Transparency...", "", optionsMenu, this);
    connect(transparencyAction, &QAction::triggered, this, &MainWindow::OnActTransparency);
    highlightSelectionAction = AddAction("Highlight &selection", "", optionsMenu, this);
    highlightSelectionAction->setCheckable(true);
    connect(highlightSelectionAction, &QAction::toggled, this, &MainWindow::OnActHighlightSelect);

    helpMenu = AddMenu("&Help", menuBar_, this);
    manualAction = AddAction("&User Manual", "", helpMenu, this);
    connect(manualAction, &QAction::triggered, this, &MainWindow::OnActManual);
    aboutAction = AddAction("&About...", "", helpMenu, this);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::OnActAbout);
}

void MainWindow::LoadSettings()
{
    using namespace SettingKey;
    InitSetting(DefaultGridColor, int(0xFF3F3F3F));
    InitSetting(DefaultGridDrawMode, 0);
    InitSetting(AlwaysOnTop, 0);
    InitSetting(MultiDisplay, 0);
    InitSetting(TransDrawMode, 0);
    InitSetting(TransDrawColor, int(0xFF000000));
    InitSetting(HideManualWarning, 0);
    InitSetting(HighlightPaletteColors, 0);
    InitSetting(HighlightSelection, 1);

    multiDisplay = ReadSetting(MultiDisplay);
    defaultGridColor = quint32(ReadSetting(DefaultGridColor));
    defaultGridMode = ReadSetting(DefaultGridDrawMode);
    alwaysOnTop = ReadSetting(AlwaysOnTop);
    transDrawMode = ReadSetting(TransDrawMode);
    transDrawColor = quint32(ReadSetting(TransDrawColor));
    minimalView = 0;
    hideManualWarning = ReadSetting(HideManualWarning);
    highlightPaletteColors = ReadSetting(HighlightPaletteColors);
    highlightSelection = ReadSetting(HighlightSelection);

    // Checking an action runs its slot, which writes the same value back.
    if (alwaysOnTop) {
        setWindowFlags(Qt::WindowStaysOnTopHint);
        alwaysOnTopAction->setChecked(true);
    }
    if (highlightPaletteColors)
        highlightColorsAction->setChecked(true);
    if (highlightSelection)
        highlightSelectionAction->setChecked(true);
}

// ---- Status and shared state ----------------------------------------------

void MainWindow::SetStatusText(const QString &text)
{
    statusLabel->setText(text);
}

QString MainWindow::StatusText() const
{
    return statusLabel->text();
}

void MainWindow::SetNoSimulationText(bool on)
{
    if (on) {
        if (noSimulationLabel)
            return;
        noSimulationLabel = new QLabel(QStringLiteral("No simulation found."), this);
        centralLayout->addWidget(noSimulationLabel, 0, Qt::AlignCenter);
    } else if (noSimulationLabel) {
        centralLayout->removeWidget(noSimulationLabel);
        noSimulationLabel->hide();
        noSimulationLabel->deleteLater();
        noSimulationLabel = nullptr;
    }
}

// ---- Fixed actions ----------------------------------------------------------

void MainWindow::OnActExit()
{
    close();
}

void MainWindow::OnActAbout()
{
    AboutDialog *dialog = new AboutDialog(this);
    dialog->exec();
    delete dialog;
}

void MainWindow::OnActDefaultGridColor()
{
    defaultGridColor = quint32(ReadSetting(SettingKey::DefaultGridColor));
    defaultGridMode = ReadSetting(SettingKey::DefaultGridDrawMode);
    GridSetting record;
    record.color = defaultGridColor;
    record.mode = defaultGridMode;
    GridColorDialog *dialog = new GridColorDialog(this, &record, QStringLiteral("Select a default grid color"));
    dialog->exec();
    delete dialog;
    // The dialog changes the record only on OK.
    defaultGridColor = record.color;
    defaultGridMode = record.mode;
    WriteSetting(SettingKey::DefaultGridColor, int(defaultGridColor));
    WriteSetting(SettingKey::DefaultGridDrawMode, defaultGridMode);
}

void MainWindow::OnActMultiDisplay()
{
    MultiDisplayDialog *dialog = new MultiDisplayDialog(this);
    dialog->exec();
    delete dialog;
    multiDisplay = ReadSetting(SettingKey::MultiDisplay);
}

void MainWindow::OnActTransparency()
{
    TransparencyDialog *dialog = new TransparencyDialog(this);
    dialog->exec();
    delete dialog;
    transDrawColor = quint32(ReadSetting(SettingKey::TransDrawColor));
    transDrawMode = ReadSetting(SettingKey::TransDrawMode);
    if (transDrawMode == TransModeAlternating)
        transTimer->start(500);
    else
        transTimer->stop();
    // Shown at once, also while the simulation idles.
    RepaintViews();
}

void MainWindow::OnActManual()
{
    // Asks first unless told not to; opening ignores whether a browser started.
    OpenManual(this, &hideManualWarning);
}

void MainWindow::WatchPixel(int viewKind, int layer, QPoint pixel)
{
    for (WindowPart *part : qAsConst(parts))
        part->WatchPixel(viewKind, layer, pixel);
}

void MainWindow::AddPart(WindowPart *part)
{
    if (!part || parts.contains(part))
        return;
    parts.append(part);
    if (!layerViews.isEmpty())
        part->AttachViews();
}

void MainWindow::RemovePart(WindowPart *part)
{
    parts.removeAll(part);
}
