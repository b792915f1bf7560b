// The inspector's values computed from published blocks: each layer's row
// and the composite's blend, an indexed layer's "#index → colour", the
// display position of each kind of view, update rates and the watch history.
#include "inspector/pixelinspect.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"
#include "views/cwidget.h"

#include <QtTest>

namespace {

inspector::InspectLayer layerOf(sim::PublishedBlock *b, const QString &title, quint8 alphaMode)
{
    inspector::InspectLayer l;
    l.title = title;
    l.layout = visibleLayerLayout(b->view());
    l.palette = readPalette(b->view(), alphaMode);
    return l;
}

// Equal within one step per channel (a blend's rounding may differ by one).
bool nearColor(const QString &hex, quint32 expected)
{
    bool ok = false;
    const quint32 v = hex.toUInt(&ok, 16);
    if (!ok || hex.size() != 8)
        return false;
    for (int shift = 0; shift < 32; shift += 8)
        if (qAbs(int((v >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

const QString Arrow = QString(QChar(0x2192));

} // namespace

class TestPixelInspect : public QObject
{
    Q_OBJECT

    TestEnvironment env;

private Q_SLOTS:
    void halfTransparentLayerOverOpaqueOne_data()
    {
        QTest::addColumn<int>("alphaMode");
        QTest::newRow("alpha as ARGB") << 1;
        QTest::newRow("alpha-mode 0") << 0;
    }

    void halfTransparentLayerOverOpaqueOne()
    {
        QFETCH(int, alphaMode);
        const quint32 flip = alphaMode == 0 ? 0xFF000000u : 0u;
        sim::Publisher pub(env.runtimeDir() + QString::number(alphaMode));
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(quint8(alphaMode)));
        sim::PublishedBlock *b0 = pub.createLayer(0, sim::LayerSpec::of(8, 8));
        sim::LayerSpec top = sim::LayerSpec::of(4, 4);
        top.xPos = 2;
        top.yPos = 3;
        sim::PublishedBlock *b1 = pub.createLayer(1, top);
        QVERIFY(b0 && b1);
        b0->setCompositeSize(8, 8);
        b0->fill32(0xFF0000FFu ^ flip);
        b1->fill32(0x80FF0000u ^ flip);

        ImageRules rules;
        rules.alphaMode = quint8(alphaMode);
        rules.layerCount = 2;
        const QList<inspector::InspectLayer> layers{layerOf(b0, "Layer 0", quint8(alphaMode)),
                                                    layerOf(b1, "Layer 1", quint8(alphaMode))};
        const inspector::Inspection in = inspector::inspect(layers, rules, QPoint(3, 4));
        QCOMPARE(in.display, QPoint(3, 4));
        QCOMPARE(in.layers.size(), 2);
        QCOMPARE(in.layers[0].title, QStringLiteral("Layer 0"));
        QCOMPARE(in.layers[0].layerPixel, QPoint(3, 4));
        QVERIFY(in.layers[0].covers);
        // Stored as in memory; shown after the alpha convention.
        QCOMPARE(in.layers[0].stored, inspector::hexColor(0xFF0000FFu ^ flip));
        QCOMPARE(in.layers[0].shown, QStringLiteral("FF0000FF"));
        QCOMPARE(in.layers[1].layerPixel, QPoint(1, 1));
        QVERIFY(in.layers[1].covers);
        QCOMPARE(in.layers[1].stored, inspector::hexColor(0x80FF0000u ^ flip));
        QCOMPARE(in.layers[1].shown, QStringLiteral("80FF0000"));
        // Source-over: red 255 * 128/255 over blue 255 * 127/255.
        QVERIFY2(nearColor(in.composite, 0xFF80007Fu), qPrintable(in.composite));

        // Beside the top layer only the bottom one covers.
        const inspector::Inspection beside = inspector::inspect(layers, rules, QPoint(0, 0));
        QCOMPARE(beside.layers[1].layerPixel, QPoint(-2, -3));
        QVERIFY(!beside.layers[1].covers);
        QVERIFY(beside.layers[1].stored.isEmpty());
        QCOMPARE(beside.composite, QStringLiteral("FF0000FF"));
        // Outside the display there is no composite.
        QVERIFY(inspector::inspect(layers, rules, QPoint(8, 0)).composite.isEmpty());

        const QString text = inspector::tableText(in, {0, 12});
        QVERIFY(text.contains(QStringLiteral("Layer 1\t1, 1\tyes\t") + inspector::hexColor(0x80FF0000u ^ flip)
                              + QStringLiteral("\t80FF0000\t12\t\n")));
        QVERIFY(text.contains(QStringLiteral("Composite\t3, 4\tyes\t\t")));
    }

    void indexedLayerShowsIndexAndEntry()
    {
        sim::Publisher pub(env.runtimeDir() + QStringLiteral("i"));
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(1));
        sim::PublishedBlock *b = pub.createLayer(0, sim::LayerSpec::of(4, 4, 8, 8));
        QVERIFY(b);
        b->setPaletteEntry(7, 0xFF1A2B3Cu);
        b->setPixel8(1, 2, 7);
        b->setPixel8(2, 2, 9); // beyond the palette
        ImageRules rules;
        rules.alphaMode = 1;
        rules.layerCount = 1;
        const QList<inspector::InspectLayer> layers{layerOf(b, "Layer 0", 1)};
        const inspector::Inspection in = inspector::inspect(layers, rules, QPoint(1, 2));
        QCOMPARE(in.layers[0].stored, QStringLiteral("#7 ") + Arrow + QStringLiteral(" FF1A2B3C"));
        QCOMPARE(in.layers[0].shown, QStringLiteral("FF1A2B3C"));
        const inspector::Inspection beyond = inspector::inspect(layers, rules, QPoint(2, 2));
        QCOMPARE(beyond.layers[0].stored, QStringLiteral("#9 ") + Arrow + QStringLiteral(" none"));
        QCOMPARE(beyond.layers[0].shown, QStringLiteral("00000000"));
        // No display size published: no composite.
        QVERIFY(in.composite.isEmpty());
    }

    void comparingShowsTheReferenceBesideTheStoredValue()
    {
        sim::Publisher pub(env.runtimeDir() + QStringLiteral("r"));
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(0)); // alpha stored inverted
        sim::PublishedBlock *b = pub.createLayer(0, sim::LayerSpec::of(4, 4));
        QVERIFY(b);
        b->setPixel32(1, 1, 0x00112233u);
        ImageRules rules;
        rules.alphaMode = 0;
        rules.layerCount = 1;
        inspector::InspectLayer layer = layerOf(b, "Layer 0", 0);
        layer.comparing = true;
        // The snapshot's image holds ARGB with the inversion undone; the
        // table shows it as the block would hold it. The visible window
        // starts at (1, 0) of the reference here.
        QImage reference(5, 4, QImage::Format_ARGB32);
        reference.fill(0xFF000000u);
        reference.setPixel(2, 1, 0xFF445566u);
        layer.reference = reference;
        layer.referenceOffset = QPoint(1, 0);
        QCOMPARE(inspector::inspect({layer}, rules, QPoint(1, 1)).layers[0].stored,
                 QStringLiteral("00112233 (reference 00445566)"));
        layer.referenceOffset = QPoint(4, 0);
        QCOMPARE(inspector::inspect({layer}, rules, QPoint(1, 1)).layers[0].stored,
                 QStringLiteral("00112233 (reference none)"));
        layer.reference = QImage();
        QCOMPARE(inspector::inspect({layer}, rules, QPoint(1, 1)).layers[0].stored,
                 QStringLiteral("00112233 (not in reference)"));
    }

    void viewPixelsMapToTheDisplay()
    {
        sim::Publisher pub(env.runtimeDir() + QStringLiteral("v"));
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(1));
        sim::LayerSpec spec = sim::LayerSpec::of(10, 8);
        spec.vySize = 24;
        spec.xPos = 5;
        spec.yPos = -2;
        sim::PublishedBlock *b = pub.createLayer(0, spec);
        QVERIFY(b);
        b->setXOrg(0);
        b->setYOrg(8);
        QCOMPARE(inspector::displayPoint(ViewId::Layer, b->view(), QPoint(3, 2)), QPoint(8, 0));
        // Virtual-screen row 10 is row 2 of the window at origin 8.
        QCOMPARE(inspector::displayPoint(ViewId::VirtLayer, b->view(), QPoint(3, 10)), QPoint(8, 0));
        QCOMPARE(inspector::displayPoint(ViewId::VirtLayer, b->view(), QPoint(3, 0)), QPoint(8, -10));
        QCOMPARE(inspector::displayPoint(ViewId::Composite, b->view(), QPoint(3, 10)), QPoint(3, 10));
        // The stored value at a virtual view's pixel is the window's pixel.
        b->setPixel32(3, 10, 0xFF445566u); // rows of xSize pixels: the virtual screen's row 10
        const inspector::InspectLayer layer = layerOf(b, "Vis. Layer 0", 1);
        QCOMPARE(inspector::storedValue(layer, QPoint(3, 2)), QStringLiteral("FF445566"));
    }

    void updateRateCountsTheLastSecond()
    {
        inspector::UpdateRate rate;
        QCOMPARE(rate.perSecond(), 0);
        rate.sample(0, 0);
        rate.sample(500, 10);
        rate.sample(1000, 30);
        rate.sample(1600, 40);
        QCOMPARE(rate.perSecond(), 30); // since the sample at 500 ms
        rate.sample(3000, 40);
        rate.sample(3015, 40);
        QCOMPARE(rate.perSecond(), 0);
        // A wrapping counter still counts forward.
        inspector::UpdateRate wrap;
        wrap.sample(0, 0x7FFFFFFE);
        wrap.sample(15, qint32(0x80000003u));
        QCOMPARE(wrap.perSecond(), 5);
    }

    void historyKeepsNewestFirstAndIsBounded()
    {
        inspector::WatchHistory h;
        QVERIFY(!h.record(0, {"A"}, {1}));
        h.start(QPoint(1, 2), {QStringLiteral("A"), QStringLiteral("B")});
        QVERIFY(!h.record(5, {QStringLiteral("A"), QStringLiteral("B")}, {1, 1}));
        QVERIFY(h.record(10, {QStringLiteral("A"), QStringLiteral("C")}, {1, 2}));
        QVERIFY(h.record(20, {QStringLiteral("D"), QStringLiteral("C")}, {2, 2}));
        QCOMPARE(h.entries().size(), 2);
        QCOMPARE(h.entries()[0].ms, 20);
        QCOMPARE(h.entries()[0].changes.size(), 1);
        QCOMPARE(h.entries()[0].changes[0].layer, 0);
        QCOMPARE(h.entries()[0].changes[0].before, QStringLiteral("A"));
        QCOMPARE(h.entries()[0].changes[0].after, QStringLiteral("D"));
        QCOMPARE(h.entries()[1].changes[0].counter, 2);
        QCOMPARE(inspector::changeText(h.entries()[1], {QStringLiteral("Layer 0"), QStringLiteral("Layer 1")}),
                 QStringLiteral("Layer 1: B ") + Arrow + QStringLiteral(" C"));
        QCOMPARE(inspector::historyText(h.entries(), {QStringLiteral("L0"), QStringLiteral("L1")}),
                 QStringLiteral("ms\tLayer\tCounter\tOld\tNew\n20\tL0\t2\tA\tD\n10\tL1\t2\tB\tC\n"));

        for (int i = 0; i < 1100; ++i)
            h.record(100 + i, {QString::number(i), QStringLiteral("C")}, {i, 2});
        QCOMPARE(h.entries().size(), inspector::WatchHistory::MaxEntries);
        QCOMPARE(h.entries().first().ms, 100 + 1099);
        QCOMPARE(h.entries().last().ms, 100 + 100);
        h.clear();
        QVERIFY(h.entries().isEmpty());
        QVERIFY(h.active());
    }
};

QTEST_GUILESS_MAIN(TestPixelInspect)
#include "tst_pixelinspect.moc"
