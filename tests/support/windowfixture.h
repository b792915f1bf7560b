#pragma once

// WindowFixture, the base of tests that drive a whole main window: a private
// runtime directory and settings location, a publisher that plays the
// simulation, and the MainWindow installed as mainWindow(). The window's own
// timers find the simulation, build the views and tear them down; the waits
// here are bounded. Only tests that link noxelapp can include this.
#include "app/mainwindow.h"
#include "modalwait.h"
#include "simlink/connection.h"
#include "viewfixture.h"
#include "views/viewcomposite.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <functional>

namespace fixture {

// The widget point at the middle of layer pixel (x, y) at a zoom.
inline QPoint at(int x, int y, int zoom)
{
    return QPoint(x * zoom + zoom / 2, y * zoom + zoom / 2);
}

// Shows a view as a top-level window (see showWithViewport) and brings the
// pointer over its info strip, off the paint widget, so that the next move
// into the paint widget enters it.
inline bool showOffPointer(ViewWidget *view, QSize viewport)
{
    showWithViewport(view, viewport);
    if (!QTest::qWaitForWindowExposed(view))
        return false;
    QTest::mouseMove(view, QPoint(1, 1));
    return true;
}

// The submenu of a menu bar or menu with this title, or null.
inline QMenu *menuNamed(QWidget *owner, const QString &title)
{
    if (owner)
        for (QAction *a : owner->actions())
            if (a->menu() && a->text() == title)
                return a->menu();
    return nullptr;
}

// The entry of a menu with this text; null also for a null menu.
inline QAction *actionNamed(QMenu *menu, const QString &text)
{
    if (menu)
        for (QAction *a : menu->actions())
            if (a->text() == text)
                return a;
    return nullptr;
}

// The item of a menu, or of one of its submenus, with this text.
inline QAction *menuItem(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text)
            return a;
        if (QMenu *sub = a->menu())
            if (QAction *inner = menuItem(sub, text))
                return inner;
    }
    return nullptr;
}

// Right-clicks the paint widget at pos (widget pixels) and runs action on
// the context menu once it is open; the menu is closed afterwards unless the
// action did. False when the widget was never placed under pos or the menu
// never opened.
inline bool rightClick(PaintWidget *paint, QPoint pos, const std::function<void(QMenu *)> &action)
{
    // Through the window, as the platform delivers it, so that Qt makes the
    // context-menu event from the right button; once the layouts have placed
    // the paint widget under that point.
    QWidget *top = paint->window();
    const bool placed = QTest::qWaitFor([&] {
        QWidget *hit = top->childAt(paint->mapTo(top, pos));
        return hit && (hit == paint || paint->isAncestorOf(hit));
    }, 5000);
    if (!placed)
        return false;
    auto ran = modalwait::whenOpen<QMenu>([action](QMenu *menu) {
        action(menu);
        if (menu->isVisible())
            menu->close();
    });
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, Qt::NoModifier, paint->mapTo(top, pos));
    // A menu that never opened: let the poll give up before the caller's
    // variables go away.
    if (!*ran)
        QTest::qWait(10500);
    return *ran;
}

// Opens the paint widget's context menu at pos and triggers the item with
// this text; true when the menu opened and the item was there and enabled.
inline bool chooseFromMenu(PaintWidget *paint, QPoint pos, const QString &text)
{
    bool found = false;
    const bool ran = rightClick(paint, pos, [&](QMenu *menu) {
        if (QAction *a = menuItem(menu, text)) {
            found = a->isEnabled();
            a->trigger();
        }
    });
    return ran && found;
}

// The two-layer scene of the main-window tests: layer 0 a blue 40 x 30 true
// colour layer announcing a 64 x 48 display when composite is set, layer 1 a
// 20 x 10 indexed layer with a 16-colour grey ramp (and a virtual screen of
// that many rows when asked), then extra 8 x 8 layers; presence held.
inline void publishTwoLayerScene(sim::Publisher &pub, bool composite = true, int layer1VirtualRows = 0,
                                 int extraLayers = 0)
{
    QVERIFY(pub.createGlobal(255));
    sim::PublishedBlock *l0 = pub.createLayer(0, sim::LayerSpec::of(40, 30));
    QVERIFY(l0);
    l0->fill32(0xFF0000FF);
    if (composite)
        l0->setCompositeSize(64, 48);
    sim::LayerSpec s1 = sim::LayerSpec::of(20, 10, 16, 8);
    if (layer1VirtualRows)
        s1.vySize = layer1VirtualRows;
    sim::PublishedBlock *l1 = pub.createLayer(1, s1);
    QVERIFY(l1);
    for (int i = 0; i < 16; ++i)
        l1->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x111111));
    for (int n = 0; n < extraLayers; ++n)
        QVERIFY(pub.createLayer(2 + n, sim::LayerSpec::of(8, 8)));
    QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
}

} // namespace fixture

