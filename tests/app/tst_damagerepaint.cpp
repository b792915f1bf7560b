// Repainting only what changed must show exactly what repainting everything
// shows. A publisher plays a simulation of four layers (true colour with
// see-through pixels, indexed with a virtual screen, colour-keyed, and one
// larger than its viewport) under a display; seeded random sequences change
// pixels, rows, sizes, palettes, positions and transparency fields, while
// the user zooms (1, 3, 16), scrolls, draws a selection, switches the grid,
// and the tiles alternate. After every tick the window's backing store (what
// the screen shows) is compared, view by view, with a full repaint of the
// same state.
#include "app/mainwindow.h"
#include "dialogs/buttons.h"
#include "paint/paintwidget.h"
#include "selection/selectionrect.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "views/scrollareas.h"
#include "views/viewcomposite.h"
#include "views/viewdamage.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QBackingStore>
#include <QComboBox>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

namespace {

constexpr int LayerCount = 4;

// The layers: sizes, colours and positions on a 160 x 120 display.
QList<sim::LayerSpec> sceneSpecs()
{
    sim::LayerSpec s0 = sim::LayerSpec::of(120, 90);
    sim::LayerSpec s1 = sim::LayerSpec::of(60, 40, 16, 8);
    s1.vySize = 80;
    s1.xPos = 30;
    s1.yPos = 20;
    sim::LayerSpec s2 = sim::LayerSpec::of(50, 50);
    s2.xPos = 120;
    s2.yPos = 80;
    sim::LayerSpec s3 = sim::LayerSpec::of(300, 200);
    s3.xPos = -20;
    s3.yPos = -10;
    return {s0, s1, s2, s3};
}

// The region of every paint event a widget receives.
class PaintedRegions : public QObject
{
public:
    QRegion painted;
    explicit PaintedRegions(QWidget *w) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(e)->region();
        return false;
    }
};

// The views a user sees, each with its paint widget.
QList<ViewWidget *> shownViews(MainWindow &w)
{
    QList<ViewWidget *> views;
    for (ViewLayer *v : w.LayerViews())
        views << v;
    for (ViewVirtLayer *v : w.VirtViews())
        views << v;
    if (w.CompositeView())
        views << w.CompositeView();
    return views;
}

} // namespace

class TestDamageRepaint : public QObject
{
    Q_OBJECT

    WindowFixture f;
    QRandomGenerator rng;

    sim::PublishedBlock *layer(int n) { return f.pub->layer(n); }

