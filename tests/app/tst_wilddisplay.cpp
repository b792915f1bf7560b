// What a view allocates and how large the window grows follow the viewport
// and the screen, never a size the simulation merely claims: a display of
// 35439 x 33238 over a small layer, and a layer that grows within its block
// to a shape far from the one its view was built for, are painted, zoomed,
// scrolled with the wheel and fitted with no heap request beyond what the
// screen holds.
#include "allocationwatch.h"
#include "paint/paintwidget.h"
#include "windowfixture.h"

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

// The wheel turned over the widget, as the platform delivers it (Shift
// turns it sideways).
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
        QTest::newRow("wider") << QSize(2, 240) << QSize(1000, 76);
        QTest::newRow("taller") << QSize(320, 1) << QSize(300, 240);
    }
    void grownLayerPaintsOnlyTheViewport()
    {
        QFETCH(QSize, built);
        QFETCH(QSize, grown);
        sim::LayerSpec spec = sim::LayerSpec::of(built.width(), built.height());
        spec.blockSize = sim::layerBlockSize(sim::LayerSpec::of(320, 240));
        QVERIFY(fx.publish({spec, sim::LayerSpec::of(8, 8)}));
        fx.pub->layer(0)->fill32(0xFF00FF00);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        ViewLayer *view = fx.view(0);

        sim::PublishedBlock *l0 = fx.pub->layer(0);
        l0->setXSize(grown.width());
        l0->setYSize(grown.height());
        l0->setVxSize(grown.width());
        l0->setVySize(grown.height());
        l0->fill32(0xFF00FF00);
        l0->bumpContent();
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(QTest::qWaitFor([&] { return paint->size() == grown; }, 5000));
        QVERIFY(fx.settle());
        paintWithinScreen(view, "zoom 1");
        // The layer still shows.
        QCOMPARE(fixture::renderWidget(paint, QRect(0, 0, 4, 4)).pixel(1, 1), 0xFF00FF00u);
        QTest::mouseClick(fixture::buttonWithTip(view, QStringLiteral("Zoom in")), Qt::LeftButton);
        paintWithinScreen(view, "zoom 2");
    }
};

QTEST_MAIN(TestWildDisplay)
#include "tst_wilddisplay.moc"
