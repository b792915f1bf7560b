// A layer view whose block is missing (it vanished before the view was
// built) draws its background and, like every paint widget, the grid from
// zoom 3 on: in the grid colour, or inverting the background.
#include "viewfixture.h"

#include "views/viewlayer.h"

#include <QtTest>

#include <memory>

using namespace fixture;

class TestMissingBlock : public QObject, ViewFixture
{
    Q_OBJECT

private:
    std::unique_ptr<ViewLayer> view;

    // A view of layer 3, of which no block is published.
    ViewLayer *makeView(unsigned layerCount)
    {
        view.reset();
        reset();
        host->layerCount = layerCount;
        host->transDrawMode = 2;
        host->transDrawColor = 0xFF203040u;
        view = layerView(3, spec(40, 30));
        showWithViewport(view.get(), QSize(200, 200));
        return view.get();
    }

private Q_SLOTS:
    void cleanup()
    {
        view.reset();
        clear();
    }

    void gridOverTheBackground_data()
    {
        QTest::addColumn<unsigned>("layers");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("mode");
        QTest::addColumn<quint32>("background");
        QTest::addColumn<quint32>("line");
        QTest::newRow("one layer, colour") << 1u << 3 << 0 << 0xFF000000u << 0xFFFF8000u;
        QTest::newRow("one layer, inverted") << 1u << 4 << 1 << 0xFF000000u << 0xFFFFFFFFu;
        QTest::newRow("solid background, colour") << 2u << 5 << 0 << 0xFF203040u << 0xFFFF8000u;
        QTest::newRow("solid background, inverted") << 2u << 3 << 1 << 0xFF203040u << 0xFFDFCFBFu;
        QTest::newRow("zoom 2 has no grid") << 1u << 2 << 0 << 0xFF000000u << 0xFF000000u;
    }

    void gridOverTheBackground()
    {
        QFETCH(unsigned, layers);
        QFETCH(int, zoom);
        QFETCH(int, mode);
        QFETCH(quint32, background);
        QFETCH(quint32, line);
        QVERIFY(makeView(layers));
        QVERIFY(view->GetRecord().isNull());
        view->SetZoom(zoom);
        view->gridOn = true;
        view->gridMode = mode;
        view->gridColor = 0xFFFF8000u;
        PaintWidget *paint = view->GetPaintWidget();
        QCOMPARE(paint->size(), QSize(40 * zoom, 30 * zoom));
        const QImage img = renderWidget(paint, paint->rect());
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const bool onGrid = x % zoom == 0 || y % zoom == 0;
                if (img.pixel(x, y) != (onGrid ? line : background))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(img.pixel(x, y), 8, 16)));
            }
        // An exposed part alone gives the same pixels as the whole.
        const QRect part(7, 5, 31, 23);
        QCOMPARE(renderWidget(paint, part), img.copy(part));
    }
};

QTEST_MAIN(TestMissingBlock)
#include "tst_missingblock.moc"
