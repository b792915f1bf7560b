// The refresh tick of the main window against a running publisher: which
// views a tick repaints after a change of the blocks, and after the
// transparency tiles alternated.
#include "app/mainwindow.h"
#include "paint/paintwidget.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "dialogs/transparencydialog.h"
#include "modalwait.h"
#include "testenv.h"
#include "windowfixture.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTimer>
#include <QtTest>

namespace {

// Counts paint events of the widgets it watches.
class PaintCounter : public QObject
{
public:
    QMap<QObject *, int> counts;
    void watch(QWidget *w) { w->installEventFilter(this); counts[w] = 0; }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++counts[o];
        return false;
    }
};

// Stops every timer of the window, so that a test drives the refresh tick
// itself.
void stopTimers(MainWindow &w)
{
    for (QTimer *t : w.findChildren<QTimer *>())
        t->stop();
}

// Processes the window's pending repaints: the repaint manager paints every
// dirty widget of a window in one pass, so once a freshly dirtied probe
// widget has been painted, so has everything that was dirty with it.
void flushPaints(MainWindow &w, PaintCounter &counter)
{
    // A one-pixel opaque child in the window's corner, over the menu bar.
    QWidget *probe = w.findChild<QWidget *>(QStringLiteral("paintProbe"));
    if (!probe) {
        probe = new QWidget(&w);
        probe->setObjectName(QStringLiteral("paintProbe"));
        probe->setAttribute(Qt::WA_OpaquePaintEvent);
        probe->setGeometry(0, 0, 1, 1);
        probe->show();
    }
    if (!counter.counts.contains(probe))
        counter.watch(probe);
    const int before = counter.counts[probe];
    probe->update();
    QTRY_VERIFY(counter.counts[probe] > before);
}

} // namespace

class TestRefreshCycle : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;

    void freshDir() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount)); }


    // Builds the window on the scene, stops its timers and lets it settle at
    // a size that shows every view, with the three paint widgets counted.
    void settleCounted(MainWindow &w, PaintCounter &counter, QWidget *(&p)[3])
    {
        w.show();
        QTRY_VERIFY(w.CompositeView() != nullptr);
        // The test drives the refresh tick itself, so that only what the
        // tick does is counted (no alternating tiles, no polling).
        stopTimers(w);
        w.OnTimerRedraw();
        p[0] = w.LayerViews().at(0)->GetPaintWidget();
        p[1] = w.LayerViews().at(1)->GetPaintWidget();
        p[2] = w.CompositeView()->GetPaintWidget();
        for (QWidget *q : p)
            counter.watch(q);
        // A window large enough to show every view; then let the layout
        // passes (and a fit the build may have queued) run out: until a
        // repaint pass paints none of the views at that size.
        for (int pass = 0, painted = -1; pass < 50 && (painted != 0 || w.size() != QSize(1200, 900)); ++pass) {
            w.resize(1200, 900);
            counter.counts[p[0]] = counter.counts[p[1]] = counter.counts[p[2]] = 0;
            flushPaints(w, counter);
            painted = counter.counts[p[0]] + counter.counts[p[1]] + counter.counts[p[2]];
        }
        QCOMPARE(counter.counts[p[0]] + counter.counts[p[1]] + counter.counts[p[2]], 0);
        QVERIFY(!p[0]->visibleRegion().isEmpty());
        QVERIFY(!p[1]->visibleRegion().isEmpty());
    }

