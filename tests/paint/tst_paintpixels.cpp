// The paint widgets draw only the exposed rectangle and magnify while they
// draw; their pixels must equal those of the reference painting (whole-image
// scaling, background and grid over the whole widget) in every combination
// of zoom, scroll offset, view kind, grid mode and background.
#include "referencepaint.h"
#include "viewfixture.h"

#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QtTest>

#include <memory>

using namespace fixture;

namespace {

struct Background
{
    const char *name;
    unsigned layerCount;
    int transDrawMode;
    int transPhase;
    quint32 transDrawColor;
};

const Background Backgrounds[] = {
    {"none", 0, 0, 0, 0},
    {"black", 1, 0, 0, 0},
    {"tiles0", 2, 0, 0, 0},
    {"tiles1", 3, 1, 1, 0},
    {"colour", 2, 2, 0, 0x00FF0000},
};

// Scroll offsets for a zoom: at the origin, on whole image pixels, and off
// them (not multiples of the zoom).
QList<QPoint> scrollsFor(int z)
{
    return {QPoint(0, 0), QPoint(3 * z, 2 * z), QPoint(3 * z + z / 2 + 1, 2 * z + z - 1)};
}

void apply(ViewHost &w, const Background &b)
{
    w.layerCount = b.layerCount;
    w.transDrawMode = b.transDrawMode;
    w.transPhase = b.transPhase;
    w.transDrawColor = b.transDrawColor;
}

} // namespace

class TestPaintPixels : public QObject, ViewFixture
{
    Q_OBJECT

private:

    // Renders the view in every zoom, grid mode and scroll offset and compares
    // with the reference painting; returns the number of comparisons.
    int compareAll(ViewHost &w, ViewWidget *view, bool composite, const char *what, int zoomLevels = 10)
    {
        PaintWidget *pw = view->GetPaintWidget();
        int compared = 0;
        for (int zi = 0; zi < zoomLevels; ++zi) {
            view->SetZoom(ViewWidget::ZoomFactor(zi));
            QCoreApplication::processEvents();
            const int z = view->GetZoom();
            for (const QPoint &scroll : scrollsFor(z)) {
                scrollTo(view, scroll.x(), scroll.y());
                for (int grid = 0; grid < 3; ++grid) {
                    view->gridOn = grid != 0;
                    view->gridMode = grid == 2 ? 1 : 0;
                    view->gridColor = 0x80336699;
                    const QRect shown = shownRect(view);
                    // The shown part, a rectangle that starts off the zoom
                    // blocks, and the whole widget when it is small.
                    QList<QRect> rects{shown, QRect(shown.topLeft() + QPoint(1, 2), QSize(37, 23)) & pw->rect()};
                    if (pw->width() * pw->height() <= 500 * 500)
                        rects << pw->rect();
                    for (const QRect &r : rects) {
                        for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32}) {
                            const QImage fast = renderWidget(pw, r, format);
                            const QImage reference = renderWith(
                                pw, r,
                                [&](QPainter &p) {
                                    if (composite)
                                        referencePaintComposite(p, pw);
                                    else
                                        referencePaintLayer(p, pw);
                                },
                                format);
                            const QString diff = firstDifference(fast, reference);
                            if (!diff.isEmpty())
                                qWarning("%s: zoom %d scroll (%d, %d) grid %d rect (%d, %d %dx%d) format %d layers %u "
                                         "mode %d: %s",
                                         what, z, scroll.x(), scroll.y(), grid, r.x(), r.y(), r.width(), r.height(),
                                         int(format), w.layerCount, w.transDrawMode, qPrintable(diff));
                            if (!diff.isEmpty())
                                return -1;
                            ++compared;
                        }
                    }
                }
            }
        }
        return compared;
    }

