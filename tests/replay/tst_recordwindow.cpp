// Recording and replaying in the main window: clicks and keys typed into a
// layer view and the composite are recorded with their layers, and the
// recording replayed from the File menu gives the simulation the same
// block fields in the same order; the entries follow what runs.
#include "app/inputactions.h"
#include "replay/inputfile.h"
#include "replay/replayer.h"
#include "windowfixture.h"

#include <QDir>
#include <QFile>

using fixture::at;
using replay::InputEvent;

namespace {

// What the simulation reads from a layer after a write: the pointer fields,
// or the key word (taken, as a simulation does).
struct Fields
{
    int layer = 0;
    bool key = false;
    qint32 x = 0, y = 0, pressed = 0;
    quint32 word = 0;
    bool operator==(const Fields &o) const
    {
        return layer == o.layer && key == o.key && x == o.x && y == o.y && pressed == o.pressed && word == o.word;
    }
};

Fields readPointer(sim::PublishedBlock *b, int layer)
{
    Fields f;
    f.layer = layer;
    f.x = b->pointerX();
    f.y = b->pointerY();
    f.pressed = b->pointerPressed();
    return f;
}

Fields takeKey(sim::PublishedBlock *b, int layer)
{
    Fields f;
    f.layer = layer;
    f.key = true;
    f.word = b->takeKeyEvent();
    return f;
}

QString describe(const QList<Fields> &list)
{
    QStringList parts;
    for (const Fields &f : list)
        parts << (f.key ? QStringLiteral("L%1 key %2").arg(f.layer).arg(f.word, 0, 16)
                        : QStringLiteral("L%1 (%2,%3,%4)").arg(f.layer).arg(f.x).arg(f.y).arg(f.pressed));
    return parts.join(QStringLiteral("; "));
}

} // namespace

class TestRecordWindow : public QObject
{
    Q_OBJECT

    WindowFixture fx;
    InputActions *input = nullptr;

    bool openScene()
    {
        if (!fx.publishTwoLayerScene() || !fx.openWindow() || !fx.waitForViews(2, WindowFixture::WithComposite))
            return false;
        input = fx.window->findChild<InputActions *>();
        return input != nullptr;
    }

    void clearInputFields()
    {
        for (int n : {0, 1}) {
            sim::PublishedBlock *b = fx.pub->layer(n);
            b->takeKeyEvent();
            for (qint64 offset : {simlink::Offset::PointerX, simlink::Offset::PointerY, simlink::Offset::PointerPressed})
                b->setUInt32(offset, 0);
        }
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        SetInputFileChooser(InputFileChooser());
    }
    void cleanup()
    {
        SetInputFileChooser(InputFileChooser());
        fx.clear();
    }

    void recordingReplaysTheSameFieldsInOrder()
    {
        QVERIFY(openScene());
        MainWindow &w = *fx.window;
        const QString file = fx.env.root() + QStringLiteral("/session.jsonl");
        SetInputFileChooser([&](QWidget *, bool forSaving) { return forSaving ? file : QString(); });
        QVERIFY(input->RecordAction()->isEnabled());
        QVERIFY(!input->StopRecordingAction()->isEnabled());
        input->RecordAction()->trigger();
        QVERIFY(input->IsRecording());
        QCOMPARE(w.StatusText(), QStringLiteral("Recording input to %1").arg(QDir::toNativeSeparators(file)));
        QVERIFY(input->StopRecordingAction()->isEnabled());
        QVERIFY(!input->RecordAction()->isEnabled());
        QVERIFY(!input->ReplayAction()->isEnabled());

        // The user: a drag in layer 1's view, a typed a, a click and Left
        // in the composite. After each write, what the simulation reads.
        clearInputFields();
        sim::PublishedBlock *l0 = fx.pub->layer(0);
        sim::PublishedBlock *l1 = fx.pub->layer(1);
        QList<Fields> live;
        PaintWidget *layerPaint = fx.view(1)->GetPaintWidget();
        const int z1 = fx.view(1)->GetZoom();
        QTest::mousePress(layerPaint, Qt::LeftButton, Qt::NoModifier, at(5, 3, z1));
        live << readPointer(l1, 1);
        QTest::mouseMove(layerPaint, at(6, 4, z1));
        live << readPointer(l1, 1);
        QTest::mouseRelease(layerPaint, Qt::LeftButton, Qt::NoModifier, at(6, 4, z1));
        live << readPointer(l1, 1);
        QTest::keyPress(layerPaint, Qt::Key_A);
        live << takeKey(l1, 1);
        QTest::keyRelease(layerPaint, Qt::Key_A);
        live << takeKey(l1, 1);
        PaintWidget *compositePaint = w.CompositeView()->GetPaintWidget();
        const int zc = w.CompositeView()->GetZoom();
        QTest::mousePress(compositePaint, Qt::LeftButton, Qt::NoModifier, at(30, 20, zc));
        live << readPointer(l0, 0);
        QTest::mouseRelease(compositePaint, Qt::LeftButton, Qt::NoModifier, at(30, 20, zc));
        live << readPointer(l0, 0);
        QTest::keyPress(compositePaint, Qt::Key_Left);
        live << takeKey(l0, 0);
        QTest::keyRelease(compositePaint, Qt::Key_Left);
        live << takeKey(l0, 0);
        input->StopRecordingAction()->trigger();
        QVERIFY(!input->IsRecording());
        QCOMPARE(w.StatusText(),
                 QStringLiteral("Recording stopped: 9 events written to %1").arg(QDir::toNativeSeparators(file)));

        // The file: every write with its layer, times never going back.
        QList<InputEvent> events;
        QString error;
        QVERIFY2(replay::loadInputFile(file, &events, &error), qPrintable(error));
        QCOMPARE(events.size(), 9);
        const QList<InputEvent> expected = {
            InputEvent::pointer(0, 1, 5, 3, 1), InputEvent::pointer(0, 1, 6, 4, 1), InputEvent::pointer(0, 1, 6, 4, 0),
            InputEvent::key(0, 1, 'a', 1),       InputEvent::key(0, 1, 'a', 0),       InputEvent::pointer(0, 0, 30, 20, 1),
            InputEvent::pointer(0, 0, 30, 20, 0), InputEvent::key(0, 0, 16, 1),        InputEvent::key(0, 0, 16, 0),
        };
        QCOMPARE(events.first().t, 0.0);
        for (int i = 0; i < expected.size(); ++i) {
            InputEvent untimed = events.at(i);
            untimed.t = 0;
            QVERIFY2(untimed == expected.at(i), qPrintable(QString::fromLatin1(replay::eventLine(events.at(i)))));
        }

        // Replayed from the menu into the same simulation: the same fields
        // in the same order, each read (and each key taken) right after it
        // was written.
        clearInputFields();
        SetInputFileChooser([&](QWidget *, bool forSaving) { return forSaving ? QString() : file; });
        QVERIFY(input->ReplayAction()->isEnabled());
        input->ReplayAction()->trigger();
        replay::Replayer *replayer = input->ActiveReplay();
        QVERIFY(replayer);
        QVERIFY(input->StopReplayingAction()->isEnabled());
        QVERIFY(!input->RecordAction()->isEnabled());
        QVERIFY(!input->ReplayAction()->isEnabled());
        QList<Fields> replayed;
        connect(replayer, &replay::Replayer::eventWritten, this, [&](int index) {
            const InputEvent &e = events.at(index);
            sim::PublishedBlock *b = fx.pub->layer(e.layer);
            replayed << (e.kind == InputEvent::Key ? takeKey(b, e.layer) : readPointer(b, e.layer));
        });
        QTRY_VERIFY(!input->ActiveReplay());
        QVERIFY2(replayed == live, qPrintable(describe(replayed) + QStringLiteral("\n") + describe(live)));
        QCOMPARE(w.StatusText(), QStringLiteral("Replay finished: 9 of 9 events written, 0 skipped for layers the "
                                                "simulation does not have, 0 keys not taken by the simulation."));
        QVERIFY(input->ReplayAction()->isEnabled());
        QVERIFY(input->RecordAction()->isEnabled());
    }