private Q_SLOTS:
    void init()
    {
        freshDir();
        env.resetSettings();
    }

    void redrawRepaintsOnlyChangedViews()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        MainWindow w;
        setMainWindow(&w);
        PaintCounter counter;
        QWidget *p[3];
        settleCounted(w, counter, p);
        QWidget *p0 = p[0], *p1 = p[1], *pc = p[2];
        if (QTest::currentTestFailed())
            return setMainWindow(nullptr);
        // A tick over unchanged blocks repaints nothing.
        w.OnTimerRedraw();
        flushPaints(w, counter);
        QCOMPARE(counter.counts[p0] + counter.counts[p1] + counter.counts[pc], 0);

        // A tick after layer 1 changed repaints it and the composite only.
        pub.layer(1)->setPixel8(3, 2, 9);
        pub.layer(1)->bumpContent();
        w.OnTimerRedraw();
        QTRY_VERIFY(counter.counts[p1] > 0);
        QTRY_VERIFY(counter.counts[pc] > 0);
        flushPaints(w, counter);
        QCOMPARE(counter.counts[p0], 0);
        setMainWindow(nullptr);
    }

    void alternatingTilesRepaintOnlyWhereTheyShow()
    {
        // Layer 0 has one transparent pixel; layer 1's pixels are opaque.
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        pub.layer(0)->setPixel32(5, 4, 0x00000000u);
        MainWindow w;
        setMainWindow(&w);
        PaintCounter counter;
        QWidget *p[3];
        settleCounted(w, counter, p);
        if (QTest::currentTestFailed())
            return setMainWindow(nullptr);
        const auto tick = [&](bool flip) {
            for (QWidget *q : p)
                counter.counts[q] = 0;
            if (flip)
                w.OnTimerTrans();
            w.OnTimerRedraw();
            flushPaints(w, counter);
        };

        // A flip repaints the view showing the tiles, not the opaque one,
        // and never the composite; a tick without a flip repaints nothing.
        for (int flips = 0; flips < 2; ++flips) {
            tick(true);
            QCOMPARE(counter.counts[p[0]], 1);
            QCOMPARE(counter.counts[p[1]], 0);
            QCOMPARE(counter.counts[p[2]], 0);
            tick(false);
            QCOMPARE(counter.counts[p[0]] + counter.counts[p[1]] + counter.counts[p[2]], 0);
        }

        // A content change still repaints its view and the composite, also
        // on the tick of a flip.
        pub.layer(1)->setPixel8(3, 2, 9);
        pub.layer(1)->bumpContent();
        tick(true);
        QCOMPARE(counter.counts[p[1]], 1);
        QCOMPARE(counter.counts[p[2]], 1);
        QCOMPARE(counter.counts[p[0]], 1);

        // Once layer 0 turned opaque, its view stops following the flips;
        // turned see-through again, it follows them again.
        pub.layer(0)->setPixel32(5, 4, 0xFF00FF00u);
        pub.layer(0)->bumpContent();
        tick(false);
        QCOMPARE(counter.counts[p[0]], 1);
        // That repaint was of the changed pixel alone: the next flip repaints
        // once what the earlier whole paint recorded as showing the tiles,
        // and finds them gone; from then on the flips leave the view alone.
        tick(true);
        tick(true);
        QCOMPARE(counter.counts[p[0]] + counter.counts[p[1]] + counter.counts[p[2]], 0);
        pub.layer(0)->setPixel32(39, 29, 0x80FFFFFFu);
        pub.layer(0)->bumpContent();
        tick(false);
        tick(true);
        QCOMPARE(counter.counts[p[0]], 1);
        QCOMPARE(counter.counts[p[2]], 0);
        setMainWindow(nullptr);
    }

    // Options that change how every view draws show at once, also while
    // the simulation idles and no counter changes.
    void sizeChangeWithoutCounterFollowsAtTheFlip()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        MainWindow w;
        setMainWindow(&w);
        PaintCounter counter;
        QWidget *p[3];
        settleCounted(w, counter, p);
        if (QTest::currentTestFailed())
            return setMainWindow(nullptr);
        QCOMPARE(p[0]->width(), 40);
        // Layer 0 narrows from 40 to 20 pixels; no counter tells.
        pub.layer(0)->setXSize(20);
        w.OnTimerRedraw();
        QCOMPARE(p[0]->width(), 40);
        // The next alternation of the tiles follows it, and repaints the
        // composite, which shows the layer narrower too.
        counter.counts[p[2]] = 0;
        w.OnTimerTrans();
        w.OnTimerRedraw();
        QCOMPARE(p[0]->width(), 20);
        flushPaints(w, counter);
        QCOMPARE(counter.counts[p[2]], 1);
        setMainWindow(nullptr);
    }

    void drawingOptionsRepaintTheViewsAtOnce()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        MainWindow w;
        setMainWindow(&w);
        PaintCounter counter;
        QWidget *p[3];
        settleCounted(w, counter, p);
        if (QTest::currentTestFailed())
            return setMainWindow(nullptr);
        const auto allRepainted = [&] {
            flushPaints(w, counter);
            const bool all = counter.counts[p[0]] > 0 && counter.counts[p[1]] > 0 && counter.counts[p[2]] > 0;
            for (QWidget *q : p)
                counter.counts[q] = 0;
            return all;
        };

        w.OnActHighlightSelect(false);
        QVERIFY(allRepainted());

        // Options, Transparency: a solid colour chosen in the dialog.
        auto chosen = modalwait::whenOpen<TransparencyDialog>([](TransparencyDialog *dialog) {
            for (QRadioButton *r : dialog->findChildren<QRadioButton *>())
                if (r->text() == QStringLiteral("&Colored background"))
                    r->click();
            for (QPushButton *b : dialog->findChildren<QPushButton *>())
                if (b->text() == QStringLiteral("OK"))
                    b->click();
        });
        w.OnActTransparency();
        QVERIFY(*chosen);
        QCOMPARE(w.transDrawMode, 2);
        QVERIFY(allRepainted());
        setMainWindow(nullptr);
    }

    void alternatingTilesReachVirtualLayerViews()
    {
        // The virtual screen of layer 1 holds transparent pixels.
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, false, 30);
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QTRY_COMPARE(w.VirtViews().size(), 1);
        stopTimers(w);
        w.ShowVirtView(1, true, false);
        w.OnTimerRedraw();
        auto *pv = w.VirtViews().first()->GetPaintWidget();
        PaintCounter counter;
        counter.watch(pv);
        for (int pass = 0; pass < 50 && (counter.counts[pv] != 0 || w.size() != QSize(1200, 900)); ++pass) {
            w.resize(1200, 900);
            counter.counts[pv] = 0;
            flushPaints(w, counter);
        }
        QCOMPARE(counter.counts[pv], 0);
        QVERIFY(!pv->visibleRegion().isEmpty());
        QVERIFY(!pv->BackgroundShown().isEmpty());
        w.OnTimerTrans();
        w.OnTimerRedraw();
        flushPaints(w, counter);
        QCOMPARE(counter.counts[pv], 1);
        setMainWindow(nullptr);
    }

    void transparencyTilesAlternateInTheViews()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        // A see-through pixel, so that the view shows the tiles.
        pub.layer(0)->setPixel32(0, 0, 0x00000000u);
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QTRY_VERIFY(!w.LayerViews().isEmpty());
        QCOMPARE(w.transDrawMode, 0);
        // Nothing in the blocks changes: the layer view repaints only because
        // the tiles alternate, once with each tile.
        QSet<int> phasesPainted;
        struct PhaseRecorder : QObject
        {
            MainWindow *window;
            QSet<int> *phases;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    phases->insert(window->transPhase);
                return false;
            }
        } recorder;
        recorder.window = &w;
        recorder.phases = &phasesPainted;
        QWidget *p0 = w.LayerViews().at(0)->GetPaintWidget();
        PaintCounter settled;
        flushPaints(w, settled);
        p0->installEventFilter(&recorder);
        QTRY_VERIFY_WITH_TIMEOUT(phasesPainted.size() == 2, 10000);
        p0->removeEventFilter(&recorder);
        setMainWindow(nullptr);
    }
};

QTEST_MAIN(TestRefreshCycle)
#include "tst_refreshcycle.moc"
