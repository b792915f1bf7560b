// Comparing the live display with a reference snapshot in the window: the
// File entries, the marks over differing pixels at any zoom with the grid
// still drawn, the counts in the information strips, "not in reference",
// the reference kept over a restart, and stopping.
#include "app/comparemode.h"
#include "app/snapshotaction.h"
#include "imaging/referencediff.h"
#include "snapshot/snapshot.h"
#include "views/infowidgets.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QLabel>

namespace {

QString stripText(ViewWidget *view)
{
    QLabel *label = view->GetInfoWidget()->CompareLabel();
    return label->isHidden() ? QString() : label->text();
}

// The colour the paint widget shows at widget point p (opaque pixels only).
QRgb shownAt(PaintWidget *paint, QPoint p)
{
    return fixture::renderWidget(paint, QRect(p, QSize(1, 1)), QImage::Format_ARGB32).pixel(0, 0);
}

} // namespace

class TestLiveCompare : public QObject
{
    Q_OBJECT

    WindowFixture fx;
    QString referenceDir;
    int runs = 0;

    bool startComparing()
    {
        SetFolderChooser([this](QWidget *) { return referenceDir; });
        QAction *entry = fx.action(QStringLiteral("&File"), QStringLiteral("Compare with snapshot..."));
        if (!entry)
            return false;
        entry->trigger();
        return fx.window->Comparison()->Active();
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        referenceDir = fx.env.root() + QStringLiteral("/reference%1").arg(++runs);
    }
    void cleanup()
    {
        SetFolderChooser(FolderChooser());
        fx.clear();
    }

    void marksFollowTheLiveDisplay()
    {
        QVERIFY(fx.publishTwoLayerScene(true, 30));
        QCOMPARE(snapshot::saveSnapshot(referenceDir).status, snapshot::Saved);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        ViewLayer *layer0 = fx.view(0);
        ViewComposite *composite = fx.window->CompositeView();
        QCOMPARE(stripText(layer0), QString());
        QAction *stop = fx.action(QStringLiteral("&File"), QStringLiteral("Stop comparing"));
        QVERIFY(stop && !stop->isEnabled());

        QVERIFY(startComparing());
        QVERIFY(stop->isEnabled());
        QCOMPARE(stripText(layer0), QStringLiteral("identical"));
        QCOMPARE(stripText(fx.view(1)), QStringLiteral("identical"));
        // The virtual view shows an indexed layer's words as true colour: a
        // snapshot, which keeps the indices, holds nothing to compare it with.
        QCOMPARE(stripText(fx.window->VirtViews().first()), QStringLiteral("not in reference"));
        QCOMPARE(stripText(composite), QStringLiteral("identical"));

        // One pixel of layer 0 beside layer 1 changes: its view and the
        // composite mark it.
        fx.pub->layer(0)->setPixel32(25, 14, 0xFFFFFFFF);
        fx.pub->layer(0)->bumpContent();
        QTRY_COMPARE(stripText(layer0), QStringLiteral("1 pixels differ"));
        QTRY_COMPARE(stripText(composite), QStringLiteral("1 pixels differ"));
        QCOMPARE(stripText(fx.view(1)), QStringLiteral("identical"));
        PaintWidget *paint = layer0->GetPaintWidget();
        QCOMPARE(shownAt(paint, fixture::at(25, 14, 1)), DiffHighlight);
        QCOMPARE(shownAt(paint, fixture::at(26, 14, 1)), 0xFF0000FFu);
        QCOMPARE(shownAt(composite->GetPaintWidget(), fixture::at(25, 14, 1)), DiffHighlight);

        // At zoom 4 with the grid the mark fills the pixel's block and the
        // grid is still drawn over it.
        layer0->SetZoom(4);
        layer0->ShowGrid(true);
        QVERIFY(fx.settle());
        QCOMPARE(shownAt(paint, fixture::at(25, 14, 4)), DiffHighlight);
        QVERIFY(shownAt(paint, QPoint(25 * 4, 14 * 4)) != DiffHighlight); // the block's grid corner

        // Restored: the marks go at once.
        fx.pub->layer(0)->setPixel32(25, 14, 0xFF0000FF);
        fx.pub->layer(0)->bumpContent();
        QTRY_COMPARE(stripText(layer0), QStringLiteral("identical"));
        QCOMPARE(shownAt(paint, fixture::at(25, 14, 4)), 0xFF0000FFu);

        // Stopping clears the strips and the marks.
        fx.pub->layer(0)->setPixel32(25, 14, 0xFFFFFFFF);
        fx.pub->layer(0)->bumpContent();
        QTRY_COMPARE(stripText(layer0), QStringLiteral("1 pixels differ"));
        stop->trigger();
        QVERIFY(!stop->isEnabled());
        QCOMPARE(stripText(layer0), QString());
        QCOMPARE(stripText(composite), QString());
        QCOMPARE(shownAt(paint, fixture::at(25, 14, 4)), 0xFFFFFFFFu);
    }

    void referenceOutlivesARestartAndShapesMustMatch()
    {
        QVERIFY(fx.publishTwoLayerScene(true));
        QCOMPARE(snapshot::saveSnapshot(referenceDir).status, snapshot::Saved);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        QVERIFY(startComparing());

        // The same simulation again, with one pixel changed: still compared.
        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publishTwoLayerScene(true));
        fx.pub->layer(1)->setPixel8(3, 2, 9);
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        QCOMPARE(stripText(fx.view(0)), QStringLiteral("identical"));
        QCOMPARE(stripText(fx.view(1)), QStringLiteral("1 pixels differ"));

        // A layer the reference lacks, and one of another size: no marks.
        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publishTwoLayerScene(true, 0, 1));
        fx.pub->layer(0)->setXSize(30);
        fx.pub->layer(0)->setVxSize(30);
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        QCOMPARE(stripText(fx.view(0)), QStringLiteral("not in reference"));
        QCOMPARE(stripText(fx.view(1)), QStringLiteral("identical"));
        QCOMPARE(stripText(fx.view(2)), QStringLiteral("not in reference"));
        QVERIFY(fx.view(0)->differences() == nullptr);
    }

    void unreadableReferenceIsReported()
    {
        QVERIFY(fx.publishTwoLayerScene(true));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        QVERIFY(!startComparing());
        QVERIFY(fx.window->StatusText().startsWith(QStringLiteral("Cannot read the reference")));
        QCOMPARE(stripText(fx.view(0)), QString());
    }
};

QTEST_MAIN(TestLiveCompare)
#include "tst_livecompare.moc"
