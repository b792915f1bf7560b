// The composite view writes its rows straight into the device's image when
// the painter allows (a premultiplied or RGB32 image, whole-pixel offset, one
// clip rectangle) and otherwise through a band drawn by the painter. Both
// ways must give the same opaque pixels, and a region of several rectangles
// must leave the pixels between them untouched.
#include "referencepaint.h"
#include "testenv.h"
#include "viewfixture.h"
#include "app/mainwindow.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"

#include <QtTest>

#include <memory>

using namespace fixture;

class TestCompositePaint : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void directAndBandAgree()
    {
        MainWindow w;
        setMainWindow(&w);
        quiet(w);
        sim::Publisher pub;
        QVERIFY(pub.createGlobal(255));
        sim::LayerSpec s0 = spec(150, 100);
        sim::PublishedBlock *b0 = pub.createLayer(0, s0);
        QVERIFY(b0);
        b0->setCompositeSize(150, 100);
        b0->setBkColor(0x00402010);
        fillVaried32(b0, 150, 100, 8);
        sim::LayerSpec s1 = spec(60, 50);
        s1.xPos = 100;
        s1.yPos = -10;
        sim::PublishedBlock *b1 = pub.createLayer(1, s1);
        QVERIFY(b1);
        fillVaried32(b1, 60, 50, 9);
        QList<ViewLayer *> layers;
        std::unique_ptr<ViewLayer> v0(new ViewLayer(&w, infoOf(0, s0)));
        std::unique_ptr<ViewLayer> v1(new ViewLayer(&w, infoOf(1, s1)));
        layers << v0.get() << v1.get();
        std::unique_ptr<ViewComposite> c(new ViewComposite(&w, &layers));
        w.layerCount = 2;
        showWithViewport(c.get(), QSize(331, 257));
        QVERIFY(QTest::qWaitForWindowExposed(c.get()));
        PaintWidget *pw = c->GetPaintWidget();

        for (int zoom : {1, 3, 4}) {
            c->SetZoom(zoom);
            QCoreApplication::processEvents();
            for (int grid = 0; grid < 3; ++grid) {
                c->gridOn = grid != 0;
                c->gridMode = grid == 2 ? 1 : 0;
                c->gridColor = 0xFF336699;
                const QRect r = QRect(QPoint(5, 7), QSize(290, 230)) & pw->rect();
                const QImage direct = renderWidget(pw, r);
                // Non-premultiplied target: the band path, converted back
                // exactly since every pixel is opaque.
                const QImage band = renderWidget(pw, r, QImage::Format_ARGB32)
                                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
                const QImage reference = renderWith(pw, r, [&](QPainter &p) { referencePaintComposite(p, pw); });
                QVERIFY2(firstDifference(direct, reference).isEmpty(), qPrintable(firstDifference(direct, reference)));
                QVERIFY2(firstDifference(band, reference).isEmpty(), qPrintable(firstDifference(band, reference)));

                // Two rectangles with a gap between them: drawn through the
                // band, and the gap keeps the image's fill.
                QImage split(r.size(), QImage::Format_ARGB32_Premultiplied);
                split.fill(0xFF00FF00u);
                const QRect top(r.topLeft(), QSize(r.width(), 40));
                const QRect bottom(r.left(), r.top() + 60, r.width(), 50);
                pw->render(&split, QPoint(), QRegion(top) + QRegion(bottom));
                for (int y = 0; y < split.height(); ++y) {
                    const bool painted = top.translated(-r.topLeft()).contains(0, y)
                                         || bottom.translated(-r.topLeft()).contains(0, y);
                    for (int x = 0; x < split.width(); x += 7) {
                        const QRgb expected = painted ? reference.pixel(x, y) : 0xFF00FF00u;
                        if (split.pixel(x, y) != expected)
                            QFAIL(qPrintable(QStringLiteral("zoom %1 grid %2: split render differs at (%3, %4)")
                                                 .arg(zoom).arg(grid).arg(x).arg(y)));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(TestCompositePaint)
#include "tst_compositepaint.moc"
