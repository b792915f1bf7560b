// The composite: layers in order over the opaque background, each at its
// position, clipped to the request.
#include "imaging/layerimage.h"
#include "rawlayer.h"
#include "simlink/layerblock.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>

namespace {

QList<CompositeLayer> layersOf(const std::vector<std::unique_ptr<RawLayer>> &raw, quint8 alphaMode)
{
    QList<CompositeLayer> list;
    for (const auto &layer : raw) {
        CompositeLayer c;
        c.layout = visibleLayerLayout(layer->view());
        c.palette = readPalette(layer->view(), alphaMode);
        list.append(c);
    }
    return list;
}

// The composite as the test decodes it from the raw blocks (rawdecode.h).
QImage referenceComposite(const std::vector<std::unique_ptr<RawLayer>> &raw, const ImageRules &rules, QRect r)
{
    QList<rawdecode::Block> blocks;
    for (const auto &layer : raw)
        blocks << layer->raw();
    return rawdecode::compositeImage(blocks, rawdecode::Rules{rules.alphaMode, rules.layerCount}, r);
}

} // namespace

class TestComposite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void translucentLayerMixesWithTheOneBelow()
    {
        std::vector<std::unique_ptr<RawLayer>> raw;
        raw.push_back(std::make_unique<RawLayer>(40, 40));
        raw.push_back(std::make_unique<RawLayer>(20, 20));
        raw[0]->fill32(0xFF0000FF);
        raw[0]->setCompositeSize(40, 40);
        raw[1]->fill32(0x80FF0000);
        raw[1]->setPos(10, 10);
        const QList<CompositeLayer> layers = layersOf(raw, 255);
        const CImage image = readCompositeImage(layers, raw[0]->view(), rulesOf(255, 2), 0, 0, 39, 39);
        QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(QList<int>({image.left, image.top, image.right, image.bottom}), QList<int>({0, 0, 39, 39}));
        QCOMPARE(image.pixel(5, 5), 0xFF0000FFu);
        // Red at 128/255 over blue: red 128, blue 255 * 127 / 255.
        QCOMPARE(image.pixel(15, 15), 0xFF80007Fu);
        QCOMPARE(image.pixel(29, 29), 0xFF80007Fu);
        QCOMPARE(image.pixel(30, 29), 0xFF0000FFu);
        // The single-pixel request gives the same value.
        QCOMPARE(readCompositeImage(layers, raw[0]->view(), rulesOf(255, 2), 15, 15, 15, 15).pixel(0, 0), 0xFF80007Fu);
    }

    void layerAtNegativePositionIsClippedAtTheEdge()
    {
        std::vector<std::unique_ptr<RawLayer>> raw;
        raw.push_back(std::make_unique<RawLayer>(10, 4));
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 4; ++y)
                raw[0]->setPixel32(x, y, 0xFF000000u | quint32(x * 16 + y));
        raw[0]->setPos(-5, 0);
        const QList<CompositeLayer> layers = layersOf(raw, 255);
        raw[0]->setBkColor(0x0000FF00); // library format: green
        const CImage image = readCompositeImage(layers, raw[0]->view(), rulesOf(255, 1), 0, 0, 7, 5);
        QCOMPARE(image.pixel(0, 0), 0xFF000050u);
        QCOMPARE(image.pixel(4, 3), 0xFF000093u);
        QCOMPARE(image.pixel(5, 0), 0xFF00FF00u);
        QCOMPARE(image.pixel(0, 4), 0xFF00FF00u);
        // A request left of the display still finds the layer's first pixels.
        QCOMPARE(readCompositeImage(layers, raw[0]->view(), rulesOf(255, 1), -5, 0, -5, 0).pixel(0, 0), 0xFF000000u);
    }

    void colorKeyAndBackgroundShowThrough()
    {
        std::vector<std::unique_ptr<RawLayer>> raw;
        raw.push_back(std::make_unique<RawLayer>(8, 8));
        raw.push_back(std::make_unique<RawLayer>(8, 8));
        raw[0]->fill32(0xFFFFFF00);
        raw[0]->setPos(0, 0);
        raw[0]->put32(36, 4); // only the top half
        raw[0]->setBkColor(0xFF0000FF); // red, fully transparent in library format: used opaque
        raw[1]->fill32(0xFF101010);
        raw[1]->setPixel32(2, 2, 0xFF808080);
        raw[1]->setTransMode(1);
        raw[1]->setKey(0x000000, 0x202020);
        const QList<CompositeLayer> layers = layersOf(raw, 255);
        const CImage image = readCompositeImage(layers, raw[0]->view(), rulesOf(255, 2), 0, 0, 7, 7);
        QCOMPARE(image.pixel(0, 0), 0xFFFFFF00u);
        QCOMPARE(image.pixel(2, 2), 0xFF808080u);
        QCOMPARE(image.pixel(0, 6), 0xFFFF0000u);
    }

    void unshowableLayersContributeNothing()
    {
        std::vector<std::unique_ptr<RawLayer>> raw;
        raw.push_back(std::make_unique<RawLayer>(4, 4));
        raw.push_back(std::make_unique<RawLayer>(4, 4, 16, 16)); // indexed at 16 bpp
        raw.push_back(std::make_unique<RawLayer>(4, 4, 0, 32, 8)); // block holds 2 pixels
        raw[0]->fill32(0xFF00FF00);
        raw[1]->setPalette(0, 0xFFFF0000);
        raw[2]->fill32(0xFFFFFFFF);
        const QList<CompositeLayer> layers = layersOf(raw, 255);
        const CImage image = readCompositeImage(layers, raw[0]->view(), rulesOf(255, 3), 0, 0, 3, 3);
        QCOMPARE(image.pixel(0, 0), 0xFFFFFFFFu);
        QCOMPARE(image.pixel(1, 0), 0xFFFFFFFFu);
        QCOMPARE(image.pixel(2, 0), 0xFF00FF00u);
        QCOMPARE(image.pixel(3, 3), 0xFF00FF00u);
        // No layers: only the background; absurd requests give nothing.
        QCOMPARE(readCompositeImage({}, raw[0]->view(), rulesOf(255, 3), 0, 0, 0, 0).pixel(0, 0), 0xFF000000u);
        QVERIFY(readCompositeImage(layers, raw[0]->view(), rulesOf(255, 3), 0, 0, 65534, 65534).isNull());
        QVERIFY(readCompositeImage(layers, raw[0]->view(), rulesOf(255, 3), 1, 0, 0, 0).isNull());
    }

    // The fused blend must equal drawing every layer, decoded from its raw
    // bytes, with QPainter, for every mode, alpha convention, format,
    // position, short block and clipping.
    void matchesPaintingTheLayerImages()
    {
        QRandomGenerator rng(20240611);
        for (int round = 0; round < 60; ++round) {
            std::vector<std::unique_ptr<RawLayer>> raw;
            const int count = 1 + int(rng.bounded(4));
            for (int n = 0; n < count; ++n) {
                const bool indexed = rng.bounded(3) == 0;
                const int w = 1 + int(rng.bounded(37)), h = 1 + int(rng.bounded(23));
                const qint64 full = qint64(w) * h * (indexed ? 1 : 4);
                const qint64 bytes = rng.bounded(4) == 0 ? qint64(rng.bounded(quint32(full))) : full;
                auto layer = std::make_unique<RawLayer>(w, h, indexed ? 1 + int(rng.bounded(256)) : 0, 8, bytes);
                for (qint64 o = 4096; o < layer->size; ++o)
                    layer->base()[o] = uchar(rng.bounded(256) < 64 ? 0xFF : rng.bounded(256));
                for (int i = 0; i < 256; ++i)
                    layer->setPalette(i, rng.generate());
                layer->setPos(int(rng.bounded(50)) - 20, int(rng.bounded(40)) - 15);
                layer->setTransMode(int(rng.bounded(4)));
                layer->setLayerAlpha(uchar(rng.bounded(256)));
                layer->setKey(rng.generate() & 0x7F7F7F, rng.generate() | 0x404040);
                raw.push_back(std::move(layer));
            }
            raw[0]->setBkColor(rng.generate());
            const quint8 alphaMode = rng.bounded(2) ? 0 : 255;
            const ImageRules rules = rulesOf(alphaMode, unsigned(count));
            const QList<CompositeLayer> layers = layersOf(raw, alphaMode);
            const QRect r(int(rng.bounded(30)) - 10, int(rng.bounded(30)) - 10, 1 + int(rng.bounded(40)),
                          1 + int(rng.bounded(30)));
            const CImage image = readCompositeImage(layers, raw[0]->view(), rules, r.left(), r.top(), r.right(), r.bottom());
            const QImage expected = referenceComposite(raw, rules, r);
            QCOMPARE(image.size(), expected.size());
            for (int y = 0; y < r.height(); ++y)
                for (int x = 0; x < r.width(); ++x)
                    if (image.pixel(x, y) != expected.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("round %1 pixel (%2, %3): %4, painted %5")
                                             .arg(round).arg(x).arg(y).arg(image.pixel(x, y), 8, 16)
                                             .arg(expected.pixel(x, y), 8, 16)));
        }
    }
};

QTEST_MAIN(TestComposite)
#include "tst_composite.moc"
