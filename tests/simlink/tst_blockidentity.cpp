// Which block an attachment is: a simulation that ends and starts again
// while the tool still holds its blocks gets new ones, the tool tells them
// from the old ones, and its late detach touches only what it attached.
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QDir>
#include <QSharedMemory>
#include <QtTest>

#include <memory>
#include <sys/shm.h>

using namespace simlink;

class TestBlockIdentity : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;

private Q_SLOTS:
    void init() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount)); }

    // A simulation crashed while the tool was attached and a new one started
    // before the tool let go: every key is taken, so the new one needs fresh
    // key files, and an inode freed by one replacement must not come back
    // as the next. The tool's late detach removes the crashed blocks only;
    // the new blocks and their key files stay and are found.
    void lateDetachLeavesTheNextSimulationAlone()
    {
        auto crashed = std::make_unique<sim::Publisher>();
        QVERIFY(crashed->createGlobal(1));
        QVector<QSharedMemory *> handles(MaxLayers, nullptr);
        auto detachAll = [&handles] {
            for (QSharedMemory *&handle : handles) {
                detachLayer(handle);
                delete handle;
                handle = nullptr;
            }
        };
        // Also on a failed check, so that no crashed block outlives the test.
        const auto detachAtEnd = qScopeGuard(detachAll);
        QVector<int> oldIds;
        for (int n = 0; n < MaxLayers; ++n) {
            QVERIFY(crashed->createLayer(n, sim::LayerSpec::of(4, 4)));
            QVERIFY(!attachLayer(handles[n], n).isNull());
            oldIds.append(crashed->layer(n)->shmId());
        }
        crashed->abandon();

        sim::Publisher next;
        QVERIFY(next.createGlobal(1));
        for (int n = 0; n < MaxLayers; ++n)
            QVERIFY2(next.createLayer(n, sim::LayerSpec::of(6 + n, 2)), qPrintable(next.lastError()));
        QVERIFY(next.holdPresence(MainframeWindowClass));
        // No temporary key file is left behind.
        QCOMPARE(QDir(next.runtimeDir()).entryList(QDir::Files).filter(QStringLiteral(".")).size(), 0);

        detachAll();
        struct shmid_ds ds;
        for (int id : oldIds)
            QVERIFY(shmctl(id, IPC_STAT, &ds) != 0);
        QCOMPARE(sim::attachCount(next.layer(0)), 1);
        QList<LayerInfo> list;
        scanLayers(list);
        QCOMPARE(list.size(), MaxLayers);
        QCOMPARE(list.last().xSize, 6 + MaxLayers - 1);
    }

    // Only a different block under the key is a restart; a block that is
    // merely gone is not (the attached mapping stays valid).
    void replacedBlockIsToldFromAGoneOne()
    {
        auto first = std::make_unique<sim::Publisher>();
        QVERIFY(first->createGlobal(1));
        QVERIFY(first->createLayer(0, sim::LayerSpec::of(4, 4)));
        QVERIFY(first->createLayer(1, sim::LayerSpec::of(4, 4)));
        QSharedMemory *handle = nullptr;
        const BlockView view = attachLayer(handle, 1);
        QVERIFY(!view.isNull());
        QVERIFY(!blockReplaced(view, 1));
        QVERIFY(!blockReplaced(BlockView(), 1));
        first->tearDown();
        QVERIFY(!blockReplaced(view, 1));

        sim::Publisher second;
        QVERIFY(second.createGlobal(1));
        QVERIFY(second.createLayer(0, sim::LayerSpec::of(4, 4)));
        QVERIFY(!blockReplaced(view, 1));
        QVERIFY(second.createLayer(1, sim::LayerSpec::of(4, 4)));
        QVERIFY(blockReplaced(view, 1));
        detachLayer(handle);
        // Once detached the view is no longer known: nothing to compare.
        QVERIFY(!blockReplaced(view, 1));
        delete handle;
    }
};

QTEST_GUILESS_MAIN(TestBlockIdentity)
#include "tst_blockidentity.moc"
