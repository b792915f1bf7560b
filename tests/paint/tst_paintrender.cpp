// What the paint widgets draw, pixel by pixel: zoom blocks, the grid in
// both modes, the transparency backgrounds, the darkening outside a
// selection, and views whose block is missing or whose sizes are absurd.
#include "viewfixture.h"

#include "views/viewlayer.h"

#include <QtTest>

#include <memory>

using namespace fixture;

class TestPaintRender : public QObject, ViewFixture
{
    Q_OBJECT

private:
    std::unique_ptr<ViewLayer> view;

    // One true-colour layer of w x h filled by the function, its view shown
    // with a viewport of the given size.
    template<typename Fill>
    ViewLayer *makeView(int w, int h, Fill fill, QSize viewport = QSize(400, 300), unsigned layerCount = 1)
    {
        view.reset();
        reset();
        host->layerCount = layerCount;
        sim::LayerSpec s = spec(w, h);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        if (!b)
            return nullptr;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b->setPixel32(x, y, fill(x, y));
        view = layerView(0, s);
        showWithViewport(view.get(), viewport);
        return view.get();
    }

    QImage shown() { return renderWidget(view->GetPaintWidget(), shownRect(view.get())); }

private Q_SLOTS:
    void cleanup()
    {
        view.reset();
        clear();
    }

    void zoomMakesBlocks()
    {
        auto colour = [](int x, int y) { return 0xFF000000u | quint32(x * 40) << 16 | quint32(y * 50) << 8 | 7u; };
        QVERIFY(makeView(4, 3, colour));
        for (int zoom : {1, 3, 5, 16}) {
            view->SetZoom(zoom);
            const QImage img = shown();
            QCOMPARE(img.size(), QSize(4 * zoom, 3 * zoom));
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    QCOMPARE(img.pixel(x, y), QRgb(colour(x / zoom, y / zoom)));
        }
    }

    void gridEveryZoomPixelsFromZoomThree()
    {
        QVERIFY(makeView(6, 5, [](int, int) { return 0xFF102030u; }));
        view->gridOn = true;
        view->gridMode = 0;
        view->gridColor = 0x00FFFF00; // the alpha byte is ignored: lines are opaque
        view->SetZoom(2);
        QImage img = shown();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                QCOMPARE(img.pixel(x, y), 0xFF102030u);
        view->SetZoom(3);
        img = shown();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                QCOMPARE(img.pixel(x, y), (x % 3 == 0 || y % 3 == 0) ? 0xFFFFFF00u : 0xFF102030u);
    }

    void invertedGridCrossingsAreInvertedOnce()
    {
        for (quint32 area : {0xFFFFFFFFu, 0xFF000000u}) {
            QVERIFY(makeView(5, 4, [area](int, int) { return area; }));
            view->gridOn = true;
            view->gridMode = 1;
            view->SetZoom(4);
            const QImage img = shown();
            const quint32 line = area ^ 0x00FFFFFFu;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    QCOMPARE(img.pixel(x, y), QRgb((x % 4 == 0 || y % 4 == 0) ? line : area));
        }
    }

    void gridFollowsTheScrollOrigin()
    {
        // Scrolled by 7 at zoom 4 the origin is 4: lines on widget rows and
        // columns 4, 8, ... of the shown part.
        QVERIFY(makeView(200, 150, [](int, int) { return 0xFFFFFFFFu; }, QSize(203, 101)));
        view->gridOn = true;
        view->gridMode = 1;
        view->SetZoom(4);
        scrollTo(view.get(), 7, 9);
        QCOMPARE(view->GetScrollPos(), QSize(4, 8));
        const QRect r = shownRect(view.get());
        const QImage img = renderWidget(view->GetPaintWidget(), r);
        // The image covers widget columns 4 ... 203 (203 / 4 = 50 layer
        // pixels); the grid lines run on over the background beyond it.
        for (int y = 0; y < img.height(); y += 7)
            for (int x = 0; x < img.width(); ++x) {
                const int wx = r.x() + x, wy = r.y() + y;
                const bool line = wx % 4 == 0 || wy % 4 == 0;
                const QRgb expected = line ? (wx < 204 ? 0xFF000000u : 0xFFFFFFFFu) : (wx < 204 ? 0xFFFFFFFFu : 0xFF000000u);
                QCOMPARE(img.pixel(x, y), expected);
            }
    }

