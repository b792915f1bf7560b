// Replaying a recording into a publisher's blocks: the real noxelview
// process without a display (a simulation that takes keys late, one that
// never takes them, layers it does not have, a broken file, no simulation),
// and the replay ending with the simulation.
#include "replay/inputfile.h"
#include "replay/replayer.h"
#include "simlink/connection.h"
#include "testenv.h"

#include "sim/publisher.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using replay::InputEvent;

namespace {

// The simulation's side of the key word: looks every few milliseconds and
// takes a key once it has stood for 'delayMs', or never (delayMs < 0).
// Also notes layer 0's pointer at each take, to see what came before.
class KeyTaker : public QObject
{
public:
    KeyTaker(sim::PublishedBlock *keys, sim::PublishedBlock *pointer, int delayMs)
        : keys(keys), pointer(pointer), delayMs(delayMs)
    {
        connect(&poll, &QTimer::timeout, this, [this] { look(); });
        poll.start(5);
    }

    QList<quint32> taken;
    QList<int> pointerXAtTake;

private:
    void look()
    {
        if (delayMs < 0 || keys->keyEvent() == 0) {
            standing.invalidate();
            return;
        }
        if (!standing.isValid())
            standing.start();
        if (standing.elapsed() < delayMs)
            return;
        taken.append(keys->takeKeyEvent());
        pointerXAtTake.append(pointer->pointerX());
        standing.invalidate();
    }

    sim::PublishedBlock *keys;
    sim::PublishedBlock *pointer;
    int delayMs;
    QTimer poll;
    QElapsedTimer standing;
};

quint32 keyWord(int code, int pressed)
{
    return 0x00010000u | quint32(pressed << 8) | quint32(code);
}

} // namespace

class TestReplay : public QObject
{
    Q_OBJECT

    TestEnvironment env;
    std::unique_ptr<sim::Publisher> pub;
    int fileCount = 0;

    // A running simulation of two small layers.
    void publishTwoLayers()
    {
        pub.reset(new sim::Publisher(env.runtimeDir()));
        QVERIFY(pub->createGlobal(255));
        QVERIFY(pub->createLayer(0, sim::LayerSpec::of(40, 30)));
        QVERIFY(pub->createLayer(1, sim::LayerSpec::of(20, 10)));
        QVERIFY(pub->holdPresence(simlink::MainframeWindowClass));
    }

    QString writeFile(const QByteArray &text)
    {
        const QString path = env.root() + QStringLiteral("/rec%1.jsonl").arg(++fileCount);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return QString();
        return path;
    }

    QString writeRecording(const QList<InputEvent> &events)
    {
        QByteArray text = replay::headerLine() + '\n';
        for (const InputEvent &e : events)
            text += replay::eventLine(e) + '\n';
        return writeFile(text);
    }

#ifdef NOXELVIEW_BINARY
    struct Run
    {
        int status = -1;
        QString out;
        QString err;
    };

    // Runs noxelview without a display while this test's event loop keeps
    // turning, so that the publisher's side can take keys meanwhile.
    Run runTool(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(QLatin1String(name));
        e.insert(QStringLiteral("NOXEL_RUNTIME_DIR"), env.runtimeDir());
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(NOXELVIEW_BINARY), args);
        Run run;
        if (!p.waitForStarted(60000) || !QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 60000))
            return run;
        run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(p.readAllStandardError());
        return run;
    }
#endif

private Q_SLOTS:
    void init() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++fileCount)); }
    void cleanup() { pub.reset(); }

