// Which block an attachment is: a simulation that ends and starts again
// while the tool still holds its blocks gets new ones, the tool tells them
// from the old ones, and its late detach touches only what it attached.
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QDir>
#include <QSharedMemory>
#include <QtTest>

#include <dlfcn.h>
#include <memory>
#include <sys/ipc.h>
#include <sys/shm.h>

using namespace simlink;

namespace {
// Key look-ups made by this process, counted so that a test can tell a
// check that looked a key up from one that did not.
int keyLookUps = 0;
} // namespace

extern "C" key_t ftok(const char *path, int id)
{
    ++keyLookUps;
    using Real = key_t (*)(const char *, int);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "ftok"));
    return real(path, id);
}

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

    // The check is made on every redraw tick and looks no key up while the
    // key file and the block stay as they were; yet a new block is seen
    // whether it came under the same key file (the old block removed, its
    // key file kept or its inode handed out again) or under a new key file
    // while the old block stays (a crash).
    void everyReplacementIsSeenWithoutLookUpsMeanwhile()
    {
        sim::Publisher pub;
        QVERIFY(pub.createGlobal(1));
        sim::PublishedBlock *ended = pub.createLayer(0, sim::LayerSpec::of(4, 4));
        QVERIFY(ended);
        QSharedMemory *handle = nullptr;
        const auto detachAtEnd = qScopeGuard([&handle] {
            detachLayer(handle);
            delete handle;
        });
        const BlockView view = attachLayer(handle, 0);
        QVERIFY(!view.isNull());
        keyLookUps = 0;
        for (int tick = 0; tick < 10; ++tick)
            QVERIFY(!blockReplaced(view, 0));
        QCOMPARE(keyLookUps, 0);

        const QByteArray keyFile = QFile::encodeName(ended->keyFile());
        const key_t key = ftok(keyFile.constData(), 'Q');
        QCOMPARE(shmctl(ended->shmId(), IPC_RMID, nullptr), 0);
        QVERIFY(!blockReplaced(view, 0));
        const int next = shmget(key, 4096, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY(next >= 0);
        const auto removeNext = qScopeGuard([next] { shmctl(next, IPC_RMID, nullptr); });
        QVERIFY(blockReplaced(view, 0));

        // A crash: the block stays, the next simulation takes new key files.
        auto crashed = std::make_unique<sim::Publisher>();
        QVERIFY(crashed->createLayer(1, sim::LayerSpec::of(4, 4)));
        QSharedMemory *crashedHandle = nullptr;
        const auto detachCrashedAtEnd = qScopeGuard([&crashedHandle] {
            detachLayer(crashedHandle);
            delete crashedHandle;
        });
        const BlockView crashedView = attachLayer(crashedHandle, 1);
        QVERIFY(!crashedView.isNull());
        crashed->abandon();
        QVERIFY(!blockReplaced(crashedView, 1));
        sim::Publisher restarted;
        QVERIFY2(restarted.createLayer(1, sim::LayerSpec::of(4, 4)), qPrintable(restarted.lastError()));
        QVERIFY(blockReplaced(crashedView, 1));
    }
};

QTEST_GUILESS_MAIN(TestBlockIdentity)
#include "tst_blockidentity.moc"
