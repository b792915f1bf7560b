// Finding a simulation, scanning its layers and attaching their blocks,
// against a publisher in a runtime directory of the test's own.
#include "boundedchild.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "simlink/input.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSharedMemory>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace simlink;

class TestConnection : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;

    // Each test function gets a fresh, trusted runtime directory.
    void freshDir() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount)); }

private Q_SLOTS:
    void init() { freshDir(); }

    void noPresenceMeansNoSimulation()
    {
        sim::Publisher pub;
        QVERIFY(pub.createGlobal(0));
        QVERIFY(pub.createLayer(0, sim::LayerSpec::of(10, 10)));
        QVERIFY(!simulationRunning());
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 255);
        QVERIFY(list.isEmpty());
    }

    void eitherWindowClassCounts()
    {
        sim::Publisher pub;
        QVERIFY(pub.holdPresence(DeviceWindowClass));
        QVERIFY(simulationRunning());
        pub.releasePresence(DeviceWindowClass);
        QVERIFY(!simulationRunning());
        QVERIFY(pub.holdPresence(MainframeWindowClass));
        QVERIFY(simulationRunning());
        // The probe never keeps a lock: the simulation can take it again.
        pub.releasePresence(MainframeWindowClass);
        QVERIFY(pub.holdPresence(MainframeWindowClass, 0));
    }

    void secondSimulationIsRefused()
    {
        sim::Publisher first;
        QVERIFY(first.holdPresence(MainframeWindowClass));
        sim::Publisher second;
        QVERIFY(!second.holdPresence(MainframeWindowClass, 100));
        QVERIFY(second.lastError().contains(QStringLiteral("another simulation")));
        // One simulation per directory: the other window class is refused too.
        QVERIFY(!second.holdPresence(DeviceWindowClass, 100));
        QVERIFY(second.lastError().contains(QStringLiteral("another simulation")));
        // The tool's probe of the other class does not count as a simulation.
        QVERIFY(simulationRunning());
        QVERIFY(first.holdPresence(DeviceWindowClass, 0));
    }

    void scanFindsLayersUpToTheFirstGap()
    {
        sim::Publisher pub;
        pub.createGlobal(0);
        sim::LayerSpec l0 = sim::LayerSpec::of(320, 240);
        l0.xPos = -4;
        l0.yPos = 7;
        l0.vySize = 720;
        pub.createLayer(0, l0);
        pub.createLayer(1, sim::LayerSpec::of(16, 8, 256, 8));
        pub.createLayer(3, sim::LayerSpec::of(5, 5));
        QVERIFY(pub.holdPresence(MainframeWindowClass));

        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 0);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].xSize, 320);
        QCOMPARE(list[0].ySize, 240);
        QCOMPARE(list[0].xPos, -4);
        QCOMPARE(list[0].yPos, 7);
        QCOMPARE(list[0].index, 0);
        QCOMPARE(list[0].vxSize, 320);
        QCOMPARE(list[0].vySize, 720);
        QVERIFY(list[0].hasVirtualScreen());
        QCOMPARE(list[1].index, 1);
        QCOMPARE(list[1].bitsPerPixel, 8);
        QVERIFY(!list[1].hasVirtualScreen());

        // Nothing stays attached after a scan.
        QCOMPARE(sim::attachCount(pub.global()), 1);
        QCOMPARE(sim::attachCount(pub.layer(0)), 1);
        QCOMPARE(sim::attachCount(pub.layer(1)), 1);
    }

    void unusedFirstBlockFindsNothing()
    {
        sim::Publisher pub;
        pub.createGlobal(7);
        pub.createLayer(0, sim::LayerSpec::of(4, 4))->setInUse(0);
        pub.createLayer(1, sim::LayerSpec::of(4, 4));
        pub.holdPresence(DeviceWindowClass);
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 7);
        QVERIFY(list.isEmpty());
    }

    void atMostTwentyLayers()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        for (int n = 0; n < 25; ++n)
            QVERIFY(pub.createLayer(n, sim::LayerSpec::of(1, 1)));
        pub.holdPresence(MainframeWindowClass);
        QList<LayerInfo> list;
        scanLayers(list);
        QCOMPARE(list.size(), 20);
        QCOMPARE(list.last().index, 19);
    }

    void layerTenIsFoundUnderTwoDigits()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        for (int n = 0; n <= 10; ++n)
            pub.createLayer(n, sim::LayerSpec::of(n + 1, 1));
        pub.holdPresence(MainframeWindowClass);
        QVERIFY(QFile::exists(pub.runtimeDir() + QStringLiteral("/noXelLCDMap10")));
        QList<LayerInfo> list;
        scanLayers(list);
        QCOMPARE(list.size(), 11);
        QCOMPARE(list[10].xSize, 11);
    }

    void noGlobalBlockFindsNothing()
    {
        sim::Publisher pub;
        pub.createLayer(0, sim::LayerSpec::of(4, 4));
        pub.holdPresence(MainframeWindowClass);
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 255);
        QVERIFY(list.isEmpty());
    }

    void blockShorterThanHeaderIsMissing()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        pub.createLayer(0, sim::LayerSpec::of(4, 4));
        sim::LayerSpec shortOne = sim::LayerSpec::of(4, 4);
        shortOne.blockSize = 100;
        QVERIFY(pub.createLayer(1, shortOne));
        pub.createLayer(2, sim::LayerSpec::of(4, 4));
        pub.holdPresence(MainframeWindowClass);
        QList<LayerInfo> list;
        scanLayers(list);
        QCOMPARE(list.size(), 1);

        QSharedMemory *handle = nullptr;
        const BlockView v = attachLayer(handle, 1);
        QVERIFY(handle);
        QVERIFY(v.isNull());
        QVERIFY(!handle->isAttached());
        delete handle;
    }

    void attachedBlockCarriesItsSize()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        // The header claims far more pixels than the block holds.
        sim::LayerSpec lying = sim::LayerSpec::of(4, 4);
        sim::PublishedBlock *b = pub.createLayer(0, lying);
        b->setXSize(100000);
        b->setYSize(100000);
        pub.holdPresence(MainframeWindowClass);

        QSharedMemory *handle = nullptr;
        const BlockView v = attachLayer(handle, 0);
        QVERIFY(!v.isNull());
        QCOMPARE(v.size(), b->size());
        QCOMPARE(xSize(v), 100000);
        QVERIFY(v.frameBytes(0, 4 * 16) != nullptr);
        QVERIFY(v.frameBytes(0, 4 * 17) == nullptr);
        QVERIFY(v.frameBytes(4LL * 100000 * 99999, 4) == nullptr);

        // Input written through the view lands in the simulation's block.
        setPointer(v, 0, 3, 4, 1);
        QCOMPARE(b->pointerX(), 3);
        QCOMPARE(b->pointerY(), 4);
        QCOMPARE(b->pointerPressed(), 1);
        WriteKey(v, 0, 0x61, 1);
        QCOMPARE(b->keyEvent(), 0x00010161u);

        QCOMPARE(sim::attachCount(b), 2);
        detachLayer(handle);
        QCOMPARE(sim::attachCount(b), 1);
        detachLayer(handle); // detaching twice is harmless
        detachLayer(nullptr);
        delete handle;
    }

    void missingBlockGivesNullViewAndAHandle()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        pub.holdPresence(MainframeWindowClass);
        QSharedMemory *handle = nullptr;
        QVERIFY(attachLayer(handle, 4).isNull());
        QVERIFY(handle != nullptr);
        delete handle;
    }

    void segmentOfAnotherUserIsMissing()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        sim::PublishedBlock *b = pub.createLayer(0, sim::LayerSpec::of(4, 4));
        pub.holdPresence(MainframeWindowClass);
        struct shmid_ds ds;
        QCOMPARE(shmctl(b->shmId(), IPC_STAT, &ds), 0);
        ds.shm_perm.uid = getuid() + 4242;
        if (shmctl(b->shmId(), IPC_SET, &ds) != 0)
            QSKIP("cannot hand a segment to another user here");
        QList<LayerInfo> list;
        scanLayers(list);
        QVERIFY(list.isEmpty());
        QSharedMemory *handle = nullptr;
        QVERIFY(attachLayer(handle, 0).isNull());
        delete handle;
        ds.shm_perm.uid = getuid();
        shmctl(b->shmId(), IPC_SET, &ds);
    }

    void killedSimulationIsSeenAsGone()
    {
        sim::Publisher pub;
        QVERIFY(pub.ensureRuntimeDir());
        const QByteArray path = QFile::encodeName(pub.runtimeDir() + QLatin1Char('/') + QLatin1String(MainframeWindowClass));
        int ready[2];
        QCOMPARE(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            // Only async-signal-safe calls in the child: take the lock, report, wait.
            const int fd = ::open(path.constData(), O_CREAT | O_RDWR, 0600);
            if (fd < 0 || flock(fd, LOCK_EX) != 0)
                _exit(1);
            const char c = 'x';
            if (::write(ready[1], &c, 1) != 1)
                _exit(1);
            for (;;)
                pause();
        }
        QVERIFY(child > 0);
        char c = 0;
        QCOMPARE(::read(ready[0], &c, 1), ssize_t(1));
        QVERIFY(simulationRunning());
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(!simulationRunning());
        ::close(ready[0]);
        ::close(ready[1]);
    }

    void untrustedRuntimeDirectoryIsIgnored()
    {
        sim::Publisher pub;
        pub.createGlobal(1);
        pub.createLayer(0, sim::LayerSpec::of(4, 4));
        QVERIFY(pub.holdPresence(MainframeWindowClass));
        QVERIFY(simulationRunning());
        const QByteArray dir = QFile::encodeName(pub.runtimeDir());

        QCOMPARE(::chmod(dir.constData(), 0770), 0);
        QVERIFY(!simulationRunning());
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 255);
        QSharedMemory *handle = nullptr;
        QVERIFY(attachLayer(handle, 0).isNull());
        delete handle;
        QCOMPARE(::chmod(dir.constData(), 0702), 0);
        QVERIFY(!simulationRunning());
        QCOMPARE(::chmod(dir.constData(), 0700), 0);
        QVERIFY(simulationRunning());

        // A symbolic link to the trusted directory is not trusted.
        const QString link = env.root() + QStringLiteral("/link%1").arg(dirCount);
        QVERIFY(QFile::link(pub.runtimeDir(), link));
        env.useRuntimeDir(link);
        QVERIFY(!simulationRunning());
        QCOMPARE(int(scanLayers(list)), 255);
    }

    void missingRuntimeDirectoryIsNotCreated()
    {
        QVERIFY(!simulationRunning());
        QList<LayerInfo> list;
        scanLayers(list);
        QVERIFY(!QFileInfo::exists(env.runtimeDir()));
    }

    void capsLockFromTheKeyEvent()
    {
        QVERIFY(capsLockOn(QStringLiteral("A"), false));
        QVERIFY(!capsLockOn(QStringLiteral("a"), false));
        QVERIFY(capsLockOn(QStringLiteral("a"), true));
        QVERIFY(!capsLockOn(QStringLiteral("A"), true));
        QVERIFY(!capsLockOn(QStringLiteral("1"), false));
        QVERIFY(!capsLockOn(QString(), false));
    }

    // Another segment holds the key of our key file: the key file is
    // replaced by a new inode and the tool finds the new block, while the
    // foreign segment stays untouched.
    void collidingKeyFileIsReplaced()
    {
        sim::Publisher pub;
        QVERIFY(pub.ensureRuntimeDir());
        const QByteArray path = QFile::encodeName(pub.runtimeDir() + QStringLiteral("/noXelLCDMap"));
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        struct stat before;
        QCOMPARE(::stat(path.constData(), &before), 0);
        const key_t oldKey = ftok(path.constData(), 'Q');
        const int foreign = shmget(oldKey, 4096, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY(foreign >= 0);
        void *held = shmat(foreign, nullptr, 0);
        QVERIFY(held != reinterpret_cast<void *>(-1));

        QVERIFY(pub.createGlobal(1));
        sim::PublishedBlock *b = pub.createLayer(0, sim::LayerSpec::of(6, 3));
        QVERIFY2(b, qPrintable(pub.lastError()));
        struct stat after;
        QCOMPARE(::stat(path.constData(), &after), 0);
        QVERIFY(after.st_ino != before.st_ino);
        QVERIFY(ftok(path.constData(), 'Q') != oldKey);
        QVERIFY(b->shmId() != foreign);
        // No temporary file is left beside the key file.
        QCOMPARE(QDir(pub.runtimeDir()).entryList(QDir::Files).filter(QStringLiteral("noXelLCDMap")).size(), 1);

        // The tool finds the new block (the foreign one is all zero: not in use).
        QVERIFY(pub.holdPresence(MainframeWindowClass));
        QList<LayerInfo> list;
        scanLayers(list);
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].xSize, 6);

        struct shmid_ds ds;
        QCOMPARE(shmctl(foreign, IPC_STAT, &ds), 0);
        QCOMPARE(int(ds.shm_nattch), 1);
        shmdt(held);
        shmctl(foreign, IPC_RMID, nullptr);
    }

    // A segment of our own that nobody holds is left over from a crash: it
    // is removed and the key file is kept.
    void staleSegmentIsReused()
    {
        sim::Publisher pub;
        QVERIFY(pub.ensureRuntimeDir());
        const QByteArray path = QFile::encodeName(pub.runtimeDir() + QStringLiteral("/noXelGlobalMap"));
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
        struct stat before;
        QCOMPARE(::stat(path.constData(), &before), 0);
        const int stale = shmget(ftok(path.constData(), 'Q'), 4096, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY(stale >= 0);
        QVERIFY(pub.createGlobal(3));
        struct shmid_ds ds;
        QVERIFY(shmctl(stale, IPC_STAT, &ds) != 0);
        struct stat after;
        QCOMPARE(::stat(path.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
    }

    // Only a regular file is a presence file, and the probe never waits on
    // a FIFO that carries a window class's name. Opening a FIFO without a
    // writer can block for ever, so the probes run in a child process that
    // is given a few seconds.
    void presenceProbeIgnoresOtherFileKinds()
    {
        sim::Publisher pub;
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(1));
        QVERIFY(pub.createLayer(0, sim::LayerSpec::of(2, 2)));
        const QByteArray fifo = QFile::encodeName(pub.runtimeDir() + QLatin1Char('/') + QLatin1String(MainframeWindowClass));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(QDir(pub.runtimeDir()).mkdir(QLatin1String(DeviceWindowClass)));

        const char *const faults[] = {
            nullptr,
            "the probe took the FIFO or the folder for a running simulation",
            "the layer scan found a simulation",
            "the simulation took the FIFO as its presence file",
        };
        const fixture::ChildOutcome probe = fixture::runBounded([&pub] {
            if (simulationRunning())
                return 1;
            QList<LayerInfo> list;
            if (scanLayers(list) != 255)
                return 2;
            // The simulation refuses it too instead of waiting on it.
            if (pub.holdPresence(MainframeWindowClass, 0))
                return 3;
            return 0;
        }, 10);
        QVERIFY2(probe.finished, qPrintable(QStringLiteral("probing the FIFO: ") + probe.failure));
        QVERIFY2(probe.result == 0, probe.result < 4 ? faults[probe.result] : "unexpected exit status");
    }

    // A relative runtime directory is resolved once against the working
    // directory at start: key paths are absolute and survive a chdir.
    void relativeRuntimeDirectoryIsMadeAbsolute()
    {
        const QString start = QDir::currentPath();
        const QString target = env.root() + QStringLiteral("/relative%1").arg(dirCount);
        const QString relative = QDir(start).relativeFilePath(target);
        QVERIFY(!QDir::isAbsolutePath(relative));
        env.useRuntimeDir(relative);

        sim::Publisher pub;
        QVERIFY(QDir::isAbsolutePath(pub.runtimeDir()));
        QVERIFY(pub.createGlobal(1));
        QVERIFY(pub.createLayer(0, sim::LayerSpec::of(2, 2)));
        QVERIFY(pub.holdPresence(MainframeWindowClass));
        const QString keyFile = target + QStringLiteral("/noXelLCDMap");
        QVERIFY(QFileInfo::exists(keyFile));

        QSharedMemory handle;
        QVERIFY(setBlockKey(handle, layerBlockName(0)));
        QVERIFY(QDir::isAbsolutePath(handle.nativeKey()));
        QCOMPARE(QFileInfo(handle.nativeKey()).canonicalFilePath(), QFileInfo(keyFile).canonicalFilePath());

        QVERIFY(QDir::setCurrent(QDir::rootPath()));
        const bool running = simulationRunning();
        QList<LayerInfo> list;
        scanLayers(list);
        QVERIFY(QDir::setCurrent(start));
        QVERIFY(running);
        QCOMPARE(list.size(), 1);
    }
    // A simulation announces its presence before its blocks exist; the
    // search goes on meanwhile and finds all layers once layer 0 is in use.
    void presenceBeforeBlocksKeepsSearching()
    {
        sim::Publisher pub;
        QVERIFY(pub.holdPresence(MainframeWindowClass));
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 255);
        QVERIFY(pub.createGlobal(1));
        QVERIFY(pub.createLayer(0, sim::LayerSpec::of(3, 3), false));
        QVERIFY(pub.createLayer(1, sim::LayerSpec::of(4, 4), false));
        QCOMPARE(int(scanLayers(list)), 1);
        QVERIFY(list.isEmpty());
        pub.announceLayers();
        QCOMPARE(int(scanLayers(list)), 1);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].xSize, 4);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
