// Snapshot round trip: a display is snapshotted, its scene.json read back
// and published again, and every layer image, palette and the composite
// read from the new blocks equal those read from the original ones.
#include "imaging/layerimage.h"
#include "sim/publisher.h"
#include "sim/scenefile.h"
#include "sim/scenepublish.h"
#include "simlink/connection.h"
#include "snapshot/snapshot.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstring>

namespace {

quint32 stored32(int n, int i)
{
    quint32 v = quint32(i) * 2654435761u + quint32(n) * 40503u;
    v ^= v >> 13;
    return v * 2246822519u;
}

// What the tool reads of every layer and of the display.
struct ToolView
{
    QList<QImage> visible;
    QList<QImage> virtualScreen;
    QList<QVector<QRgb>> palettes;
    QImage composite;
};

ToolView readAsTool(const QList<BlockView> &blocks, quint8 alphaMode)
{
    ToolView v;
    ImageRules rules;
    rules.alphaMode = alphaMode;
    rules.layerCount = unsigned(blocks.size());
    QList<CompositeLayer> layers;
    for (const BlockView &b : blocks) {
        const QVector<QRgb> palette = readPalette(b, alphaMode);
        const LayerLayout visible = visibleLayerLayout(b);
        v.visible.append(readLayerImage(visible, palette, rules, 0, 0, simlink::xSize(b) - 1, simlink::ySize(b) - 1));
        v.virtualScreen.append(readLayerImage(virtualLayerLayout(b), palette, rules, 0, 0, simlink::vxSize(b) - 1,
                                              simlink::vySize(b) - 1));
        v.palettes.append(palette);
        layers.append(CompositeLayer{visible, palette});
    }
    int w = 0, h = 0;
    simlink::compositeSize(blocks.first(), &w, &h);
    v.composite = readCompositeImage(layers, blocks.first(), rules, 0, 0, w - 1, h - 1);
    return v;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT

    TestEnvironment env;

    // True colour, indexed at 4 bpp with indices beyond its palette, a
    // virtual screen, a colour key with a top byte in its key colours,
    // constant alpha and a 16-bpp true-colour layer.
    static QList<BlockView> publishOriginal(sim::Publisher &pub, quint8 alphaMode)
    {
        QList<BlockView> blocks;
        if (!pub.ensureRuntimeDir() || !pub.createGlobal(alphaMode))
            return blocks;
        auto add = [&](int n, const sim::LayerSpec &spec) {
            sim::PublishedBlock *b = pub.createLayer(n, spec);
            if (!b)
                return b;
            const int w = spec.vxSize < 0 ? spec.xSize : spec.vxSize;
            const int h = spec.vySize < 0 ? spec.ySize : spec.vySize;
            for (int i = 0; i < w * h; ++i) {
                if (spec.numColors > 0) {
                    b->pixels()[i] = quint8((i * 7 + n) % 9);
                } else {
                    const quint32 v = stored32(n, i);
                    std::memcpy(b->pixels() + 4 * i, &v, 4);
                }
            }
            blocks.append(b->view());
            return b;
        };
        sim::PublishedBlock *b0 = add(0, sim::LayerSpec::of(40, 30));
        b0->setCompositeSize(48, 36);
        b0->setBkColor(0x10306090);

        sim::LayerSpec indexed = sim::LayerSpec::of(16, 12, 7, 4);
        indexed.xPos = 38;
        indexed.yPos = 30;
        sim::PublishedBlock *b1 = add(1, indexed);
        for (int i = 0; i < 7; ++i)
            b1->setPaletteEntry(i, (quint32(i * 36) << 24) | quint32(0x123456 * (i + 1)));

        sim::LayerSpec virt = sim::LayerSpec::of(10, 8);
        virt.vySize = 24;
        virt.xPos = 5;
        virt.yPos = 5;
        add(2, virt)->setYOrg(8);

        sim::LayerSpec keyed = sim::LayerSpec::of(12, 10);
        keyed.xPos = -4;
        keyed.yPos = 3;
        sim::PublishedBlock *b3 = add(3, keyed);
        b3->setTransMode(1);
        b3->setKeyColorMin(0xAB000000);
        b3->setKeyColorMax(0x00A0A0A0);

        sim::LayerSpec constant = sim::LayerSpec::of(8, 8);
        constant.xPos = 20;
        constant.yPos = 10;
        sim::PublishedBlock *b4 = add(4, constant);
        b4->setTransMode(2);
        b4->setLayerAlpha(0x80);

        sim::LayerSpec deep16 = sim::LayerSpec::of(6, 5, 0, 16);
        deep16.xPos = 30;
        add(5, deep16);
        return blocks;
    }

private Q_SLOTS:
    void republishedSnapshotReadsTheSame_data()
    {
        QTest::addColumn<int>("alphaMode");
        QTest::newRow("alpha as ARGB") << 1;
        QTest::newRow("alpha-mode 0") << 0;
    }

    void republishedSnapshotReadsTheSame()
    {
        QFETCH(int, alphaMode);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        env.useRuntimeDir(env.root() + QStringLiteral("/orig-") + tag);
        sim::Publisher original(env.runtimeDir());
        const QList<BlockView> before = publishOriginal(original, quint8(alphaMode));
        QCOMPARE(before.size(), 6);
        QVERIFY(original.holdPresence(simlink::DeviceWindowClass));
        const QString first = env.root() + QStringLiteral("/snap1-") + tag;
        QCOMPARE(snapshot::saveSnapshot(first).status, snapshot::Saved);

        // The snapshot read back and published in a runtime directory of its own.
        sim::Scene scene;
        QString error;
        QVERIFY2(sim::loadSceneFile(first + QStringLiteral("/scene.json"), &scene, &error), qPrintable(error));
        env.useRuntimeDir(env.root() + QStringLiteral("/again-") + tag);
        const QByteArray againClass = scene.windowClass.toLatin1();
        sim::OpenSimulation simulation(againClass.constData(), scene.alphaMode == 0);
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        QVERIFY2(sim::publishScene(simulation.get(), scene, &error), qPrintable(error));
        sim::Publisher again(env.runtimeDir());
        QList<BlockView> after;
        for (int n = 0; n < scene.layers.size(); ++n)
            after.append(again.layer(n)->view());
        QCOMPARE(after.size(), before.size());

        const ToolView a = readAsTool(before, quint8(alphaMode));
        const ToolView b = readAsTool(after, quint8(scene.alphaMode));
        for (int n = 0; n < before.size(); ++n) {
            QVERIFY(!a.visible[n].isNull());
            QCOMPARE(b.visible[n], a.visible[n]);
            QCOMPARE(b.virtualScreen[n], a.virtualScreen[n]);
            QCOMPARE(b.palettes[n], a.palettes[n]);
            QCOMPARE(simlink::bitsPerPixel(after[n]), simlink::bitsPerPixel(before[n]));
        }
        QVERIFY(!a.composite.isNull());
        QCOMPARE(b.composite, a.composite);

        // A second snapshot of the republished display is the first one,
        // scene file and pictures, byte for byte.
        const QString second = env.root() + QStringLiteral("/snap2-") + tag;
        QCOMPARE(snapshot::saveSnapshot(second).status, snapshot::Saved);
        const QStringList files = QDir(first).entryList(QDir::Files);
        QCOMPARE(QDir(second).entryList(QDir::Files), files);
        for (const QString &name : files)
            QVERIFY2(fileBytes(first + QLatin1Char('/') + name) == fileBytes(second + QLatin1Char('/') + name),
                     qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