    void paintScene()
    {
        sim::PublishedBlock *l0 = layer(0);
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x)
                l0->setPixel32(x, y, (x + y) % 7 == 0 ? 0x60FF8000u : 0xFF000000u | quint32(x * 2) << 16 | quint32(y * 2));
        for (int i = 0; i < 16; ++i)
            layer(1)->setPaletteEntry(i, (i == 3 ? 0x40000000u : 0xFF000000u) | quint32(i * 0x0F0F0F));
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 60; ++x)
                layer(1)->setPixel8(x, y, quint8((x / 4 + y) % 16));
        layer(2)->fill32(0xFF00C000u);
        layer(2)->setKeyColorMin(0x0000B000u);
        layer(2)->setKeyColorMax(0x0000D0FFu);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                layer(3)->setPixel32(x, y, 0xFF000000u | quint32(x) << 8 | quint32(y));
        layer(0)->setBkColor(0x00303030u);
    }

    bool start()
    {
        QList<sim::LayerSpec> specs = sceneSpecs();
        if (!f.publish(specs, QSize(160, 120)))
            return false;
        paintScene();
        if (!f.openWindow() || !f.waitForViews(LayerCount, WindowFixture::WithComposite))
            return false;
        fixture::quiet(*f.window);
        f.window->resize(1100, 850);
        f.window->ShowVirtView(1, true, false);
        f.window->OnActHighlightSelect(true);
        tick();
        return true;
    }

    // One layer of one colour, with its view and the composite.
    bool startOneLayer(QSize size = QSize(64, 48))
    {
        if (!f.publish({sim::LayerSpec::of(size.width(), size.height())}, size))
            return false;
        layer(0)->fill32(0xFF204060u);
        if (!f.openWindow() || !f.waitForViews(1, WindowFixture::WithComposite))
            return false;
        fixture::quiet(*f.window);
        f.window->resize(900, 600);
        return true;
    }

    // One redraw tick, then every repaint it asked for.
    void tick()
    {
        // The test drives every timer: also a new selection's blink.
        fixture::quiet(*f.window);
        for (ViewWidget *view : shownViews(*f.window))
            if (SelectionRect *selection = view->GetPaintWidget()->Selection())
                fixture::quiet(*selection);
        f.window->OnTimerRedraw();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // What the screen shows of each view equals a full repaint of it.
    void compareWithFullRepaint(int step)
    {
        QBackingStore *store = f.window->backingStore();
        QVERIFY(store && store->paintDevice() && store->paintDevice()->devType() == QInternal::Image);
        const QImage screen = *static_cast<QImage *>(store->paintDevice());
        for (ViewWidget *view : shownViews(*f.window)) {
            PaintWidget *pw = view->GetPaintWidget();
            // The paint widget's own pixels: the selection's outline is a
            // child widget of its own, painted by its own rules.
            QRegion visible = pw->visibleRegion();
            for (QWidget *child : pw->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (child->isVisible())
                    visible -= child->geometry();
            if (!pw->isVisible() || visible.isEmpty())
                continue;
            const QRect box = visible.boundingRect();
            QImage full(box.size(), screen.format());
            full.fill(Qt::magenta);
            pw->render(&full, QPoint(), QRegion(box));
            QVERIFY(screen.depth() == 32 && full.depth() == 32);
            for (const QRect &r : visible) {
                const QPoint onScreen = pw->mapTo(f.window.get(), r.topLeft());
                QVERIFY(screen.rect().contains(QRect(onScreen, r.size())));
                for (int y = 0; y < r.height(); ++y) {
                    const QRgb *shown = reinterpret_cast<const QRgb *>(screen.constScanLine(onScreen.y() + y)) + onScreen.x();
                    const QRgb *expected = reinterpret_cast<const QRgb *>(full.constScanLine(r.top() - box.top() + y))
                                           + (r.left() - box.left());
                    for (int x = 0; x < r.width(); ++x)
                        if (shown[x] != expected[x])
                            QFAIL(qPrintable(QStringLiteral("step %1, %2 at zoom %3: widget pixel (%4, %5) shows "
                                                            "%6, a full repaint %7")
                                                 .arg(step).arg(view->GetTitle()).arg(view->GetZoom())
                                                 .arg(r.left() + x).arg(r.top() + y)
                                                 .arg(shown[x], 8, 16, QLatin1Char('0'))
                                                 .arg(expected[x], 8, 16, QLatin1Char('0'))));
                }
            }
        }
    }

    // The simulation's side: one random change of a layer, its counters
    // bumped. (A change the simulation has not announced yet shows only with
    // the next paint, whichever asks for it, as it always did.)
    void changeLayers(bool video)
    {
        const int n = int(rng.bounded(LayerCount));
        sim::PublishedBlock *b = layer(n);
        const bool indexed = n == 1;
        const int w = int(b->uint32At(simlink::Offset::XSize)), h = int(b->uint32At(simlink::Offset::YSize));
        const int rows = indexed ? 80 : h; // layer 1's virtual screen is taller
        const auto pixel = [&](int x, int y) {
            if (indexed)
                b->setPixel8(x, y, quint8(rng.bounded(16)));
            else
                b->setPixel32(x, y, rng.bounded(4) == 0 ? rng.generate() : (0xFF000000u | rng.generate()));
        };
        switch (video ? 8 : rng.bounded(10)) {
        case 0: // a few pixels
        case 1:
            for (int k = int(rng.bounded(1, 6)); k > 0; --k)
                pixel(int(rng.bounded(w)), int(rng.bounded(rows)));
            break;
        case 2: { // whole rows
            const int y = int(rng.bounded(rows));
            for (int r = y; r < qMin(rows, y + int(rng.bounded(1, 5))); ++r)
                for (int x = 0; x < w; ++x)
                    pixel(x, r);
            break;
        }
        case 3: // a rectangle
            for (int y = int(rng.bounded(rows)), bottom = qMin(rows, y + 12); y < bottom; ++y)
                for (int x = int(rng.bounded(w)), right = qMin(w, x + 9); x < right; ++x)
                    pixel(x, y);
            break;
        case 4: // a smaller size and back (held in the same block)
            b->setXSize(w == sceneSpecs()[n].xSize ? w - int(rng.bounded(1, 8)) : sceneSpecs()[n].xSize);
            b->setYSize(h == sceneSpecs()[n].ySize ? h - int(rng.bounded(1, 8)) : sceneSpecs()[n].ySize);
            break;
        case 5: // palette, or a transparency field
            if (indexed) {
                b->setPaletteEntry(int(rng.bounded(16)), rng.generate());
                b->bumpPalette();
            } else {
                b->setTransMode(int(rng.bounded(3)));
                b->setLayerAlpha(quint8(rng.bounded(256)));
            }
            break;
        case 6: // position on the display
            b->setXPos(int(rng.bounded(-30, 150)));
            b->setYPos(int(rng.bounded(-30, 110)));
            break;
        case 7: { // a pixel changed while a paint of one view showed it, perhaps changed back
            const int x = int(rng.bounded(w)), y = int(rng.bounded(h));
            const quint32 was = indexed ? b->pixels()[y * w + x] : b->uint32At(4096 + 4 * (qint64(y) * w + x));
            pixel(x, y);
            ViewWidget *painted = f.window->LayerViews().at(n);
            if (rng.bounded(2) && f.window->CompositeView())
                painted = f.window->CompositeView();
            painted->GetPaintWidget()->update();
            QCoreApplication::processEvents();
            if (rng.bounded(2) == 0)
                break;
            if (indexed)
                b->setPixel8(x, y, quint8(was));
            else
                b->setPixel32(x, y, was);
            break;
        }
        case 8: // every pixel, as a video rewrites its frames
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < w; ++x)
                    pixel(x, y);
            break;
        default: // the counter alone
            break;
        }
        b->bumpContent();
    }

    // The user's side: zoom, scroll, grid, selection, settings.
    void actOnViews()
    {
        const QList<ViewWidget *> views = shownViews(*f.window);
        ViewWidget *view = views.at(int(rng.bounded(views.size())));
        PaintWidget *pw = view->GetPaintWidget();
        switch (rng.bounded(8)) {
        case 0: { // zoom 1, 3 or 16 in the zoom box
            static const int levels[] = {0, 2, 9};
            view->GetZoomCombo()->setCurrentIndex(levels[rng.bounded(3)]);
            break;
        }
        case 1: { // scroll
            QScrollBar *bar = rng.bounded(2) ? view->GetScrollArea()->horizontalScrollBar()
                                             : view->GetScrollArea()->verticalScrollBar();
            bar->setValue(int(rng.bounded(bar->maximum() + 1)));
            break;
        }
        case 2: // the grid, from the context menu's entry
            view->ShowGrid(!view->gridOn);
            break;
        case 3: { // a selection dragged with the selection tool
            if (!view->GetSelectionButton()->isChecked())
                QTest::mouseClick(view->GetSelectionButton(), Qt::LeftButton);
            const QRect shown = pw->visibleRegion().boundingRect();
            if (shown.width() < 8 || shown.height() < 8)
                break;
            const QPoint a(shown.left() + int(rng.bounded(shown.width() / 2)),
                           shown.top() + int(rng.bounded(shown.height() / 2)));
            const QPoint b = a + QPoint(int(rng.bounded(4, shown.width() / 2)), int(rng.bounded(4, shown.height() / 2)));
            QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, a);
            QTest::mouseMove(pw, (a + b) / 2);
            QTest::mouseMove(pw, b);
            QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, b);
            break;
        }
        case 4: // the tiles alternate
            f.window->OnTimerTrans();
            break;
        case 5: // transparency shown as tiles or a colour
            f.window->transDrawMode = f.window->transDrawMode == 2 ? 0 : 2;
            f.window->transDrawColor = rng.generate();
            f.window->RepaintViews();
            break;
        case 6: // part of the window exposed again
            pw->update(QRect(int(rng.bounded(qMax(1, pw->width()))), int(rng.bounded(qMax(1, pw->height()))), 37, 23));
            break;
        default:
            break;
        }
    }