    // A broken file is refused in the status line and writes nothing; a
    // long replay can be stopped; a recording that cannot be written says
    // why; the replay entry waits for a simulation.
    void entriesRefuseStopAndFollowTheSimulation()
    {
        QVERIFY(openScene());
        MainWindow &shown = *fx.window;
        const QList<QAction *> fileEntries = fx.menu(QStringLiteral("&File"))->actions();
        for (QAction *entry : {input->RecordAction(), input->StopRecordingAction(), input->ReplayAction(),
                               input->StopReplayingAction()})
            QVERIFY(fileEntries.contains(entry));
        clearInputFields();

        const QString broken = fx.env.root() + QStringLiteral("/broken.jsonl");
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(replay::headerLine() + "\n" + replay::eventLine(InputEvent::pointer(0, 0, 4, 4, 1)) + "\n{\"t\": 1");
        f.close();
        QString chosen = broken;
        SetInputFileChooser([&](QWidget *, bool) { return chosen; });
        input->ReplayAction()->trigger();
        QVERIFY(!input->ActiveReplay());
        QVERIFY(shown.StatusText().startsWith(broken + QStringLiteral(": line 3: broken or cut-off JSON: ")));
        QCOMPARE(fx.pub->layer(0)->pointerPressed(), 0);

        chosen = fx.env.root() + QStringLiteral("/long.jsonl");
        QFile g(chosen);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write(replay::headerLine() + "\n" + replay::eventLine(InputEvent::pointer(0, 0, 4, 4, 1)) + "\n"
                + replay::eventLine(InputEvent::pointer(600, 0, 5, 5, 0)) + "\n");
        g.close();
        input->ReplayAction()->trigger();
        QVERIFY(input->ActiveReplay());
        QTRY_COMPARE(fx.pub->layer(0)->pointerPressed(), 1);
        input->StopReplayingAction()->trigger();
        QCOMPARE(shown.StatusText(), QStringLiteral("Replay stopped: 1 of 2 events written, 0 skipped for layers the "
                                                    "simulation does not have, 0 keys not taken by the simulation."));
        QTRY_VERIFY(!input->ActiveReplay());
        // The views keep their own attachment; the replay's is gone.
        QCOMPARE(sim::attachCount(fx.pub->layer(0)), 2);

        chosen = fx.env.root() + QStringLiteral("/no-such-folder/rec.jsonl");
        input->RecordAction()->trigger();
        QVERIFY(!input->IsRecording());
        QVERIFY(shown.StatusText().startsWith(QStringLiteral("Cannot write %1: ").arg(QDir::toNativeSeparators(chosen))));

        QVERIFY(fx.endSimulation());
        QVERIFY(!input->ReplayAction()->isEnabled());
        QVERIFY(input->RecordAction()->isEnabled());
    }
};

QTEST_MAIN(TestRecordWindow)
#include "tst_recordwindow.moc"
