// A simulation that ends and starts again between two redraw ticks: the
// presence lock is held at every tick, but the blocks are new. The tick sees
// the restart and the views come back on the new blocks. The ticks are
// driven by hand; the timers never fire since no event loop runs.
#include "app/mainwindow.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"

#include <QtTest>

#include <memory>
#include <sys/shm.h>

class TestRestart : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;
    std::unique_ptr<MainWindow> window;

    // A simulation with `layers` layers of width `width`; null (with a
    // warning) when it cannot publish.
    static std::unique_ptr<sim::Publisher> publish(int layers, int width)
    {
        auto pub = std::make_unique<sim::Publisher>();
        bool ok = pub->createGlobal(255);
        for (int n = 0; ok && n < layers; ++n)
            ok = pub->createLayer(n, sim::LayerSpec::of(width, 10 + n));
        ok = ok && pub->holdPresence(simlink::MainframeWindowClass);
        if (ok)
            return pub;
        qWarning("%s", qPrintable(pub->lastError()));
        return nullptr;
    }

    static bool segmentGone(int id)
    {
        struct shmid_ds ds;
        return shmctl(id, IPC_STAT, &ds) != 0;
    }

    // The window shows exactly the layers of pub, each attached.
    bool showsAllOf(const sim::Publisher &pub, int layers, int width) const
    {
        if (window->LayerViews().size() != layers)
            return false;
        for (int n = 0; n < layers; ++n) {
            ViewLayer *view = window->LayerViews().at(n);
            if (view->GetRecord().isNull() || simlink::xSize(view->GetRecord()) != width
                || sim::attachCount(pub.layer(n)) != 2)
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void init()
    {
        env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount));
        env.resetSettings();
        window.reset(new MainWindow);
        setMainWindow(window.get());
    }

    void cleanup()
    {
        window.reset();
        setMainWindow(nullptr);
    }

    void cleanEndAndRestart()
    {
        auto first = publish(2, 40);
        QVERIFY(first);
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*first, 2, 40));
        const int oldId = first->layer(0)->shmId();

        first->tearDown();
        auto second = publish(3, 24);
        QVERIFY(second);
        window->OnTimerRedraw();
        QVERIFY(window->LayerViews().isEmpty());
        QVERIFY(segmentGone(oldId));
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*second, 3, 24));
        // The next tick keeps the new views.
        window->OnTimerRedraw();
        QVERIFY(showsAllOf(*second, 3, 24));
    }

    // A crash leaves the blocks behind; the next simulation takes new key
    // files, since the tool still holds the old blocks.
    void crashAndRestart()
    {
        auto first = publish(2, 40);
        QVERIFY(first);
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*first, 2, 40));
        const int oldIds[] = {first->layer(0)->shmId(), first->layer(1)->shmId()};

        first->abandon();
        auto second = publish(2, 32);
        QVERIFY(second);
        window->OnTimerRedraw();
        QVERIFY(window->LayerViews().isEmpty());
        // The tool was the last user of the crashed blocks.
        QVERIFY(segmentGone(oldIds[0]));
        QVERIFY(segmentGone(oldIds[1]));
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*second, 2, 32));
    }

    // The runtime directory moved away: the simulation in it counts as gone
    // at the next tick. Moved away with a new simulation started in a new
    // directory of the same name before the tick: the views come back on
    // the new blocks, not the ones of the directory moved away.
    void runtimeDirectoryMovedOrReplaced()
    {
        const QString dir = env.runtimeDir();
        auto first = publish(2, 40);
        QVERIFY(first);
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*first, 2, 40));
        QVERIFY(QDir().rename(dir, dir + QStringLiteral(".moved")));
        window->OnTimerRedraw();
        QVERIFY(window->LayerViews().isEmpty());

        auto second = publish(1, 24);
        QVERIFY(second);
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*second, 1, 24));
        QVERIFY(QDir().rename(dir, dir + QStringLiteral(".replaced")));
        auto third = publish(2, 16);
        QVERIFY(third);
        window->OnTimerRedraw();
        QVERIFY(window->LayerViews().isEmpty());
        window->OnTimerLoad();
        QVERIFY(showsAllOf(*third, 2, 16));
    }

    // Blocks removed while the presence lock stays: not a restart, the views
    // keep their (still valid) mappings until the lock goes.
    void removedBlocksAreNoRestart()
    {
        auto pub = publish(1, 40);
        QVERIFY(pub);
        window->OnTimerLoad();
        QCOMPARE(window->LayerViews().size(), 1);
        pub->destroyBlock(simlink::layerBlockName(0));
        window->OnTimerRedraw();
        QCOMPARE(window->LayerViews().size(), 1);
        QVERIFY(!window->LayerViews().at(0)->GetRecord().isNull());
        pub->releasePresence(simlink::MainframeWindowClass);
        window->OnTimerRedraw();
        QVERIFY(window->LayerViews().isEmpty());
    }
};

QTEST_MAIN(TestRestart)
#include "tst_restart.moc"
