// Pictures of the main window showing the demo scene. The scene is
// published by this process into a private runtime directory, so no real
// simulation is seen and none is disturbed.
#include "docs/screenshots/mainwindowshots.h"

#include "app/inspectorhost.h"
#include "app/mainwindow.h"
#include "inspector/inspectordock.h"
#include "paint/paintwidget.h"
#include "sim/demoscene.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "views/cwidget.h"
#include "views/viewlayer.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {

// Runs the event loop until done() holds or the bound passes.
bool WaitFor(const std::function<bool()> &done, int boundMs = 5000)
{
    QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Lets the window's refresh timers run for about ms milliseconds.
void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool SaveGrab(QWidget *widget, const QString &path)
{
    const bool ok = widget->grab().save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// Advances the scene by frames, each followed by a few refresh ticks.
void Animate(sim::DemoScene &scene, int &frame, int frames)
{
    for (int i = 0; i < frames; ++i) {
        scene.step(++frame);
        Settle(40);
    }
}

} // namespace

bool SaveMainWindowShots(const QString &out, const QString &tempRoot)
{
    const QString runtime = tempRoot + QStringLiteral("/run");
    qputenv("NOXEL_RUNTIME_DIR", runtime.toLocal8Bit());

    sim::Publisher publisher(runtime);
    if (!publisher.ensureRuntimeDir() || !publisher.holdPresence(simlink::MainframeWindowClass)) {
        std::fprintf(stderr, "cannot publish the demo scene: %s\n", qPrintable(publisher.lastError()));
        return false;
    }
    sim::DemoScene scene(publisher);
    if (!scene.publish()) {
        std::fprintf(stderr, "cannot publish the demo scene: %s\n", qPrintable(publisher.lastError()));
        return false;
    }
    int frame = 0;
    for (int i = 0; i < 40; ++i)
        scene.step(++frame);

    MainWindow window;
    setMainWindow(&window);
    window.show();
    if (!WaitFor([&] { return window.LayerViews().size() == sim::DemoScene::LayerCount; })) {
        std::fprintf(stderr, "the views did not appear\n");
        setMainWindow(nullptr);
        return false;
    }
    // The palette of the indexed layer, the virtual view of the scrolling
    // layer and the composite, beside the layer views.
    window.OnActColors(1, true);
    window.OnActVirtLayers(2, true);
    window.OnActCompositeView(true);
    Settle(300);
    window.resize(1500, 1000);
    Animate(scene, frame, 5);

    // A selection in the backdrop layer; its size and position show in the
    // selection strip and the status line.
    PaintWidget *backdrop = window.LayerViews().at(0)->GetPaintWidget();
    backdrop->setSelection(120, 80, 279, 199);
    Animate(scene, frame, 3);
    bool ok = SaveGrab(&window, out + QStringLiteral("/mainwindow.png"));

    // The inspector beside the views, following a pixel of the constant-
    // alpha panel and watching it while the typed line changes.
    backdrop->removeSelection();
    window.Inspector()->Action()->trigger();
    InspectorDock *dock = window.Inspector()->Dock();
    dock->OnPixelHovered(ViewId::Layer, 3, QPoint(60, 60));
    Animate(scene, frame, 3);
    dock->OnBtnWatchClicked();
    Animate(scene, frame, 12);
    ok = SaveGrab(&window, out + QStringLiteral("/inspector.png")) && ok;

    setMainWindow(nullptr);
    return ok;
}
