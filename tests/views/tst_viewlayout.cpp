// The layer views address their pixels through the imaging layout
// functions, with the description and palette state they were built with.
#include "viewfixture.h"

#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QtTest>

#include <memory>

using namespace fixture;

namespace {

QString differences(const LayerLayout &a, const LayerLayout &b)
{
    QStringList out;
    // The view maps the block itself, at an address of its own.
    if (a.block.isNull() != b.block.isNull() || a.block.size() != b.block.size())
        out << QStringLiteral("block");
    if (a.indexed != b.indexed)
        out << QStringLiteral("indexed");
    if (a.bytesPerPixel != b.bytesPerPixel)
        out << QStringLiteral("bytesPerPixel");
    if (a.rowPixels != b.rowPixels)
        out << QStringLiteral("rowPixels");
    if (a.originX != b.originX || a.originY != b.originY)
        out << QStringLiteral("origin");
    if (a.negativeIsNone != b.negativeIsNone)
        out << QStringLiteral("negativeIsNone");
    if (a.format != b.format)
        out << QStringLiteral("format");
    if (a.bytesPerLine != b.bytesPerLine)
        out << QStringLiteral("bytesPerLine");
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestViewLayout : public QObject, ViewFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { reset(); }
    void cleanup() { clear(); }

    void viewsKeepTheAddressingTheyWereBuiltWith()
    {
        sim::LayerSpec s = spec(8, 4);
        s.vxSize = 16;
        s.vySize = 8;
        const sim::LayerSpec p = spec(10, 6, 16, 4);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        sim::PublishedBlock *bp = pub->createLayer(1, p);
        QVERIFY(b && bp);
        b->setXOrg(3);
        b->setYOrg(2);
        ViewLayer view(host, infoOf(0, s));
        ViewVirtLayer virt(host, &view);
        ViewLayer indexed(host, infoOf(1, p));

        // As long as the block says what it said at the build, the views'
        // layouts are the block's own.
        QCOMPARE(differences(view.Layout(), visibleLayerLayout(b->view())), QString());
        QCOMPARE(differences(virt.Layout(), virtualLayerLayout(b->view())), QString());
        QCOMPARE(differences(indexed.Layout(), visibleLayerLayout(bp->view())), QString());
        QCOMPARE(view.Layout().originX, 3);
        QCOMPARE(view.Layout().bytesPerLine, 32);
        QCOMPARE(virt.Layout().bytesPerLine, 64);
        QCOMPARE(indexed.Layout().format, QImage::Format_Indexed8);
        QCOMPARE(indexed.Layout().bytesPerLine, 10);

        // The simulation rewrites sizes, depth and palette size: the views
        // address as built and follow only the visible window's origin.
        b->setXSize(12);
        b->setVxSize(24);
        b->setXOrg(1);
        bp->setNumColors(0);
        bp->setBitsPerPixel(32);
        QCOMPARE(view.Layout().rowPixels, 8);
        QCOMPARE(view.Layout().originX, 1);
        QCOMPARE(view.Layout().bytesPerLine, 32);
        QCOMPARE(virt.Layout().rowPixels, 8);
        QCOMPARE(virt.Layout().bytesPerLine, 64);
        QVERIFY(indexed.Layout().indexed);
        QCOMPARE(indexed.Layout().bytesPerLine, 10);
        QCOMPARE(indexed.GetImageFormat(), int(QImage::Format_Indexed8));
    }
};

QTEST_MAIN(TestViewLayout)
#include "tst_viewlayout.moc"