    void tilesAlternateAndStayAnchoredAtTheWidgetOrigin()
    {
        // Fully transparent pixels over two layer blocks show the tiles.
        QVERIFY(makeView(100, 80, [](int, int) { return 0x00FFFFFFu; }, QSize(63, 41), 2));
        host->transDrawMode = 0;
        view->SetZoom(2);
        scrollTo(view.get(), 7, 3);
        const QRect r = shownRect(view.get());
        for (int phase : {0, 1}) {
            host->transPhase = phase;
            const QImage img = renderWidget(view->GetPaintWidget(), r);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const int wx = r.x() + x, wy = r.y() + y;
                    const bool dark = (((wx / 5) + (wy / 5)) % 2 == 0) == (phase == 0);
                    QCOMPARE(img.pixel(x, y), dark ? 0xFF7F7F7Fu : 0xFFC3C3C3u);
                }
        }
    }

    void paintsRecordWhereTheBackgroundShows()
    {
        // Left half see-through, right half opaque, over two layers' tiles.
        QVERIFY(makeView(60, 40, [](int x, int) { return x < 30 ? 0x40FFFFFFu : 0xFF204060u; }, QSize(200, 150), 2));
        host->transDrawMode = 0;
        PaintWidget *pw = view->GetPaintWidget();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(view->Refresh()); // the first refresh repaints everything
        QCoreApplication::processEvents();
        const QRegion left(0, 0, 30, 40);
        pw->repaint();
        QCOMPARE(pw->BackgroundShown(), QRegion(pw->rect()));
        // A repaint of part of the widget replaces what is known of that
        // part only.
        pw->repaint(QRect(30, 0, 30, 40));
        QCOMPARE(pw->BackgroundShown(), left);
        pw->repaint(QRect(20, 10, 20, 5));
        QCOMPARE(pw->BackgroundShown(), left + QRegion(20, 10, 20, 5));
        pw->repaint(QRect(30, 0, 30, 40));
        QCOMPARE(pw->BackgroundShown(), left);
        // Zoomed, the same pixels cover three times the widget pixels.
        view->SetZoom(3);
        pw->repaint();
        pw->repaint(QRect(90, 0, 90, 120));
        QCOMPARE(pw->BackgroundShown(), QRegion(0, 0, 90, 120));
        view->SetZoom(1);
        pw->repaint();
        pw->repaint(QRect(30, 0, 30, 40));

        // A change of the background repaints those pixels and no others.
        struct Recorder : QObject
        {
            QRegion painted;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    painted += static_cast<QPaintEvent *>(e)->region();
                return false;
            }
        } recorder;
        pw->installEventFilter(&recorder);
        view->backgroundChanged = true;
        QVERIFY(!view->Refresh());
        QTRY_COMPARE(recorder.painted, left);
        QVERIFY(!view->backgroundChanged);

        // Opaque everywhere: nothing left to repaint.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 30; ++x)
                pub->layer(0)->setPixel32(x, y, 0xFF000000u);
        pw->repaint();
        QVERIFY(pw->BackgroundShown().isEmpty());
        recorder.painted = QRegion();
        view->backgroundChanged = true;
        view->RefreshBackground();
        pw->repaint(QRect(0, 0, 1, 1));
        QCOMPARE(recorder.painted, QRegion(0, 0, 1, 1));
        pw->removeEventFilter(&recorder);

        // Not checked pixel by pixel: a solid colour or still tiles, which a
        // change to alternating tiles must repaint; a single layer's black
        // never changes.
        pub->layer(0)->setPixel32(3, 3, 0x00000000u);
        for (int mode : {2, 1}) {
            host->transDrawMode = mode;
            pw->repaint(QRect(40, 0, 20, 40));
            QCOMPARE(pw->BackgroundShown(), QRegion(40, 0, 20, 40));
            pw->repaint(QRect(40, 0, 20, 40));
        }
        host->layerCount = 1;
        host->transDrawMode = 0;
        pw->repaint();
        QVERIFY(pw->BackgroundShown().isEmpty());
    }

    void singleLayerShowsBlackAndColouredModeIsOpaque()
    {
        QVERIFY(makeView(10, 10, [](int, int) { return 0x00123456u; }));
        // One layer in transparency mode 0 is forced opaque; with constant
        // alpha 0 the black background shows.
        QCOMPARE(shown().pixel(3, 3), 0xFF123456u);
        pub->layer(0)->setTransMode(2);
        pub->layer(0)->setLayerAlpha(0);
        QCOMPARE(shown().pixel(3, 3), 0xFF000000u);
        host->layerCount = 2;
        host->transDrawMode = 2;
        host->transDrawColor = 0x00FF0000;
        QCOMPARE(shown().pixel(3, 3), 0xFFFF0000u);
    }

    void darkensOutsideTheSelection()
    {
        QVERIFY(makeView(6, 6, [](int, int) { return 0xFFFFFFFFu; }));
        view->SetZoom(2);
        PaintWidget *pw = view->GetPaintWidget();
        pw->setSelectedRect(QRect(1, 1, 2, 3));
        host->highlightSelection = 1;
        QImage img = shown();
        // Black with alpha 100 over white: 255 * 155 / 255.
        const QRgb dark = img.pixel(0, 0);
        QVERIFY(qRed(dark) >= 154 && qRed(dark) <= 156);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                const bool inside = x / 2 >= 1 && x / 2 <= 2 && y / 2 >= 1 && y / 2 <= 3;
                QCOMPARE(img.pixel(x, y), inside ? 0xFFFFFFFFu : dark);
            }
        host->highlightSelection = 0;
        QCOMPARE(shown().pixel(0, 0), 0xFFFFFFFFu);
        host->highlightSelection = 1;
        pw->setSelectedRect(QRect());
        QCOMPARE(shown().pixel(0, 0), 0xFFFFFFFFu);
    }

    void viewportOffTheZoomShowsBackgroundInTheRest()
    {
        // 403 device pixels at zoom 4: a 400-pixel image, then 3 columns of
        // background.
        QVERIFY(makeView(200, 50, [](int, int) { return 0xFFFFFFFFu; }, QSize(403, 100)));
        view->SetZoom(4);
        QCOMPARE(view->GetVisibleSize().width(), 403);
        const QImage img = renderWidget(view->GetPaintWidget(), QRect(0, 0, 420, 50));
        for (int y = 0; y < 50; ++y) {
            QCOMPARE(img.pixel(399, y), 0xFFFFFFFFu);
            for (int x = 400; x < 420; ++x)
                QCOMPARE(img.pixel(x, y), 0xFF000000u);
        }
    }

    void missingBlockPaintsBackgroundAndGrid()
    {
        reset();
        host->layerCount = 1;
        // No block is published for layer 3: the view has no record.
        view = layerView(3, spec(40, 30));
        QVERIFY(view->GetRecord().isNull());
        showWithViewport(view.get(), QSize(200, 200));
        view->SetZoom(3);
        view->gridOn = true;
        const QImage img = renderWidget(view->GetPaintWidget(), view->GetPaintWidget()->rect());
        QCOMPARE(img.size(), QSize(120, 90));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                QCOMPARE(img.pixel(x, y), x % 3 == 0 || y % 3 == 0 ? (view->gridColor | 0xFF000000u) : 0xFF000000u);
        QCOMPARE(view->GetPaintWidget()->pixelColor(1, 1), 0u);
        QCOMPARE(view->GetPaintWidget()->pixelIndex(1, 1), 0);
        QVERIFY(view->GetPaintWidget()->contentImage().isNull());
        QVERIFY(view->GetPixelAddress(QPoint(1, 1), false) == nullptr);
        // The first refresh repaints and follows the (zero) size the missing
        // record reports; later ones find nothing changed.
        QVERIFY(view->Refresh());
        QCOMPARE(view->GetPaintWidget()->size(), QSize(0, 0));
        QVERIFY(!view->Refresh());
    }

    void absurdSizesNeitherOverflowNorRead()
    {
        reset();
        host->layerCount = 2;
        // The header claims a huge layer; the block holds 16 x 16 pixels.
        sim::LayerSpec small = spec(16, 16);
        sim::PublishedBlock *b = pub->createLayer(0, small);
        QVERIFY(b);
        b->fill32(0xFF00FF00);
        // 64 x 16: rows 0 to 3 fit in the block, whatever size the view takes.
        const QList<QPair<int, int>> sizes{{1 << 30, 5}, {-7, 100}, {0, 0}, {2000000000, 2000000000}, {40000, 3},
                                           {64, 16}};
        for (const auto &size : sizes) {
            sim::LayerSpec claimed = spec(size.first, size.second);
            b->setXSize(size.first);
            b->setYSize(size.second);
            view = layerView(0, claimed);
            showWithViewport(view.get(), QSize(300, 200));
            for (int zoom : {1, 16}) {
                view->SetZoom(zoom);
                const QSize s = view->GetPaintWidget()->size();
                QVERIFY(s.width() >= 0 && s.width() <= QWIDGETSIZE_MAX);
                QVERIFY(s.height() >= 0 && s.height() <= QWIDGETSIZE_MAX);
                QVERIFY(view->GetPaintWidget()->sizeHint().width() <= QWIDGETSIZE_MAX);
                const QRect shown = shownRect(view.get());
                QCOMPARE(shown.topLeft(), QPoint(0, 0));
                const QImage img = renderWidget(view->GetPaintWidget(), shown);
                // Pixels in the block show green; those beyond it come back
                // transparent, so the background shows. The image is drawn
                // in whole pixels of the viewport without the scroll bars.
                const QSize visible = view->GetVisibleSize();
                const int w = qMin(img.width(), visible.width() / zoom * zoom);
                const int h = qMin(img.height(), visible.height() / zoom * zoom);
                int inBlock = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const qint64 offset = 4 * (qint64(size.first) * (y / zoom) + x / zoom);
                        const bool present = offset + 4 <= 16 * 16 * 4;
                        inBlock += present;
                        if ((img.pixel(x, y) == 0xFF00FF00u) != present)
                            QFAIL(qPrintable(QStringLiteral("claimed %1 x %2, zoom %3, pixel (%4, %5)")
                                                 .arg(size.first).arg(size.second).arg(zoom).arg(x).arg(y)));
                    }
                if (size == qMakePair(64, 16))
                    QVERIFY(inBlock > 0);
                view->Refresh();
                QVERIFY(view->sizeHint().width() >= 0);
            }
        }
    }

    void largeWidgetsPaintOnlyTheExposedPart()
    {
        // 1920 x 1080 at zoom 16 is a 30720 x 17280 widget; a small exposed
        // rectangle deep inside is painted without touching the rest.
        QVERIFY(makeView(1920, 1080, [](int x, int y) { return 0xFF000000u | quint32(x & 0xFF) << 8 | quint32(y & 0xFF); },
                         QSize(300, 200), 2));
        view->SetZoom(16);
        view->gridOn = true;
        view->gridMode = 1;
        QCOMPARE(view->GetPaintWidget()->size(), QSize(30720, 17280));
        scrollTo(view.get(), 20000, 10000);
        const QRect shown = shownRect(view.get());
        const QImage whole = renderWidget(view->GetPaintWidget(), shown);
        // The part painted into a canvas of the shown size filled with a
        // marker: it equals the whole painting there and leaves the rest.
        const QRect part(shown.topLeft() + QPoint(33, 21), QSize(50, 40));
        const QRgb marker = 0xFF123456u;
        QImage canvas(shown.size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(marker);
        {
            QPainter painter(&canvas);
            view->GetPaintWidget()->render(&painter, part.topLeft() - shown.topLeft(), QRegion(part));
        }
        const QRect partInCanvas = part.translated(-shown.topLeft());
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const QRgb expected = partInCanvas.contains(x, y) ? whole.pixel(x, y) : marker;
                if (canvas.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
        // Widget (20001, 10001) lies in layer pixel (1250, 625), off the grid.
        QCOMPARE(whole.pixel(20001 - shown.x(), 10001 - shown.y()), 0xFF000000u | (1250u & 0xFF) << 8 | (625u & 0xFF));
    }
};

QTEST_MAIN(TestPaintRender)
#include "tst_paintrender.moc"
