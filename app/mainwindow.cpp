#include "app/mainwindow.h"

#include "app/settings.h"
#include "app/version.h"
#include "simlink/connection.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

namespace {
MainWindow *theMainWindow = nullptr;
}

MainWindow *mainWindow()
{
    return theMainWindow;
}

void setMainWindow(MainWindow *window)
{
    theMainWindow = window;
}

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
    BuildMenus();
    LoadSettings();

    loadTimer = new QTimer(this);
    connect(loadTimer, &QTimer::timeout, this, &MainWindow::OnTimerLoad);
    loadTimer->start(25);

    setWindowTitle(QStringLiteral("noXelView V") + versionText());

    statusLabel = new QLabel(this);
    statusLabel->setMinimumWidth(450);
    statusBar()->addWidget(statusLabel, 0);

    QWidget *central = new QWidget(this);
    centralLayout = new QHBoxLayout(central);
    setCentralWidget(central);

    SetNoSimulationText(true);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus()
{
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

    if (alwaysOnTop)
        setWindowFlags(Qt::WindowStaysOnTopHint);
}

QSize MainWindow::sizeHint() const
{
    return QMainWindow::sizeHint();
}

void MainWindow::SetStatusText(const QString &text)
{
    statusLabel->setText(text);
}

QString MainWindow::StatusText() const
{
    return statusLabel->text();
}

QString MainWindow::LayerWord() const
{
    return multiDisplay == 1 ? QStringLiteral("Display") : QStringLiteral("Layer");
}

QPair<quint32, int> MainWindow::DefaultGrid() const
{
    return qMakePair(defaultGridColor, defaultGridMode);
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
        noSimulationLabel->deleteLater();
        noSimulationLabel = nullptr;
    }
}

void MainWindow::OnTimerLoad()
{
    if (layers.isEmpty()) {
        alphaMode = simlink::scanLayers(layers);
        layerCount = unsigned(layers.size());
    }
    if (!layers.isEmpty())
        loadTimer->stop();
}
