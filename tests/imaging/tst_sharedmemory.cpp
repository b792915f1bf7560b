// Every kind of read, and every rewrite of what it returns, leaves the
// simulation's shared memory exactly as it was.
#include "imaging/layerimage.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QPainter>
#include <QSharedMemory>
#include <QtTest>

#include <vector>

class TestSharedMemory : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void readsNeverWriteIntoTheSimulation()
    {
        sim::Publisher pub;
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(0));
        sim::LayerSpec spec0;
        spec0.xSize = 64;
        spec0.ySize = 48;
        spec0.vySize = 96;
        sim::LayerSpec spec1;
        spec1.xSize = 32;
        spec1.ySize = 32;
        spec1.numColors = 16;
        spec1.bitsPerPixel = 4;
        spec1.xPos = 8;
        spec1.yPos = -4;
        sim::LayerSpec spec2 = spec0;
        spec2.vySize = -1;
        spec2.xPos = -10;
        sim::PublishedBlock *b0 = pub.createLayer(0, spec0);
        sim::PublishedBlock *b1 = pub.createLayer(1, spec1);
        sim::PublishedBlock *b2 = pub.createLayer(2, spec2);
        QVERIFY(b0 && b1 && b2);
        b0->setCompositeSize(80, 60);
        b0->setYOrg(20);
        b0->setBkColor(0x00123456);
        quint32 seed = 1;
        for (sim::PublishedBlock *b : {b0, b1, b2})
            for (qint64 o = 4096; o < b->size(); ++o) {
                seed = seed * 1103515245u + 12345u;
                b->data()[o] = uchar(seed >> 16);
            }
        for (int i = 0; i < 16; ++i)
            b1->setPaletteEntry(i, 0x10000000u * quint32(i) | quint32(i * 0x0F0F0F));
        b0->setTransMode(2);
        b0->setLayerAlpha(0x70);
        b1->setTransMode(1);
        b1->setKeyColorMin(0x000000);
        b1->setKeyColorMax(0x808080);
        b2->setTransMode(0);

        // The tool's own mappings of the three blocks.
        QSharedMemory *handles[3] = {};
        BlockView views[3];
        for (int n = 0; n < 3; ++n) {
            views[n] = simlink::attachLayer(handles[n], n);
            QVERIFY(!views[n].isNull());
        }
        std::vector<QByteArray> before;
        for (sim::PublishedBlock *b : {b0, b1, b2})
            before.emplace_back(reinterpret_cast<const char *>(b->data()), int(b->size()));

        bool sawZeroCopy = false;
        auto exercise = [&](CImage image) {
            if (image.isNull())
                return;
            for (const BlockView &v : views)
                if (image.constBits() >= v.base() && image.constBits() < v.base() + v.size())
                    sawZeroCopy = true;
            CImage a = image, b = image, c = image, d = image;
            a.invertAlpha();
            b.setAlpha(1);
            c.clearColorRange(0, 0xFFFFFF);
            d.setColorTable(QVector<QRgb>(d.colorCount(), 0));
            CImage e = image.toArgb32();
            e.shadeOutside(e.left + 1, e.top + 1, e.left + 2, e.top + 2);
            if (image.format() == QImage::Format_ARGB32) {
                CImage f = image;
                QPainter(&f).fillRect(0, 0, 4, 4, Qt::red);
                CImage g = image;
                g.setPixel(0, 0, 0x12345678);
                g.fill(0);
            }
        };
        QList<CompositeLayer> layers;
        for (const quint8 alphaMode : {quint8(0), quint8(255)}) {
            for (const unsigned count : {1u, 3u}) {
                const ImageRules rules{alphaMode, count};
                layers.clear();
                for (const BlockView &v : views) {
                    const LayerLayout visible = visibleLayerLayout(v);
                    const QVector<QRgb> palette = readPalette(v, alphaMode);
                    layers.append({visible, palette});
                    exercise(readLayerImage(visible, palette, rules, 0, 0, simlink::xSize(v) - 1, simlink::ySize(v) - 1));
                    exercise(readLayerImage(visible, palette, rules, 3, 5, 20, 9));
                    exercise(readLayerImage(virtualLayerLayout(v), {}, rules, 0, 0, simlink::vxSize(v) - 1,
                                            simlink::vySize(v) - 1));
                    readPixelColor(visible, palette, rules, 4, 4);
                    readPixelIndex(visible, 4, 4);
                }
                exercise(readCompositeImage(layers, views[0], rules, 0, 0, 79, 59));
                exercise(readCompositeImage(layers, views[0], rules, 5, 5, 5, 5));
            }
        }
        QVERIFY(sawZeroCopy);
        int n = 0;
        for (sim::PublishedBlock *b : {b0, b1, b2})
            QVERIFY2(QByteArray(reinterpret_cast<const char *>(b->data()), int(b->size())) == before[size_t(n++)],
                     "a block changed");
        for (QSharedMemory *h : handles) {
            simlink::detachLayer(h);
            delete h;
        }
    }
};

QTEST_MAIN(TestSharedMemory)
#include "tst_sharedmemory.moc"