class WindowFixture
{
public:
    WindowFixture() = default;
    ~WindowFixture() { clear(); }
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    // From init(): a fresh runtime directory and settings location, and a
    // publisher that has published nothing yet.
    void reset()
    {
        clear();
        env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++runCount));
        env.resetSettings();
        pub.reset(new sim::Publisher);
    }
    // From cleanup(): the window goes first, so that its views detach from
    // blocks that still exist; then the publisher removes them.
    void clear()
    {
        window.reset();
        setMainWindow(nullptr);
        pub.reset();
    }

    // A running simulation in a new publisher (the previous one has removed
    // its blocks first): the global block, layers 0, 1, ... as described,
    // layer 0 announcing a display of that size when given, and the
    // presence lock. Tests fill in pixels and headers through pub->layer(n).
    bool publish(const QList<sim::LayerSpec> &layers, QSize display = QSize())
    {
        pub.reset();
        pub.reset(new sim::Publisher);
        if (!pub->createGlobal(255))
            return false;
        for (int n = 0; n < layers.size(); ++n)
            if (!pub->createLayer(n, layers.at(n)))
                return false;
        if (display.isValid())
            pub->layer(0)->setCompositeSize(display.width(), display.height());
        return pub->holdPresence(simlink::MainframeWindowClass);
    }
    // Ends the simulation and waits until the window has torn its views down.
    bool endSimulation()
    {
        pub.reset();
        return waitForViews(0);
    }

    // fixture::publishTwoLayerScene in a new publisher; false when a step
    // of it failed.
    bool publishTwoLayerScene(bool composite = true, int layer1VirtualRows = 0, int extraLayers = 0)
    {
        pub.reset();
        pub.reset(new sim::Publisher);
        fixture::publishTwoLayerScene(*pub, composite, layer1VirtualRows, extraLayers);
        return !QTest::currentTestFailed();
    }

    // A new main window (the previous one goes first), installed as
    // mainWindow() but not shown; its load timer runs all the same. It
    // starts from the settings written so far.
    MainWindow &newWindow()
    {
        window.reset();
        window.reset(new MainWindow);
        setMainWindow(window.get());
        return *window;
    }
    // A new main window, shown; true once it is exposed. Its load timer
    // then looks for the simulation.
    bool openWindow()
    {
        newWindow().show();
        return QTest::qWaitForWindowExposed(window.get());
    }
    // A main window only as host of views that a test builds itself: never
    // shown, its timers stopped, so nothing rescans or builds views.
    MainWindow &openHost()
    {
        fixture::quiet(newWindow());
        return *window;
    }
    void closeWindow() { window.reset(); }

    enum Composite { AnyComposite, WithComposite };
    // Waits until the window has this many layer views (and the composite
    // view when asked).
    bool waitForViews(int layerViews, Composite composite = AnyComposite)
    {
        const auto built = [&] {
            return window->LayerViews().size() == layerViews && (composite == AnyComposite || window->CompositeView());
        };
        if (QTest::qWaitFor(built, 5000))
            return settle();
        qWarning("%lld layer views of %d, composite %d", qint64(window->LayerViews().size()), layerViews,
                 window->CompositeView() != nullptr);
        return false;
    }
    // Lets the window finish what building or dropping views started: the
    // window-size restore and the splitter's save run on short single-shot
    // timers, and a later single-shot timer fires only after them.
    bool settle()
    {
        auto fired = std::make_shared<bool>(false);
        QTimer::singleShot(50, window.get(), [fired] { *fired = true; });
        const bool ok = QTest::qWaitFor([fired] { return *fired; }, 5000);
        QCoreApplication::sendPostedEvents();
        return ok;
    }
    ViewLayer *view(int i) const { return window->LayerViews().at(i); }
    // A menu of the window's menu bar, and an entry of it, by their texts.
    QMenu *menu(const QString &title) const { return fixture::menuNamed(window->menuBar(), title); }
    QAction *action(const QString &menuTitle, const QString &text) const
    {
        return fixture::actionNamed(menu(menuTitle), text);
    }

    TestEnvironment env;
    std::unique_ptr<sim::Publisher> pub;
    std::unique_ptr<MainWindow> window;

private:
    int runCount = 0;
};
