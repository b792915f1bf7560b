// A part added to the real main window follows the views: attached once
// they are built, ticked while the simulation runs (and only while its
// blocks are attached), detached before the views go, also when the
// simulation ends while a dialog is open or the window closes with views;
// and a pixel the user asks to watch reaches it beside the inspector.
#include "app/inspectorhost.h"
#include "app/windowpart.h"
#include "dialogs/gridcolordialog.h"
#include "inspector/inspectordock.h"
#include "windowfixture.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

using fixture::buttonWithTip;

namespace {

// Notes every call with what the window held at that moment.
class RecordingPart : public WindowPart
{
public:
    struct Event
    {
        QString what;
        int layerViews = 0;
        bool composite = false;
        bool blocksAttached = false;
    };

    explicit RecordingPart(MainWindow *window)
        : window(window)
    {
        window->AddPart(this);
    }
    ~RecordingPart() override
    {
        if (window)
            window->RemovePart(this);
    }

    void AttachViews() override { note(QStringLiteral("attach")); }
    void DetachViews() override { note(QStringLiteral("detach")); }
    void Tick() override { note(QStringLiteral("tick")); }
    void WatchPixel(int viewKind, int layer, QPoint pixel) override
    {
        watched.append({viewKind, layer, pixel});
    }

    int count(const QString &what) const
    {
        int n = 0;
        for (const Event &e : events)
            n += e.what == what;
        return n;
    }
    // The calls in order, a run of ticks written once.
    QStringList sequence() const
    {
        QStringList s;
        for (const Event &e : events)
            if (s.isEmpty() || s.last() != e.what || e.what != QStringLiteral("tick"))
                s.append(e.what);
        return s;
    }

    struct Watch
    {
        int kind;
        int layer;
        QPoint pixel;
    };
    QList<Event> events;
    QList<Watch> watched;

private:
    void note(const QString &what)
    {
        Event e;
        e.what = what;
        e.layerViews = int(window->LayerViews().size());
        e.composite = window->CompositeView() != nullptr;
        e.blocksAttached = e.layerViews > 0;
        for (ViewLayer *v : window->LayerViews())
            e.blocksAttached = e.blocksAttached && !v->GetRecord().isNull();
        events.append(e);
    }

    QPointer<MainWindow> window;
};

} // namespace

class TestWindowPart : public QObject
{
    Q_OBJECT

    WindowFixture fx;

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    // Start, run, end, start again, then the window closes with its views.
    void partFollowsTheSimulation()
    {
        QVERIFY(fx.openWindow());
        RecordingPart part(fx.window.get());
        QVERIFY(part.events.isEmpty());

        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        QTRY_VERIFY(part.count(QStringLiteral("tick")) >= 3);
        const RecordingPart::Event attach = part.events.first();
        QCOMPARE(attach.what, QStringLiteral("attach"));
        QCOMPARE(attach.layerViews, 2);
        QVERIFY(attach.composite);
        QVERIFY(attach.blocksAttached);

        QVERIFY(fx.endSimulation());
        QCOMPARE(part.sequence(), QStringList({"attach", "tick", "detach"}));
        // Told before the views went, and never ticked on a dropped block.
        QCOMPARE(part.events.last().layerViews, 2);
        for (const RecordingPart::Event &e : qAsConst(part.events))
            if (e.what == QStringLiteral("tick"))
                QVERIFY(e.blocksAttached);

        // No tick comes between the end and the next start.
        QVERIFY(fx.publishTwoLayerScene(false));
        QVERIFY(fx.waitForViews(2));
        QCOMPARE(part.sequence().mid(0, 4), QStringList({"attach", "tick", "detach", "attach"}));

        const int before = int(part.events.size());
        fx.closeWindow();
        QCOMPARE(part.events.size(), before + 1);
        QCOMPARE(part.events.last().what, QStringLiteral("detach"));
        QCOMPARE(part.events.last().layerViews, 2);
    }

    // A part added while views exist is attached at once.
    void partAddedToLiveViewsIsAttached()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        RecordingPart part(fx.window.get());
        QCOMPARE(part.sequence().value(0), QStringLiteral("attach"));
        QCOMPARE(part.events.first().layerViews, 2);
        QVERIFY(fx.endSimulation());
        QCOMPARE(part.sequence().last(), QStringLiteral("detach"));
        QCOMPARE(part.count(QStringLiteral("attach")), 1);
    }

    // The simulation ends while a view's grid colour dialog is open: the part
    // keeps the views and gets no tick while the dialog runs, and is detached
    // once it has closed, before the views go.
    void endWhileADialogIsOpen()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        RecordingPart part(fx.window.get());
        QTRY_VERIFY(part.count(QStringLiteral("tick")) >= 1);

        bool pending = false;
        int ticksWhenPending = -1;
        QStringList seenInDialog;
        auto ran = modalwait::whenOpen<GridColorDialog>([&](GridColorDialog *dialog) {
            fx.pub->tearDown();
            pending = QTest::qWaitFor([this] { return fx.window->TeardownPending(); }, 5000);
            ticksWhenPending = part.count(QStringLiteral("tick"));
            // Redraw ticks while the dialog stays open reach no part.
            fx.window->OnTimerRedraw();
            fx.window->OnTimerRedraw();
            seenInDialog = part.sequence();
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        });
        QTest::mouseClick(buttonWithTip(fx.view(0), QStringLiteral("<b>Grid Color</b>")), Qt::LeftButton);
        QVERIFY(*ran);
        QVERIFY(pending);
        QCOMPARE(seenInDialog, QStringList({"attach", "tick"}));

        QTRY_COMPARE(part.sequence().last(), QStringLiteral("detach"));
        QCOMPARE(part.count(QStringLiteral("tick")), ticksWhenPending);
        QCOMPARE(part.count(QStringLiteral("detach")), 1);
        QCOMPARE(part.events.last().layerViews, 2);
        QVERIFY(fx.window->LayerViews().isEmpty());
    }

    // "Watch pixel" from a view's menu reaches every part: the inspector
    // pins it, and so does the added part.
    void watchedPixelReachesEveryPart()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        RecordingPart part(fx.window.get());
        PaintWidget *paint = fx.view(1)->GetPaintWidget();
        QTRY_VERIFY(paint->isVisible());
        QVERIFY(fixture::chooseFromMenu(paint, fixture::at(3, 5, 1), QStringLiteral("&Watch pixel")));

        QCOMPARE(part.watched.size(), 1);
        QCOMPARE(part.watched.first().kind, ViewId::Layer);
        QCOMPARE(part.watched.first().layer, 1);
        QCOMPARE(part.watched.first().pixel, QPoint(3, 5));
        QCOMPARE(fx.window->Inspector()->Dock()->WatchLabel()->text(), QStringLiteral("Watching 3, 5"));
    }
};

QTEST_MAIN(TestWindowPart)
#include "tst_windowpart.moc"
