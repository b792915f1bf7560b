// Update flashes and the heat map in a running window: switched from the
// paint widget's context menu, drawn under the grid and the selection
// shading at zoom 1 and 3 with a clock the test turns, the rates in the
// information strip, the composite, and both kept over a restart.
#include "imaging/changemarks.h"
#include "referencepaint.h"
#include "views/changeoverlays.h"
#include "views/infowidgets.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QLabel>

namespace {

constexpr int Width = 24;
constexpr int Height = 16;

quint32 patternAt(int x, int y)
{
    return 0xFF000000u | (fixture::mix(quint32(y * Width + x)) & 0x00FFFFFFu);
}

// The colour the paint widget shows at widget point p (opaque pixels only).
QRgb shownAt(PaintWidget *paint, QPoint p)
{
    return fixture::renderWidget(paint, QRect(p, QSize(1, 1)), QImage::Format_ARGB32).pixel(0, 0);
}

// What the paint widget itself draws of r, without its children (the
// selection's outline).
QImage paintedOnly(PaintWidget *paint, const QRect &r)
{
    QImage image(r.size(), QImage::Format_ARGB32);
    image.fill(fixture::fillColorOf(paint));
    paint->render(&image, QPoint(), QRegion(r), QWidget::DrawWindowBackground);
    return image;
}

// What the selection shading makes of an opaque colour outside the
// selection.
QRgb shaded(QRgb color)
{
    QImage one(1, 1, QImage::Format_ARGB32);
    one.fill(color);
    CImage image(one, 5, 5, 5, 5);
    image.shadeOutside(0, 0, 0, 0);
    return image.pixel(0, 0);
}

QString ratesText(ViewWidget *view)
{
    QLabel *label = view->GetInfoWidget()->RatesLabel();
    return label->isHidden() ? QString() : label->text();
}

} // namespace

class TestChangeOverlays : public QObject
{
    Q_OBJECT

    WindowFixture fx;
    qint64 clock = 0;

    // One opaque true-colour layer with a pattern, announcing a display of
    // its own size, and the window showing it.
    bool publishScene()
    {
        if (!fx.publish({fixture::spec(Width, Height)}, QSize(Width, Height)))
            return false;
        sim::PublishedBlock *layer = fx.pub->layer(0);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                layer->setPixel32(x, y, patternAt(x, y));
        return true;
    }
    ViewLayer *openScene()
    {
        if (!publishScene() || !fx.openWindow() || !fx.waitForViews(1, WindowFixture::WithComposite))
            return nullptr;
        return fx.view(0);
    }

    void change(int x, int y, quint32 argb)
    {
        fx.pub->layer(0)->setPixel32(x, y, argb);
    }

    // Publishes the changes made since the last one and waits until the
    // view shows `expected` at layer pixel (x, y).
    bool publishAndWait(ViewWidget *view, int x, int y, QRgb expected)
    {
        fx.pub->layer(0)->bumpContent();
        PaintWidget *paint = view->GetPaintWidget();
        const int z = view->GetZoom();
        return QTest::qWaitFor([&] { return shownAt(paint, fixture::at(x, y, z)) == expected; }, 5000);
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        clock = 100000;
        ChangeOverlays::setClock([this] { return clock; });
    }
    void cleanup()
    {
        ChangeOverlays::setClock(ChangeOverlays::Clock());
        fx.clear();
    }

