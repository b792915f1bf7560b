// Sizes that follow the simulation's headers stay bounded: a view sizes its
// widgets for no more layer pixels than its block holds (while its strip
// still shows the claimed sizes), the main window never grows beyond its
// screen, and the window-size restore makes room for every layer view.
#include "views/infowidgets.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>

namespace {

// Resident memory of this process in MiB, or -1 where /proc is missing.
qint64 residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields.at(1).toLongLong() * 4096 / (1024 * 1024);
}

} // namespace

class TestWindowSize : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    // Runs the window-size restore now (what the 15 ms timer would run).
    void fit() { fx.window->OnTimerResize(); }

    void checkWithinScreen()
    {
        MainWindow *window = fx.window.get();
        const QSize avail = window->screen()->availableGeometry().size();
        QVERIFY2(window->frameGeometry().width() <= avail.width() && window->frameGeometry().height() <= avail.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(window->width()).arg(window->height())));
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    void heldSizeRule()
    {
        // A 64 x 48 block of 32-bit pixels (12288 bytes).
        const qint64 bytes = 64 * 48 * 4;
        QCOMPARE(heldImageSize(64, 48, bytes, 4, 64), QSize(64, 48));
        QCOMPARE(heldImageSize(32, 20, bytes, 4, 32), QSize(32, 20));
        // Wider than the block: one row of the whole area; the rows at the
        // claimed row length do not fit at all.
        QCOMPARE(heldImageSize(2147483647, 65535, bytes, 4, 2147483647), QSize(3072, 0));
        // Taller than the block: the rows that fit at the row length.
        QCOMPARE(heldImageSize(64, 1000, bytes, 4, 64), QSize(64, 48));
        QCOMPARE(heldImageSize(100, 1000, bytes, 4, 100), QSize(100, 30));
        // Indexed: one byte a pixel.
        QCOMPARE(heldImageSize(64, 1000, bytes, 1, 64), QSize(64, 192));
        // A virtual screen read at the layer's row length.
        QCOMPARE(heldImageSize(128, 1000, bytes, 4, 32), QSize(128, 96));
        QCOMPARE(heldImageSize(-5, -1, bytes, 4, 64), QSize(0, 0));
        QCOMPARE(heldImageSize(64, 48, 0, 4, 64), QSize(0, 0));
        QCOMPARE(heldImageSize(64, 48, bytes, 4, 0), QSize(64, 0));
    }

    // The header claims 2147483647 x 65535 for a block of 64 x 48 pixels.
    void absurdHeaderStaysBounded()
    {
        QVERIFY(fx.publish({sim::LayerSpec::of(64, 48)}, QSize(64, 48)));
        sim::PublishedBlock *l0 = fx.pub->layer(0);
        l0->setXSize(2147483647);
        l0->setYSize(65535);
        l0->setVxSize(2147483647);
        l0->setVySize(65535);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(1));
        ViewLayer *view = fx.view(0);

        // Widgets and hints are sized for the held pixels only.
        const QSize held(3072, 0);
        QCOMPARE(view->GetPaintWidget()->size(), held);
        QCOMPARE(view->GetPaintWidget()->sizeHint(), held);
        view->SetZoom(16);
        QCOMPARE(view->GetPaintWidget()->size(), held * 16);
        QVERIFY(view->sizeHint().width() < 3072 * 16 + 1000);
        QVERIFY(fx.window->ScrollArea()->sizeHint().height() < 1000);
        // The strip tells what the header claims.
        auto *strip = view->findChild<LayerInfoWidget *>();
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("2147483647 x 65535"));
        // Not a virtual screen larger than the layer: no virtual view. The
        // composite is sized by its own header field.
        QVERIFY(fx.window->VirtViews().isEmpty());

        fit();
        checkWithinScreen();
        // As small as the layouts allow (larger than asked for).
        fx.window->resize(200, 150);
        const int small = fx.window->width();
        QTest::keyClick(fx.window.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(fx.window->width() > small);
        checkWithinScreen();

        // A header that changes to other absurd values while connected.
        l0->setYSize(-7);
        l0->setXSize(10);
        l0->bumpContent();
        QTRY_COMPARE(view->GetPaintWidget()->size(), QSize(10 * 16, 0));
        l0->setYSize(1 << 30);
        l0->setXSize(1 << 30);
        l0->bumpContent();
        QTRY_COMPARE(view->GetPaintWidget()->size(), held * 16);
        fit();
        checkWithinScreen();

        // Repaints at the largest zoom allocate for the window, not the header.
        fx.window->repaint();
        QVERIFY(residentMiB() < 250);

        fx.pub->tearDown();
        QTRY_VERIFY(fx.window->LayerViews().isEmpty());
        fit();
        checkWithinScreen();
    }

    // A virtual screen larger than its block: the virtual view is cut to
    // the rows that fit at the layer's row length.
    void virtualScreenCutToTheBlock()
    {
        QVERIFY(fx.publish({sim::LayerSpec::of(32, 24)}));
        sim::PublishedBlock *l0 = fx.pub->layer(0);
        l0->setVxSize(40000);
        l0->setVySize(50000);
        QVERIFY(fx.openWindow());
        QTRY_COMPARE(fx.window->VirtViews().size(), 1);
        ViewVirtLayer *virt = fx.window->VirtViews().first();
        const qint64 pixels = (l0->size() - 4096) / 4;
        QCOMPARE(virt->GetPaintWidget()->size(), QSize(int(pixels), int(pixels / 32)));
        auto *strip = virt->findChild<LayerInfoWidget *>();
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("40000 x 50000"));
    }

    // Large but genuine layers: the fit stops at the screen's edge.
    void largeLayersFitTheScreen()
    {
        QVERIFY(fx.publish({sim::LayerSpec::of(1200, 900), sim::LayerSpec::of(1200, 900)}));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        fx.view(0)->SetZoom(4);
        fit();
        checkWithinScreen();
        fx.window->ResizeWithinScreen(QSize(100000, 100000));
        checkWithinScreen();
        QCOMPARE(fx.window->size(), fx.window->ScreenLimit());
        fx.window->ResizeWithinScreen(QSize(700, 700));
        QCOMPARE(fx.window->size(), QSize(700, 700));
    }

    // Without a composite, twelve layer views stacked are far taller than the
    // screen: the window's minimum, the fit and Alt+R stay within it, and the
    // last view is reached by scrolling.
    void manyLayersWithoutCompositeFitTheScreen()
    {
        QList<sim::LayerSpec> layers;
        for (int n = 0; n < 12; ++n)
            layers.append(sim::LayerSpec::of(40, 30));
        QVERIFY(fx.publish(layers));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(12));
        QVERIFY(!fx.window->CompositeView());
        MainWindow *window = fx.window.get();
        const QSize avail = window->screen()->availableGeometry().size();
        int stacked = 0;
        for (ViewLayer *v : window->LayerViews())
            stacked += v->minimumSizeHint().height();
        QVERIFY2(stacked > avail.height(), "the views alone must not fit, or this proves nothing");
        QVERIFY(window->minimumSizeHint().height() <= avail.height());
        QVERIFY(window->minimumSize().height() <= avail.height());
        fit();
        checkWithinScreen();
        QTest::keyClick(window, Qt::Key_R, Qt::AltModifier);
        QVERIFY(fx.settle());
        checkWithinScreen();

        // The last view scrolls into sight inside the window.
        ViewLayer *last = window->LayerViews().last();
        QScrollArea *area = nullptr;
        for (QWidget *w = last->parentWidget(); w && !area; w = w->parentWidget())
            area = qobject_cast<QScrollArea *>(w);
        QVERIFY(area);
        area->ensureWidgetVisible(last, 0, 0);
        QTRY_VERIFY(last->mapTo(window, QPoint(0, 0)).y() < window->height());
    }

    // With a composite, the right-hand column holds the virtual views shown
    // and the composite: twelve of them stacked still leave the window's
    // minimum within the screen.
    void manyVirtualViewsBesideTheCompositeFitTheScreen()
    {
        QList<sim::LayerSpec> layers;
        for (int n = 0; n < 12; ++n) {
            sim::LayerSpec s = sim::LayerSpec::of(40, 30);
            s.vySize = 60;
            layers.append(s);
        }
        QVERIFY(fx.publish(layers, QSize(40, 30)));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(12, WindowFixture::WithComposite));
        MainWindow *window = fx.window.get();
        QCOMPARE(window->VirtViews().size(), 12);
        for (ViewVirtLayer *v : window->VirtViews())
            window->ShowVirtView(v->GetIndex(), true, false);
        QVERIFY(fx.settle());
        const QSize avail = window->screen()->availableGeometry().size();
        int stacked = 0;
        for (ViewVirtLayer *v : window->VirtViews())
            stacked += v->minimumSizeHint().height();
        QVERIFY2(stacked > avail.height(), "the views alone must not fit, or this proves nothing");
        QVERIFY(window->minimumSizeHint().height() <= avail.height());
        QVERIFY(window->minimumSize().height() <= avail.height());
        fit();
        checkWithinScreen();
        // The column scrolls only vertically: squeezed, the window keeps
        // the composite's full width.
        window->resize(200, 200);
        QVERIFY(fx.settle());
        QScrollArea *column = nullptr;
        for (QWidget *w = window->CompositeView()->parentWidget(); w && !column; w = w->parentWidget())
            column = qobject_cast<QScrollArea *>(w);
        QVERIFY(column);
        QVERIFY(column->viewport()->width() >= column->widget()->minimumSizeHint().width());
    }

    // The same simulation coming back keeps the window's size, also when
    // the composite was hidden: the rebuild must not show it and refit.
    void hiddenCompositeKeepsTheSizeOverARestart()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        QAction *entry = fx.action(QStringLiteral("&View"), QStringLiteral("&Composite View"));
        QVERIFY(entry && entry->isChecked());
        entry->trigger();
        QVERIFY(fx.settle());
        QVERIFY(fx.window->CompositeView()->isHidden());
        fx.window->resize(500, 400);
        QVERIFY(fx.settle());
        const QSize before = fx.window->size();

        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        // Longer than the window-size restore's timer.
        QTest::qWait(100);
        QCOMPARE(fx.window->size(), before);
        QVERIFY(fx.window->CompositeView()->isHidden());
        QVERIFY(!entry->isChecked());
    }

    // With a composite the views sit in the scroll area: the restore gives
    // it the height of every layer view.
    void restoreShowsEveryLayerView()
    {
        // Two layer views: with their selection strips, three would be
        // taller than the offscreen screen.
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(30, 20)}, QSize(40, 30)));
        QVERIFY(fx.openWindow());
        QTRY_VERIFY(fx.window->CompositeView());
        LayerScrollArea *area = fx.window->ScrollArea();
        QCOMPARE(area->sizeHint().height(), fx.window->ViewContainer()->sizeHint().height() + 2 * area->lineWidth());
        fit();
        QTRY_VERIFY(fx.window->LayerViews().last()->isVisible());
        // The window is as tall as the views need (the offscreen screen is
        // too narrow for the composite beside them, so only heights count).
        QVERIFY(area->height() >= area->sizeHint().height());
        for (ViewLayer *v : fx.window->LayerViews()) {
            const int bottom = v->mapTo(area, QPoint(0, 0)).y() + v->height();
            QVERIFY2(bottom <= area->height(), qPrintable(QStringLiteral("layer %1").arg(v->GetIndex())));
        }
    }
};

QTEST_MAIN(TestWindowSize)
#include "tst_windowsize.moc"