private Q_SLOTS:
    void init() { reset(); }
    void cleanup() { clear(); }

    void trueColourIndexedAndVirtualLayers()
    {
        FakeViewHost &w = *host;
        w.highlightSelection = 1;
        sim::Publisher &pub = *this->pub;
        QVERIFY(pub.createGlobal(255));

        sim::LayerSpec trueColour = spec(120, 90);
        sim::PublishedBlock *b0 = pub.createLayer(0, trueColour);
        QVERIFY(b0);
        fillVaried32(b0, 120, 90, 1);

        sim::LayerSpec indexed = spec(101, 77, 200, 8);
        sim::PublishedBlock *b1 = pub.createLayer(1, indexed);
        QVERIFY(b1);
        fillIndexed(b1, 101, 77, 200, 2);

        // A visible window of 60 x 50 inside a 120 x 100 virtual screen, at (0, 50).
        sim::LayerSpec window = spec(120, 50);
        window.vySize = 100;
        sim::PublishedBlock *b2 = pub.createLayer(2, window);
        QVERIFY(b2);
        fillVaried32(b2, 120, 100, 3);
        b2->setYOrg(50);

        std::unique_ptr<ViewLayer> v0(new ViewLayer(&w, infoOf(0, trueColour)));
        std::unique_ptr<ViewLayer> v1(new ViewLayer(&w, infoOf(1, indexed)));
        std::unique_ptr<ViewLayer> v2(new ViewLayer(&w, infoOf(2, window)));
        std::unique_ptr<ViewVirtLayer> v2v(new ViewVirtLayer(&w, v2.get()));
        QVERIFY(v1->IsIndexed());
        QVERIFY(v2->IsVisibleArea());

        const struct
        {
            ViewWidget *view;
            const char *name;
        } views[] = {{v0.get(), "true colour"}, {v1.get(), "indexed"}, {v2.get(), "visible window"},
                     {v2v.get(), "virtual screen"}};
        for (const auto &entry : views) {
            // 403 wide: not a multiple of any zoom above 1.
            showWithViewport(entry.view, QSize(403, 301));
            QVERIFY(QTest::qWaitForWindowExposed(entry.view));
            for (const Background &b : Backgrounds) {
                apply(w, b);
                const int n = compareAll(w, entry.view, false, entry.name);
                QVERIFY2(n > 0, qPrintable(QStringLiteral("%1 over %2").arg(entry.name, b.name)));
            }
            // Both ways of drawing an unmagnified image give the same pixels.
            for (UnmagnifiedPath path : {UnmagnifiedPath::RasterEngine, UnmagnifiedPath::Compositor}) {
                setUnmagnifiedPath(path);
                for (const Background &b : Backgrounds) {
                    apply(w, b);
                    QVERIFY(compareAll(w, entry.view, false, entry.name, 1) > 0);
                }
            }
            setUnmagnifiedPath(UnmagnifiedPath::Automatic);
            // Darkened outside a selection, also for the indexed layer
            // (converted to 32 bits first).
            apply(w, Backgrounds[2]);
            entry.view->GetPaintWidget()->setSelectedRect(QRect(5, 4, 30, 20));
            QVERIFY(compareAll(w, entry.view, false, entry.name) > 0);
            entry.view->GetPaintWidget()->setSelectedRect(QRect());
            entry.view->hide();
        }
    }

    void viewWithoutABlockShowsBackgroundAndGrid()
    {
        // Layer 3 is listed but has no block: the view paints the background
        // and, from zoom 3 with the grid on, the grid over it.
        FakeViewHost &w = *host;
        sim::Publisher &pub = *this->pub;
        QVERIFY(pub.createGlobal(255));
        const sim::LayerSpec missing = spec(40, 30);
        std::unique_ptr<ViewLayer> v(new ViewLayer(&w, infoOf(3, missing)));
        QVERIFY(v->GetRecord().isNull());
        showWithViewport(v.get(), QSize(203, 151));
        QVERIFY(QTest::qWaitForWindowExposed(v.get()));
        for (const Background &b : Backgrounds) {
            apply(w, b);
            QVERIFY2(compareAll(w, v.get(), false, "no block", 4) > 0, b.name);
        }
    }

    void composite()
    {
        FakeViewHost &w = *host;
        w.highlightSelection = 1;
        sim::Publisher &pub = *this->pub;
        QVERIFY(pub.createGlobal(255));
        sim::LayerSpec s0 = spec(130, 90);
        sim::PublishedBlock *b0 = pub.createLayer(0, s0);
        QVERIFY(b0);
        b0->setCompositeSize(130, 90);
        b0->setBkColor(0x00204060);
        fillVaried32(b0, 130, 90, 4);
        sim::LayerSpec s1 = spec(60, 40, 16, 4);
        s1.xPos = 20;
        s1.yPos = 10;
        sim::PublishedBlock *b1 = pub.createLayer(1, s1);
        QVERIFY(b1);
        fillIndexed(b1, 60, 40, 16, 5);
        sim::LayerSpec s2 = spec(70, 60);
        s2.xPos = -10;
        s2.yPos = 50;
        sim::PublishedBlock *b2 = pub.createLayer(2, s2);
        QVERIFY(b2);
        fillVaried32(b2, 70, 60, 6);

        QList<ViewLayer *> layers;
        std::unique_ptr<ViewLayer> v0(new ViewLayer(&w, infoOf(0, s0)));
        std::unique_ptr<ViewLayer> v1(new ViewLayer(&w, infoOf(1, s1)));
        std::unique_ptr<ViewLayer> v2(new ViewLayer(&w, infoOf(2, s2)));
        layers << v0.get() << v1.get() << v2.get();
        std::unique_ptr<ViewComposite> c(new ViewComposite(&w, &layers));
        QCOMPARE(c->imageWidth, 130);
        QCOMPARE(c->imageHeight, 90);
        w.layerCount = 3;
        showWithViewport(c.get(), QSize(403, 301));
        QVERIFY(QTest::qWaitForWindowExposed(c.get()));
        QVERIFY(compareAll(w, c.get(), true, "composite") > 0);
        c->GetPaintWidget()->setSelectedRect(QRect(7, 3, 50, 40));
        QVERIFY(compareAll(w, c.get(), true, "composite with selection") > 0);
    }
};

QTEST_MAIN(TestPaintPixels)
#include "tst_paintpixels.moc"