private Q_SLOTS:
    void init() { f.reset(); }
    void cleanup() { f.clear(); }

    void randomSequencesShowWhatAFullRepaintShows_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 22u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }

    void randomSequencesShowWhatAFullRepaintShows()
    {
        QFETCH(quint32, seed);
        rng.seed(seed);
        QVERIFY(start());
        for (int step = 0; step < 200; ++step) {
            // Now and then a run of steps that rewrite whole frames.
            const bool video = step % 40 >= 30;
            for (int k = int(rng.bounded(1, 4)); k > 0; --k)
                changeLayers(video);
            if (rng.bounded(3) == 0)
                actOnViews();
            if (step == 100) {
                // A restart: the simulation ends and the same configuration
                // comes back into the same window.
                f.pub.reset();
                tick();
                QCOMPARE(f.window->LayerViews().size(), 0);
                QVERIFY(f.publish(sceneSpecs(), QSize(160, 120)));
                paintScene();
                QVERIFY(f.waitForViews(LayerCount, WindowFixture::WithComposite));
                fixture::quiet(*f.window);
                tick();
            }
            tick();
            compareWithFullRepaint(step);
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The composite follows the layer view's copy of a layer: a pixel the
    // simulation changed without telling, shown first by a paint of one of
    // the two views (say, an expose), still reaches the other one, also when
    // it is changed back before the next change is told.
    void aPaintOfOneViewReachesTheOther_data()
    {
        QTest::addColumn<bool>("composite");
        QTest::addColumn<bool>("changedBack");
        QTest::newRow("layer view paints") << false << false;
        QTest::newRow("layer view paints, changed back") << false << true;
        QTest::newRow("composite paints") << true << false;
        QTest::newRow("composite paints, changed back") << true << true;
    }

    void aPaintOfOneViewReachesTheOther()
    {
        QFETCH(bool, composite);
        QFETCH(bool, changedBack);
        QVERIFY(startOneLayer());
        sim::PublishedBlock *b = layer(0);
        // Past the first looks, which count as whole changes, and the rest
        // they start: the views keep copies again.
        for (int i = 0; i < 40; ++i) {
            b->setPixel32(1, 1, 0xFF000000u | quint32(i));
            b->bumpContent();
            tick();
        }
        b->setPixel32(5, 5, 0xFFFF0000u);
        ViewWidget *painted = composite ? static_cast<ViewWidget *>(f.window->CompositeView())
                                        : f.window->LayerViews().first();
        painted->GetPaintWidget()->update();
        QCoreApplication::processEvents();
        if (changedBack)
            b->setPixel32(5, 5, 0xFF204060u);
        b->setPixel32(40, 30, 0xFF00FF00u);
        b->bumpContent();
        tick();
        compareWithFullRepaint(0);
    }

    // Zooming makes the view repaint whole once; the changes after it are
    // found again at once, not taken for a busy layer.
    void changesAfterAZoomRepaintOnlyWhatChanged()
    {
        QVERIFY(startOneLayer());
        sim::PublishedBlock *b = layer(0);
        ViewLayer *view = f.window->LayerViews().first();
        const auto change = [&](int i) {
            b->setPixel32(i % 64, 10, 0xFF000000u | quint32(i));
            b->bumpContent();
            tick();
        };
        for (int i = 0; i < 40; ++i)
            change(i);
        view->GetZoomCombo()->setCurrentIndex(2);
        QCOMPARE(view->GetZoom(), 3);
        tick();
        change(50); // the first change at zoom 3 repaints whole, keeping no copy
        change(51); // the next one makes the copy at zoom 3
        PaintedRegions paints(view->GetPaintWidget());
        change(52);
        QCOMPARE(paints.painted, QRegion(52 % 64 * 3, 10 * 3, 3, 3));
        compareWithFullRepaint(0);
    }

    // A view wider than the window's pane compares only what the pane
    // shows of it; scrolled into the pane, the rest is followed as well.
    void aViewPartlyOutOfTheWindowComparesWhatShows()
    {
        QVERIFY(startOneLayer(QSize(1600, 120)));
        sim::PublishedBlock *b = layer(0);
        const auto change = [&](int x, quint32 colour) {
            b->setPixel32(x, 60, colour);
            b->bumpContent();
            tick();
        };
        for (int i = 0; i < 40; ++i)
            change(1, 0xFF000000u | quint32(i));
        ViewLayer *view = f.window->LayerViews().first();
        QScrollArea *pane = nullptr;
        for (QWidget *w = view->parentWidget(); w && !pane; w = w->parentWidget())
            pane = qobject_cast<QScrollArea *>(w);
        QVERIFY(pane);
        const int shownWidth = view->GetPaintWidget()->visibleRegion().boundingRect().width();
        QVERIFY(shownWidth < view->GetVisibleSize().width());
        QVERIFY(view->GetLayerDamage()->Copy().area().width() <= shownWidth + 16);
        pane->horizontalScrollBar()->setValue(pane->horizontalScrollBar()->maximum());
        tick();
        const QRect nowShown = view->GetPaintWidget()->visibleRegion().boundingRect();
        change(nowShown.right() - 2, 0xFFFF0000u);
        change(nowShown.right() - 3, 0xFF00FF00u);
        compareWithFullRepaint(0);
    }
};

QTEST_MAIN(TestDamageRepaint)
#include "tst_damagerepaint.moc"