#ifdef NOXELVIEW_BINARY
    // Four keys typed within a few milliseconds, then a pointer press: a
    // simulation that takes each key only after a while still gets every
    // one, in order, and the press comes only after the last key.
    void keysWaitForASimulationThatTakesThemLate()
    {
        publishTwoLayers();
        const QString file = writeRecording({
            InputEvent::key(0, 1, 'a', 1),
            InputEvent::key(0.001, 1, 'a', 0),
            InputEvent::key(0.002, 1, 'b', 1),
            InputEvent::key(0.003, 1, 'b', 0),
            InputEvent::pointer(0.004, 0, 7, 8, 1),
        });
        KeyTaker late(pub->layer(1), pub->layer(0), 150);
        const Run run = runTool({QStringLiteral("--replay"), file, QStringLiteral("--wait"), QStringLiteral("30")});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QStringLiteral("Replay finished: 5 of 5 events written, 0 skipped for layers the simulation "
                                         "does not have, 0 keys not taken by the simulation.\n"));
        QCOMPARE(run.status, 0);
        QCOMPARE(late.taken, (QList<quint32>{keyWord('a', 1), keyWord('a', 0), keyWord('b', 1), keyWord('b', 0)}));
        // The release of b waited for its press to be taken; the pointer
        // waited for the release.
        QCOMPARE(late.pointerXAtTake.at(2), 0);
        QCOMPARE(pub->layer(0)->pointerX(), 7);
        QCOMPARE(pub->layer(0)->pointerY(), 8);
        QCOMPARE(pub->layer(0)->pointerPressed(), 1);
        QCOMPARE(sim::attachCount(pub->layer(0)), 1);
        QCOMPARE(sim::attachCount(pub->layer(1)), 1);
    }

    // A simulation that never takes a key: each key still goes in after the
    // wait, and all three are reported as not taken, with status 4.
    void keysNeverTakenGiveStatus4()
    {
        publishTwoLayers();
        const QString file = writeRecording({
            InputEvent::key(0, 0, 13, 1),
            InputEvent::key(0.01, 0, 13, 0),
            InputEvent::key(0.02, 0, 'x', 1),
        });
        const Run run = runTool({QStringLiteral("--replay"), file});
        QCOMPARE(run.err, QStringLiteral("Replay finished: 3 of 3 events written, 0 skipped for layers the "
                                         "simulation does not have, 3 keys not taken by the simulation.\n"));
        QCOMPARE(run.status, 4);
        QCOMPARE(pub->layer(0)->keyEvent(), keyWord('x', 1));
    }

    // Events for a layer the simulation lacks are skipped and counted, and
    // written nowhere else; the speed factor shortens a long pause.
    void missingLayersAreSkippedAndSpeedScales()
    {
        publishTwoLayers();
        const QString file = writeRecording({
            InputEvent::pointer(0, 5, 1, 2, 1),
            InputEvent::key(0, 7, 'q', 1),
            InputEvent::pointer(300, 1, 3, 4, 1),
        });
        const Run run = runTool({QStringLiteral("--replay"), file, QStringLiteral("--speed"), QStringLiteral("1000")});
        QCOMPARE(run.out, QStringLiteral("Replay finished: 1 of 3 events written, 2 skipped for layers the simulation "
                                         "does not have, 0 keys not taken by the simulation.\n"));
        QCOMPARE(run.status, 0);
        QCOMPARE(pub->layer(1)->pointerX(), 3);
        QCOMPARE(pub->layer(1)->pointerY(), 4);
        QCOMPARE(pub->layer(0)->pointerX(), 0);
        QCOMPARE(pub->layer(0)->keyEvent(), 0u);
    }

    // A broken line anywhere refuses the whole file before the first event
    // is written; bad options and no simulation have their own statuses.
    void brokenFileWritesNothing()
    {
        publishTwoLayers();
        QByteArray text = replay::headerLine() + '\n' + replay::eventLine(InputEvent::pointer(0, 0, 5, 3, 1)) + '\n'
                        + replay::eventLine(InputEvent::key(0.1, 0, 97, 1)) + '\n' + "{\"t\": -1, \"layer\": 0, \"key\": [98, 1]}\n";
        const QString file = writeFile(text);
        Run run = runTool({QStringLiteral("--replay"), file});
        QCOMPARE(run.err, file + QStringLiteral(": line 4: \"t\" is negative: -1\n"));
        QCOMPARE(run.out, QString());
        QCOMPARE(run.status, 2);
        QCOMPARE(pub->layer(0)->pointerX(), 0);
        QCOMPARE(pub->layer(0)->pointerPressed(), 0);
        QCOMPARE(pub->layer(0)->keyEvent(), 0u);

        run = runTool({QStringLiteral("--replay"), file, QStringLiteral("--speed"), QStringLiteral("0")});
        QCOMPARE(run.err, QStringLiteral("Invalid --speed value: 0\n"));
        QCOMPARE(run.status, 2);
        run = runTool({QStringLiteral("--replay"), file, QStringLiteral("--compare"), env.root()});
        QCOMPARE(run.err, QStringLiteral("--replay cannot be combined with --compare.\n"));
        QCOMPARE(run.status, 2);
        run = runTool({QStringLiteral("--speed"), QStringLiteral("2")});
        QCOMPARE(run.err, QStringLiteral("--speed needs --replay FILE.\n"));
        QCOMPARE(run.status, 2);

        pub.reset();
        const QString good = writeRecording({InputEvent::key(0, 0, 97, 1)});
        run = runTool({QStringLiteral("--replay"), good, QStringLiteral("--wait"), QStringLiteral("0.1")});
        QCOMPARE(run.err, QStringLiteral("No simulation found.\n"));
        QCOMPARE(run.status, 1);
    }
#endif

    // The simulation ends in the middle of a replay: it stops there, says
    // so, and lets go of the blocks.
    void simulationEndingEndsTheReplay()
    {
        publishTwoLayers();
        sim::PublishedBlock *layer0 = pub->layer(0);
        replay::Replayer replayer({InputEvent::pointer(0, 0, 1, 1, 1), InputEvent::pointer(600, 0, 2, 2, 0)}, 1.0, 5000);
        QSignalSpy finished(&replayer, &replay::Replayer::finished);
        connect(&replayer, &replay::Replayer::eventWritten, this, [&](int index) {
            QCOMPARE(index, 0);
            QCOMPARE(layer0->pointerPressed(), 1);
            QCOMPARE(sim::attachCount(layer0), 2);
            pub->releasePresence(simlink::MainframeWindowClass);
        });
        replayer.start();
        QVERIFY(finished.wait(10000));
        QCOMPARE(replayer.result().status, replay::ReplayResult::NoSimulation);
        QCOMPARE(replayer.result().message,
                 QStringLiteral("The simulation ended during the replay: 1 of 2 events written, 0 skipped for layers "
                                "the simulation does not have, 0 keys not taken by the simulation."));
        QCOMPARE(sim::attachCount(layer0), 1);
    }
};

QTEST_GUILESS_MAIN(TestReplay)
#include "tst_replay.moc"
