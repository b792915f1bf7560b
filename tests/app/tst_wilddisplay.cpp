// What a view allocates and how large the window grows follow the viewport
// and the screen, never a size the simulation merely claims: a display of
// 35439 x 33238 over a small layer, and a layer that grows within its block
// to a shape far from the one its view was built for, are painted, zoomed,
// scrolled with the wheel and fitted with no heap request beyond what the
// screen holds.
#include "allocationwatch.h"
#include "paint/paintwidget.h"
#include "windowfixture.h"

#include <QClipboard>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

// Bytes of a 32-bit image the size of the screen: the window's backing
// store is one, and no paint needs more.
qint64 screenBytes(QWidget *w)
{
    const QSize s = w->screen()->size();
    return qint64(s.width()) * s.height() * 4;
}

// The wheel turned over the widget, as the platform delivers it, with the
// keys the user holds.
void turnWheel(QWidget *w, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent event(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

class TestWildDisplay : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    void checkWithinScreen()
    {
        MainWindow *window = fx.window.get();
        const QSize avail = window->screen()->availableGeometry().size();
        QVERIFY2(window->frameGeometry().width() <= avail.width() && window->frameGeometry().height() <= avail.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(window->width()).arg(window->height())));
    }

    // Paints the view now, as the next frame would, and checks that no
    // request of the paint went beyond the screen's bytes.
    void paintWithinScreen(ViewWidget *view, const char *what)
    {
        QCoreApplication::sendPostedEvents();
        allocationwatch::reset();
        view->GetPaintWidget()->repaint();
        const qint64 largest = allocationwatch::largest();
        QVERIFY2(largest <= screenBytes(view),
                 qPrintable(QStringLiteral("%1: %2 bytes requested, the screen holds %3")
                                .arg(QLatin1String(what))
                                .arg(largest)
                                .arg(screenBytes(view))));
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    // A layer published 2 pixels wide and then drawn 1000 x 76 (or 1 pixel
    // tall, then 300 x 240) within the same block: its view shows the grown
    // layer stretched from the part it was built for; only what the viewport
    // shows of that stretch is made.
    void grownLayerPaintsOnlyTheViewport_data()
    {
        QTest::addColumn<QSize>("built");
        QTest::addColumn<QSize>("grown");
        QTest::addColumn<bool>("indexed");
        QTest::newRow("wider") << QSize(2, 240) << QSize(1000, 76) << false;
        QTest::newRow("taller") << QSize(320, 1) << QSize(300, 240) << false;
        // Index 200 has no palette entry: transparent, the tiles show.
        QTest::newRow("indexed, no entry") << QSize(2, 240) << QSize(1000, 76) << true;
    }
    void grownLayerPaintsOnlyTheViewport()
    {
        QFETCH(QSize, built);
        QFETCH(QSize, grown);
        QFETCH(bool, indexed);
        sim::LayerSpec spec = indexed ? sim::LayerSpec::of(built.width(), built.height(), 4, 8)
                                      : sim::LayerSpec::of(built.width(), built.height());
        spec.blockSize = sim::layerBlockSize(sim::LayerSpec::of(320, 240));
        QVERIFY(fx.publish({spec, sim::LayerSpec::of(8, 8)}));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        ViewLayer *view = fx.view(0);

        sim::PublishedBlock *l0 = fx.pub->layer(0);
        l0->setXSize(grown.width());
        l0->setYSize(grown.height());
        l0->setVxSize(grown.width());
        l0->setVySize(grown.height());
        if (indexed)
            l0->fill8(200);
        else
            l0->fill32(0xFF00FF00);
        l0->bumpContent();
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(QTest::qWaitFor([&] { return paint->size() == grown; }, 5000));
        QVERIFY(fx.settle());
        paintWithinScreen(view, "zoom 1");
        // The layer still shows: green, or the grey of a tile.
        const QRgb shown = fixture::renderWidget(paint, QRect(0, 0, 4, 4)).pixel(1, 1);
        if (indexed)
            QVERIFY2(shown == 0xFF7F7F7Fu || shown == 0xFFC3C3C3u, qPrintable(QString::number(shown, 16)));
        else
            QCOMPARE(shown, 0xFF00FF00u);
        QTest::mouseClick(fixture::buttonWithTip(view, QStringLiteral("Zoom in")), Qt::LeftButton);
        paintWithinScreen(view, "zoom 2");
    }

    // A display of 35439 x 33238 claimed over a 40 x 30 layer, beside a
    // layer drawn 76800 x 1 within its block: zoomed to 1600 % with the
    // toolbar and the zoom keys, scrolled with the wheel, fitted with Alt+R
    // and from the context menu. No request goes beyond the screen's bytes,
    // the window stays within the screen and no scroll bar is longer than
    // the screen, so nothing is laid out or painted over the claimed extent.
    void claimedDisplayStaysWithinTheScreen()
    {
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(320, 240)}, QSize(35439, 33238)));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        sim::PublishedBlock *l1 = fx.pub->layer(1);
        l1->setXSize(76800);
        l1->setYSize(1);
        l1->setVxSize(76800);
        l1->setVySize(1);
        l1->bumpContent();
        QVERIFY(QTest::qWaitFor([&] { return fx.view(1)->GetPaintWidget()->width() == 76800; }, 5000));
        ViewComposite *composite = fx.window->CompositeView();
        PaintWidget *paint = composite->GetPaintWidget();

        allocationwatch::reset();
        for (ViewWidget *view : {static_cast<ViewWidget *>(fx.view(1)), static_cast<ViewWidget *>(composite)})
            for (int i = 0; i < 9; ++i)
                QTest::mouseClick(fixture::buttonWithTip(view, QStringLiteral("Zoom in")), Qt::LeftButton);
        QCOMPARE(paint->width(), 35439 * 16);
        QTest::keyClick(paint, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(paint, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(fx.window.get(), Qt::Key_R, Qt::AltModifier);
        QVERIFY(fx.settle());
        QVERIFY2(allocationwatch::largest() <= screenBytes(paint),
                 qPrintable(QStringLiteral("zoom: %1 bytes requested").arg(allocationwatch::largest())));
        for (int i = 0; i < 10; ++i) {
            turnWheel(composite->GetScrollArea()->viewport(), -3);
            turnWheel(composite->GetScrollArea()->viewport(), -3, Qt::ShiftModifier);
            turnWheel(fx.view(1)->GetScrollArea()->viewport(), -3, Qt::ShiftModifier);
            paintWithinScreen(composite, "wheel");
        }
        QVERIFY(composite->GetScrollArea()->verticalScrollBar()->value() > 0);
        const QPoint shown(composite->GetScrollArea()->horizontalScrollBar()->value(),
                           composite->GetScrollArea()->verticalScrollBar()->value());
        QVERIFY(fixture::chooseFromMenu(paint, shown + QPoint(8, 8), QStringLiteral("&Fit window size to layer")));
        QVERIFY(fx.settle());
        paintWithinScreen(composite, "after the fit");
        paintWithinScreen(fx.view(1), "layer after the fit");

        checkWithinScreen();
        const QSize screen = fx.window->screen()->size();
        for (QScrollBar *bar : fx.window->findChildren<QScrollBar *>()) {
            const int length = bar->orientation() == Qt::Horizontal ? bar->width() : bar->height();
            QVERIFY2(length <= qMax(screen.width(), screen.height()),
                     qPrintable(QStringLiteral("a scroll bar of %1 pixels").arg(length)));
        }
    }

    // Copying the whole composite: the display it claims is measured before
    // a pixel is read, so that a copy refused at this zoom, or one beyond
    // what an image may hold, reads nothing and says so; a sane display
    // copies as before.
    void copyOfClaimedDisplayIsCheckedBeforeReading_data()
    {
        QTest::addColumn<QSize>("display");
        QTest::addColumn<int>("zoomClicks");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QSize>("copied");
        QTest::newRow("6000 x 6000 at 200 %") << QSize(6000, 6000) << 1
                                              << QStringLiteral("Image too large to copy at this zoom.") << QSize();
        QTest::newRow("35439 x 33238 at 100 %") << QSize(35439, 33238) << 0
                                                << QStringLiteral("Image too large to copy at this zoom.") << QSize();
        QTest::newRow("64 x 48 at 200 %") << QSize(64, 48) << 1 << QStringLiteral("Copied Composite View to clipboard.")
                                          << QSize(128, 96);
    }
    void copyOfClaimedDisplayIsCheckedBeforeReading()
    {
        QFETCH(QSize, display);
        QFETCH(int, zoomClicks);
        QFETCH(QString, status);
        QFETCH(QSize, copied);
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30)}, display));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(1, WindowFixture::WithComposite));
        ViewComposite *composite = fx.window->CompositeView();
        for (int i = 0; i < zoomClicks; ++i)
            QTest::mouseClick(fixture::buttonWithTip(composite, QStringLiteral("Zoom in")), Qt::LeftButton);
        QApplication::clipboard()->clear();
        allocationwatch::reset();
        QVERIFY(fixture::chooseFromMenu(composite->GetPaintWidget(), QPoint(4, 4), QStringLiteral("&Copy to clipboard")));
        QCOMPARE(fx.window->StatusText(), status);
        QCOMPARE(QApplication::clipboard()->image().size(), copied.isValid() ? copied : QSize(0, 0));
        QVERIFY2(allocationwatch::largest() <= screenBytes(composite),
                 qPrintable(QStringLiteral("%1 bytes requested").arg(allocationwatch::largest())));
    }
};

QTEST_MAIN(TestWildDisplay)
#include "tst_wilddisplay.moc"
