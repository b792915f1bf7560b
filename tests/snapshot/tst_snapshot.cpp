// Snapshots: a published display written as scene.json, layer PNGs and the
// composite, checked field by field and byte by byte against what was
// published; the exits of the command line; blocks left untouched.
#include "imaging/layerimage.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "snapshot/commandline.h"
#include "snapshot/snapshot.h"
#include "testenv.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

// A deterministic stored value for pixel i of layer n, alpha varying too.
quint32 stored32(int n, int i)
{
    quint32 v = quint32(i) * 2654435761u + quint32(n) * 40503u;
    v ^= v >> 13;
    return v * 2246822519u;
}

quint8 storedIndex(int n, int i)
{
    return quint8((i * 7 + n) % 9); // indices 0..8; 7 and 8 lie beyond a 7-entry palette
}

QString hex(quint32 v)
{
    return QStringLiteral("#%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

struct Published
{
    sim::PublishedBlock *block = nullptr;
    int width = 0;  // of the stored screen (virtual when larger)
    int height = 0;
    bool indexed = false;
};

} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    QList<Published> layers;
    int paletteSize = 0;

    // True colour, indexed, virtual, colour-keyed, constant alpha, and one
    // block shorter than its header claims.
    void publishScene(sim::Publisher &pub, quint8 alphaMode, bool grayPalette)
    {
        layers.clear();
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(alphaMode));
        auto add = [&](int n, sim::LayerSpec spec, int storedW, int storedH) {
            sim::PublishedBlock *b = pub.createLayer(n, spec);
            QVERIFY(b);
            Published p{b, storedW, storedH, spec.numColors > 0};
            const int bpp = p.indexed ? 1 : 4;
            for (int i = 0; i < storedW * storedH && qint64(i + 1) * bpp <= b->pixelBytes(); ++i) {
                if (p.indexed) {
                    b->pixels()[i] = storedIndex(n, i);
                } else {
                    const quint32 v = stored32(n, i);
                    std::memcpy(b->pixels() + 4 * i, &v, 4);
                }
            }
            layers.append(p);
        };
        sim::LayerSpec trueColor = sim::LayerSpec::of(40, 30);
        add(0, trueColor, 40, 30);
        sim::PublishedBlock *b0 = layers[0].block;
        b0->setCompositeSize(48, 36);
        b0->setBkColor(0x00306090); // library format: opaque, blue 30, green 60, red 90

        // The gray palette is the identity ramp 0..8 covering every index.
        paletteSize = grayPalette ? 9 : 7;
        sim::LayerSpec indexed = sim::LayerSpec::of(16, 12, paletteSize, 8);
        indexed.xPos = 38; // partly outside the display
        indexed.yPos = 30;
        add(1, indexed, 16, 12);
        for (int i = 0; i < paletteSize; ++i) {
            const quint32 gray = quint32(i) * 0x010101u; // the ramp Qt would take for grayscale
            layers[1].block->setPaletteEntry(i, grayPalette ? (0xFF000000u | gray)
                                                            : (quint32(i * 36) << 24) | quint32(0x123456 * (i + 1)));
        }

        sim::LayerSpec virt = sim::LayerSpec::of(10, 8);
        virt.vySize = 24;
        virt.xPos = 5;
        virt.yPos = 5;
        add(2, virt, 10, 24);
        layers[2].block->setYOrg(8);
        layers[2].block->setXOrg(0);

        sim::LayerSpec keyed = sim::LayerSpec::of(12, 10);
        keyed.xPos = -4;
        keyed.yPos = 3;
        add(3, keyed, 12, 10);
        layers[3].block->setTransMode(1);
        layers[3].block->setKeyColorMin(0xAB000000);
        layers[3].block->setKeyColorMax(0x00A0A0A0);

        sim::LayerSpec constant = sim::LayerSpec::of(8, 8);
        constant.xPos = 20;
        constant.yPos = 10;
        add(4, constant, 8, 8);
        layers[4].block->setTransMode(2);
        layers[4].block->setLayerAlpha(0x80);

        sim::LayerSpec shortBlock = sim::LayerSpec::of(6, 5);
        shortBlock.blockSize = 4096 + 4 * 9; // nine of thirty pixels
        shortBlock.xPos = 30;
        add(5, shortBlock, 6, 5);
        layers[5].block->setTransMode(7);

        QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
    }

    static QImage expectedLayer(const Published &p, int n, quint8 alphaMode)
    {
        const quint32 flip = alphaMode == 0 ? 0xFF000000u : 0u;
        const int bpp = p.indexed ? 1 : 4;
        QImage image(p.width, p.height, p.indexed ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
        for (int i = 0; i < p.width * p.height; ++i) {
            const bool present = qint64(i + 1) * bpp <= p.block->pixelBytes();
            const int x = i % p.width, y = i / p.width;
            if (p.indexed)
                image.scanLine(y)[x] = present ? storedIndex(n, i) : 0;
            else
                reinterpret_cast<quint32 *>(image.scanLine(y))[x] = present ? stored32(n, i) ^ flip : 0u;
        }
        return image;
    }

    QImage independentComposite(quint8 alphaMode)
    {
        QList<CompositeLayer> list;
        for (const Published &p : layers) {
            CompositeLayer l;
            l.layout = visibleLayerLayout(p.block->view());
            l.palette = readPalette(p.block->view(), alphaMode);
            list.append(l);
        }
        ImageRules rules;
        rules.alphaMode = alphaMode;
        rules.layerCount = unsigned(layers.size());
        return readCompositeImage(list, layers[0].block->view(), rules, 0, 0, 47, 35)
            .convertToFormat(QImage::Format_ARGB32);
    }

private Q_SLOTS:
    void roundTripsEveryFieldAndPixel_data()
    {
        QTest::addColumn<int>("alphaMode");
        QTest::addColumn<bool>("grayPalette");
        QTest::newRow("alpha as ARGB") << 1 << false;
        QTest::newRow("alpha-mode 0") << 0 << false;
        QTest::newRow("gray palette") << 255 << true;
    }

    void roundTripsEveryFieldAndPixel()
    {
        QFETCH(int, alphaMode);
        QFETCH(bool, grayPalette);
        sim::Publisher pub(env.runtimeDir());
        publishScene(pub, quint8(alphaMode), grayPalette);
        if (QTest::currentTestFailed())
            return;
        QList<QByteArray> before;
        for (const Published &p : layers)
            before.append(QByteArray(reinterpret_cast<const char *>(p.block->data()), int(p.block->size())));

        const QString dir = env.root() + QStringLiteral("/snap-") + QTest::currentDataTag();
        const snapshot::Result result = snapshot::saveSnapshot(dir);
        QCOMPARE(result.status, snapshot::Saved);
        QCOMPARE(result.message, QDir(dir).absolutePath());

        // Nothing written into a block, and every attachment released.
        for (int n = 0; n < layers.size(); ++n) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(layers[n].block->data()), int(layers[n].block->size())),
                     before[n]);
            QCOMPARE(sim::attachCount(layers[n].block), 1);
        }

        QFile file(dir + QStringLiteral("/scene.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonObject scene = QJsonDocument::fromJson(file.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(scene.value("format").toString(), QStringLiteral("noxel-scene"));
        QCOMPARE(scene.value("version").toInt(), 1);
        QCOMPARE(scene.value("windowClass").toString(), QStringLiteral("GUI Simulation Mainframe"));
        QCOMPARE(scene.value("alphaMode").toInt(), alphaMode);
        const QJsonObject display = scene.value("display").toObject();
        QCOMPARE(display.value("width").toInt(), 48);
        QCOMPARE(display.value("height").toInt(), 36);
        QCOMPARE(display.value("background").toString(), QStringLiteral("#FF906030"));

        const QJsonArray jsonLayers = scene.value("layers").toArray();
        QCOMPARE(jsonLayers.size(), layers.size());
        const quint32 flip = alphaMode == 0 ? 0xFF000000u : 0u;
        for (int n = 0; n < layers.size(); ++n) {
            const QJsonObject l = jsonLayers[n].toObject();
            const BlockView b = layers[n].block->view();
            QCOMPARE(l.value("width").toInt(), simlink::xSize(b));
            QCOMPARE(l.value("height").toInt(), simlink::ySize(b));
            QCOMPARE(l.value("bitsPerPixel").toInt(), layers[n].indexed ? 8 : 32);
            QCOMPARE(l.value("virtualWidth").toInt(), simlink::vxSize(b));
            QCOMPARE(l.value("virtualHeight").toInt(), simlink::vySize(b));
            QCOMPARE(l.value("origin").toArray(), (QJsonArray{simlink::xOrg(b), simlink::yOrg(b)}));
            QCOMPARE(l.value("position").toArray(), (QJsonArray{simlink::xPos(b), simlink::yPos(b)}));
            QCOMPARE(l.value("transMode").toInt(), simlink::transMode(b));
            QCOMPARE(l.value("keyColorMin").toString(), hex(simlink::keyColorMin(b)));
            QCOMPARE(l.value("keyColorMax").toString(), hex(simlink::keyColorMax(b)));
            QCOMPARE(l.value("alpha").toInt(), int(simlink::layerAlpha(b)));
            QCOMPARE(l.value("image").toString(), QStringLiteral("layer%1.png").arg(n));

            QImage png(dir + QLatin1Char('/') + l.value("image").toString());
            QVERIFY(!png.isNull());
            const QImage expected = expectedLayer(layers[n], n, quint8(alphaMode));
            if (layers[n].indexed) {
                QCOMPARE(png.format(), QImage::Format_Indexed8);
                QVector<QRgb> palette;
                for (int i = 0; i < paletteSize; ++i)
                    palette.append(simlink::paletteEntry(b, i) ^ flip);
                QJsonArray jsonPalette;
                for (QRgb c : palette)
                    jsonPalette.append(hex(c));
                QCOMPARE(l.value("palette").toArray(), jsonPalette);
                // Indices up to 8 are stored: transparent entries beyond the palette.
                QCOMPARE(png.colorTable(), palette + QVector<QRgb>(9 - paletteSize, 0u));
                for (int y = 0; y < png.height(); ++y)
                    QCOMPARE(QByteArray(reinterpret_cast<const char *>(png.constScanLine(y)), png.width()),
                             QByteArray(reinterpret_cast<const char *>(expected.constScanLine(y)), png.width()));
            } else {
                QVERIFY(!l.contains("palette"));
                QCOMPARE(png.convertToFormat(QImage::Format_ARGB32), expected);
            }
        }
        QImage composite(dir + QStringLiteral("/composite.png"));
        QCOMPARE(composite.convertToFormat(QImage::Format_ARGB32), independentComposite(quint8(alphaMode)));
    }

    void noDisplaySizeMeansNoCompositeAndDeviceClassIsNamed()
    {
        sim::Publisher pub(env.runtimeDir());
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(255));
        QVERIFY(pub.createLayer(0, sim::LayerSpec::of(4, 3)));
        QVERIFY(pub.holdPresence(simlink::DeviceWindowClass));
        const QString dir = env.root() + QStringLiteral("/nocomposite");
        QCOMPARE(snapshot::saveSnapshot(dir).status, snapshot::Saved);
        QVERIFY(!QFile::exists(dir + QStringLiteral("/composite.png")));
        QFile file(dir + QStringLiteral("/scene.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject scene = QJsonDocument::fromJson(file.readAll()).object();
        QVERIFY(!scene.contains("display"));
        QCOMPARE(scene.value("windowClass").toString(), QStringLiteral("GUI Device"));
    }

    void hostileHeadersNeitherCrashNorReadOutside()
    {
        sim::Publisher pub(env.runtimeDir());
        QVERIFY(pub.ensureRuntimeDir());
        QVERIFY(pub.createGlobal(0));
        sim::LayerSpec negative = sim::LayerSpec::of(4, 4);
        sim::PublishedBlock *b0 = pub.createLayer(0, negative);
        QVERIFY(b0);
        b0->setXSize(-5);
        b0->setVxSize(-5);
        b0->setCompositeSize(16, 16);
        sim::LayerSpec huge = sim::LayerSpec::of(4, 4);
        sim::PublishedBlock *b1 = pub.createLayer(1, huge);
        QVERIFY(b1);
        b1->setXSize(100000);
        b1->setYSize(100000);
        b1->setVySize(0x7FFFFFFF);
        b1->setYOrg(0x7FFFFFF0);
        sim::LayerSpec indexedHuge = sim::LayerSpec::of(4, 4, 300); // 300 colours: true colour
        sim::PublishedBlock *b2 = pub.createLayer(2, indexedHuge);
        QVERIFY(b2);
        b2->setXOrg(-70000);
        b2->setVxSize(8);
        b2->fill32(0x11223344);
        QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
        const QByteArray before2(reinterpret_cast<const char *>(b2->data()), int(b2->size()));

        const QString dir = env.root() + QStringLiteral("/hostile");
        QCOMPARE(snapshot::saveSnapshot(dir).status, snapshot::Saved);
        QFile file(dir + QStringLiteral("/scene.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonArray jsonLayers = QJsonDocument::fromJson(file.readAll()).object().value("layers").toArray();
        QCOMPARE(jsonLayers.size(), 3);
        // No pixels to save: a transparent fill instead of an image.
        QCOMPARE(jsonLayers[0].toObject().value("fill").toString(), QStringLiteral("#00000000"));
        QCOMPARE(jsonLayers[1].toObject().value("fill").toString(), QStringLiteral("#00000000"));
        QVERIFY(!QFile::exists(dir + QStringLiteral("/layer1.png")));
        // The 8-pixel-wide virtual screen reads 16 stored pixels, the rest is beyond the block.
        const QImage png(dir + QStringLiteral("/layer2.png"));
        QCOMPARE(png.size(), QSize(8, 4));
        QCOMPARE(png.pixel(7, 1), 0xEE223344u);
        QCOMPARE(png.pixel(0, 2), 0u);
        QCOMPARE(QImage(dir + QStringLiteral("/composite.png")).size(), QSize(16, 16));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(b2->data()), int(b2->size())), before2);
    }

    void entryFunctionExits()
    {
        const QString dir = env.root() + QStringLiteral("/none");
        snapshot::Result r = snapshot::waitAndSave(dir, 0);
        QCOMPARE(r.status, snapshot::NoSimulation);
        QCOMPARE(r.message, QStringLiteral("No simulation found."));

        QFile blocker(env.root() + QStringLiteral("/a-file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        r = snapshot::waitAndSave(blocker.fileName() + QStringLiteral("/sub"), 0);
        QCOMPARE(r.status, snapshot::WriteFailed);
        QVERIFY(r.message.contains(QStringLiteral("a-file/sub")));
    }

#ifdef NOXELVIEW_BINARY
    void programRunsWithoutADisplay()
    {
        const QString blockerPath = env.root() + QStringLiteral("/blocker");
        QFile blocker(blockerPath);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto run = [this](const QStringList &args, QProcess &p) {
            p.setProcessEnvironment(env.headlessEnvironment());
            p.start(QStringLiteral(NOXELVIEW_BINARY), args);
        };

        QProcess help;
        run({QStringLiteral("--help")}, help);
        QVERIFY(help.waitForFinished(60000));
        QCOMPARE(help.exitCode(), 0);
        const QString helpText = QString::fromLocal8Bit(help.readAllStandardOutput());
        QVERIFY(helpText.contains(QStringLiteral("--snapshot <folder>")));
        QVERIFY(helpText.contains(QStringLiteral("--wait <seconds>")));

        QProcess none;
        run({QStringLiteral("--snapshot"), env.root() + QStringLiteral("/p-none"), QStringLiteral("--wait"),
             QStringLiteral("0.1")}, none);
        QVERIFY(none.waitForFinished(60000));
        QCOMPARE(none.exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(none.readAllStandardError()), QStringLiteral("No simulation found.\n"));

        QProcess unwritable;
        run({QStringLiteral("--snapshot"), blockerPath + QStringLiteral("/sub")}, unwritable);
        QVERIFY(unwritable.waitForFinished(60000));
        QCOMPARE(unwritable.exitCode(), 2);
        QCOMPARE(QString::fromLocal8Bit(unwritable.readAllStandardError()).count(QLatin1Char('\n')), 1);

        // Started before the simulation: the wait finds it once it appears.
        const QString dir = env.root() + QStringLiteral("/p-out");
        QProcess waiting;
        run({QStringLiteral("--snapshot"), dir, QStringLiteral("--wait"), QStringLiteral("120")}, waiting);
        QVERIFY(waiting.waitForStarted(60000));
        sim::Publisher pub(env.runtimeDir());
        publishScene(pub, 0, false);
        QVERIFY(waiting.waitForFinished(130000));
        QCOMPARE(waiting.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(waiting.readAllStandardOutput()).trimmed(), QDir(dir).absolutePath());
        QCOMPARE(QImage(dir + QStringLiteral("/composite.png")).convertToFormat(QImage::Format_ARGB32),
                 independentComposite(0));
        for (const Published &p : std::as_const(layers))
            QCOMPARE(sim::attachCount(p.block), 1);
    }
#endif
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
