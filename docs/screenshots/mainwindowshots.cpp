// Pictures of the main window showing the demo scene. The scene is
// published by this process into a private runtime directory, so no real
// simulation is seen and none is disturbed.
#include "docs/screenshots/mainwindowshots.h"

#include "app/comparemode.h"
#include "app/inspectorhost.h"
#include "app/mainwindow.h"
#include "inspector/inspectordock.h"
#include "paint/paintwidget.h"
#include "sim/demoscene.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "snapshot/snapshot.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
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
    // Quality 0 is the strongest PNG compression: the pictures are committed.
    const bool ok = widget->grab().save(path, "PNG", 0);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A real pointer move over a view's image at widget position pos, given to
// the child there (a selection outline) as the window system would.
void MoveOver(QWidget *widget, QPoint pos)
{
    if (QWidget *child = widget->childAt(pos)) {
        pos = child->mapFrom(widget, pos);
        widget = child;
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
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

    sim::OpenSimulation simulation;
    if (!simulation.get()) {
        std::fprintf(stderr, "cannot publish the demo scene: %s\n", qPrintable(simulation.error()));
        return false;
    }
    sim::DemoScene scene(simulation.get());
    if (!scene.publish()) {
        std::fprintf(stderr, "cannot publish the demo scene: %s\n", qPrintable(scene.lastError()));
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
    Settle(100);
    // The composite scrolled to its bottom rows: the star and the panel
    // with the typed text, which reach past the display's edges.
    if (window.CompositeView())
        for (QScrollArea *area : window.CompositeView()->findChildren<QScrollArea *>())
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    Animate(scene, frame, 5);

    // Keys typed into the backdrop's view reach the simulation, which adds
    // them to the line of text on its panel layer; one key per frame, as
    // the simulation consumes each key word before it reads the next.
    ViewLayer *backdropView = window.LayerViews().at(0);
    PaintWidget *backdrop = backdropView->GetPaintWidget();
    for (QChar ch : QStringLiteral("Hello noXel")) {
        const int key = ch == QLatin1Char(' ') ? int(Qt::Key_Space) : int(ch.toUpper().unicode());
        const Qt::KeyboardModifiers mods = ch.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, mods, QString(ch));
            QCoreApplication::sendEvent(backdropView, &event);
            Animate(scene, frame, 1);
        }
    }

    // A selection in the backdrop layer; its size and position show in the
    // selection strip, and the pointer inside it in the status line.
    backdrop->setSelection(120, 80, 279, 199);
    Animate(scene, frame, 3);
    MoveOver(backdrop, QPoint(200, 150));
    Settle(100);
    bool ok = SaveGrab(&window, out + QStringLiteral("/mainwindow.png"));

    // The inspector beside the views, following a pixel of the colour-keyed
    // star layer (display 700, 370, over the turning backdrop) and watching
    // it for a few frames.
    backdrop->removeSelection();
    window.Inspector()->Action()->trigger();
    InspectorDock *dock = window.Inspector()->Dock();
    window.resize(1700, 1000);
    window.resizeDocks({dock}, {560}, Qt::Horizontal);
    Settle(100);
    MoveOver(window.LayerViews().at(3)->GetPaintWidget(), QPoint(40, 40));
    Animate(scene, frame, 3);
    dock->OnBtnWatchClicked();
    Animate(scene, frame, 12);
    ok = SaveGrab(&window, out + QStringLiteral("/inspector.png")) && ok;

    // Comparing with a snapshot of this frame after a small change to the
    // backdrop: the changed pixels are marked in its view and in the
    // composite, and the strips count them.
    window.Inspector()->Dock()->close();
    QTemporaryDir referenceDir;
    const QString reference = referenceDir.filePath(QStringLiteral("golden"));
    ok = snapshot::saveSnapshot(reference).status == snapshot::Saved && ok;
    ok = window.Comparison()->Start(reference) && ok;
    window.resize(1500, 1000);
    if (noxel_layer *backdrop = scene.layer(0)) {
        uchar *pixels = static_cast<uchar *>(noxel_layer_pixels(backdrop));
        const size_t stride = noxel_layer_stride(backdrop);
        for (int y = 300; y < 324; ++y)
            for (int x = 120; x < 180; ++x)
                if ((x + y) % 3)
                    *reinterpret_cast<quint32 *>(pixels + size_t(y) * stride + size_t(x) * 4) = 0xFF204060u;
        noxel_layer_commit(backdrop);
    }
    Settle(200);
    ok = SaveGrab(&window, out + QStringLiteral("/compare.png")) && ok;

    setMainWindow(nullptr);
    return ok;
}