    void flashesFadeUnderGridAndShading_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("zoom 1") << 1;
        QTest::newRow("zoom 3") << 3;
    }
    void flashesFadeUnderGridAndShading()
    {
        QFETCH(int, zoom);
        ViewLayer *view = openScene();
        QVERIFY(view);
        view->SetZoom(zoom);
        view->ShowGrid(true);
        view->SetSelection(0, 0, 12, 16);
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(fx.settle());
        QVERIFY(!view->UpdatesShown());
        QVERIFY(fixture::chooseFromMenu(paint, fixture::at(1, 1, zoom), QStringLiteral("Show &updates")));
        QVERIFY(view->UpdatesShown());

        // Turning it on flashes nothing.
        QCOMPARE(shownAt(paint, fixture::at(5, 5, zoom)), patternAt(5, 5));

        // One pixel inside the selection, one outside; a neighbour keeps
        // its colour.
        change(5, 5, 0xFF204060u);
        change(20, 9, 0xFF806040u);
        const QRgb full = blendOver(0xFF204060u, UpdateFlash::Color, UpdateFlash::StartAlpha);
        QVERIFY(publishAndWait(view, 5, 5, full));
        QCOMPARE(shownAt(paint, fixture::at(20, 9, zoom)),
                 shaded(blendOver(0xFF806040u, UpdateFlash::Color, UpdateFlash::StartAlpha)));
        QCOMPARE(shownAt(paint, fixture::at(6, 5, zoom)), patternAt(6, 5));
        QCOMPARE(shownAt(paint, fixture::at(21, 9, zoom)), shaded(patternAt(21, 9)));
        if (zoom >= 3) {
            // The grid line through the changed pixel's block is drawn over
            // the flash.
            const PaintGrid grid = view->grid();
            if (grid.mode == 0)
                QCOMPARE(shownAt(paint, QPoint(5 * zoom, 5 * zoom + 1)), QRgb(grid.color | 0xFF000000u));
        }

        // The fade: half the alpha after half a second, gone after one.
        clock += 500;
        const QRgb half = blendOver(0xFF204060u, UpdateFlash::Color, UpdateFlash::StartAlpha / 2);
        QVERIFY(QTest::qWaitFor([&] { return shownAt(paint, fixture::at(5, 5, zoom)) == half; }, 5000));
        clock += 500;
        QVERIFY(QTest::qWaitFor([&] { return shownAt(paint, fixture::at(5, 5, zoom)) == 0xFF204060u; }, 5000));
        QCOMPARE(shownAt(paint, fixture::at(20, 9, zoom)), shaded(0xFF806040u));

        // Off again: what a view that never had it shows, pixel for pixel.
        QVERIFY(fixture::chooseFromMenu(paint, fixture::at(1, 1, zoom), QStringLiteral("Show &updates")));
        QVERIFY(!view->UpdatesShown());
        change(7, 7, 0xFF0000FFu);
        QVERIFY(publishAndWait(view, 7, 7, 0xFF0000FFu));
        const QRect all = paint->rect() & QRect(0, 0, Width * zoom, Height * zoom);
        const QImage shown = paintedOnly(paint, all);
        const QImage reference = fixture::renderWith(paint, all, [&](QPainter &p) { referencePaintLayer(p, paint); },
                                                     QImage::Format_ARGB32);
        QVERIFY2(shown == reference, qPrintable(fixture::firstDifference(shown, reference)));
    }

    void heatMapRampsAndRates_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("zoom 1") << 1;
        QTest::newRow("zoom 3") << 3;
    }
    void heatMapRampsAndRates()
    {
        QFETCH(int, zoom);
        ViewLayer *view = openScene();
        QVERIFY(view);
        view->SetZoom(zoom);
        view->ShowGrid(true);
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(fx.settle());
        QVERIFY(fixture::chooseFromMenu(paint, fixture::at(1, 1, zoom), QStringLiteral("&Heat map")));
        QVERIFY(view->HeatMapShown());
        QCOMPARE(ratesText(view), QStringLiteral("0.0 updates/s, 0.0 KiB/s rewritten"));
        const QRgb never = qRgb(qRed(patternAt(2, 2)) / 3, qGreen(patternAt(2, 2)) / 3, qBlue(patternAt(2, 2)) / 3);
        QCOMPARE(shownAt(paint, fixture::at(2, 2, zoom)), never);

        // Four changes a second apart: pixel (3, 4) in each, the whole of
        // row 10 in the last one only.
        for (int n = 1; n <= 4; ++n) {
            clock += 1000;
            change(3, 4, 0xFF000000u + quint32(n));
            if (n == 4)
                for (int x = 0; x < Width; ++x)
                    change(x, 10, 0xFFFFFFFFu);
            fx.pub->layer(0)->bumpContent();
            QVERIFY(QTest::qWaitFor([&] { return view->ChangesAt(QPoint(3, 4)) == n; }, 5000));
            // n changes over n seconds; 4 bytes each, and 24 pixels more in
            // the last.
            const QString expected = QStringLiteral("1.0 updates/s, %1 KiB/s rewritten")
                                         .arg((n * 4 + (n == 4 ? Width * 4 : 0)) / double(n) / 1024.0, 0, 'f', 1);
            QCOMPARE(ratesText(view), expected);
        }
        QVERIFY(QTest::qWaitFor([&] { return shownAt(paint, fixture::at(3, 4, zoom)) == HeatCounts::rampColor(255); },
                                5000));
        QCOMPARE(shownAt(paint, fixture::at(7, 10, zoom)), HeatCounts::rampColor(64));
        QCOMPARE(shownAt(paint, fixture::at(2, 2, zoom)), never);
        QCOMPARE(view->ChangesAt(QPoint(3, 4)), 4);
        QCOMPARE(view->ChangesAt(QPoint(7, 10)), 1);

        // Ten seconds after the first bucket began, only the second counts:
        // nothing changed in it, so every pixel shows dimmed again.
        clock += 6000;
        QVERIFY(QTest::qWaitFor([&] { return shownAt(paint, fixture::at(3, 4, zoom)) == qRgb(0, 0, 1); }, 5000));
        QCOMPARE(view->ChangesAt(QPoint(3, 4)), 0);
    }

    void virtualScreenCountsItsOwnRows()
    {
        // A virtual screen twice the visible height: its view follows the
        // layer's changes, also in the rows the visible window does not show.
        sim::LayerSpec spec = fixture::spec(Width, Height);
        spec.vySize = 2 * Height;
        QVERIFY(fx.publish({spec}, QSize(Width, Height)));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(1, WindowFixture::WithComposite));
        QVERIFY(!fx.window->VirtViews().isEmpty());
        ViewVirtLayer *virt = fx.window->VirtViews().first();
        virt->ShowHeatMap(true);
        QCOMPARE(virt->ChangesAt(QPoint(5, 25)), 0);

        clock += 1000;
        quint32 *pixels = reinterpret_cast<quint32 *>(fx.pub->layer(0)->pixels());
        pixels[25 * Width + 5] = 0xFF445566u;
        fx.pub->layer(0)->bumpContent();
        QVERIFY(QTest::qWaitFor([&] { return virt->ChangesAt(QPoint(5, 25)) == 1; }, 5000));
        QCOMPARE(virt->ChangesAt(QPoint(6, 25)), 0);
    }

    void compositeAndStatesOverARestart()
    {
        ViewLayer *view = openScene();
        QVERIFY(view);
        ViewComposite *composite = fx.window->CompositeView();
        QVERIFY(fixture::chooseFromMenu(composite->GetPaintWidget(), QPoint(2, 2), QStringLiteral("&Heat map")));
        QVERIFY(fixture::chooseFromMenu(view->GetPaintWidget(), QPoint(2, 2), QStringLiteral("Show &updates")));

        // The composite counts display pixels: one changed, one not.
        clock += 1000;
        change(8, 8, 0xFF123456u);
        fx.pub->layer(0)->bumpContent();
        PaintWidget *paint = composite->GetPaintWidget();
        const int z = composite->GetZoom();
        QVERIFY(QTest::qWaitFor([&] { return shownAt(paint, fixture::at(8, 8, z)) == HeatCounts::rampColor(255); },
                                5000));
        QCOMPARE(shownAt(paint, fixture::at(9, 8, z)),
                 qRgb(qRed(patternAt(9, 8)) / 3, qGreen(patternAt(9, 8)) / 3, qBlue(patternAt(9, 8)) / 3));
        QCOMPARE(composite->ChangesAt(QPoint(8, 8)), 1);

        // A restart with the same layers keeps both switches.
        QVERIFY(fx.endSimulation());
        QVERIFY(publishScene());
        QVERIFY(fx.waitForViews(1, WindowFixture::WithComposite));
        QVERIFY(fx.view(0)->UpdatesShown());
        QVERIFY(!fx.view(0)->HeatMapShown());
        QVERIFY(fx.window->CompositeView()->HeatMapShown());
        QVERIFY(!fx.window->CompositeView()->UpdatesShown());
        bool checked = false;
        QVERIFY(fixture::rightClick(fx.view(0)->GetPaintWidget(), QPoint(2, 2), [&](QMenu *menu) {
            QAction *a = fixture::menuItem(menu, QStringLiteral("Show &updates"));
            checked = a && a->isChecked();
        }));
        QVERIFY(checked);
    }
};

QTEST_MAIN(TestChangeOverlays)
#include "tst_changeoverlays.moc"
