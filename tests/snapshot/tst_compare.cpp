// Comparing the display with a reference snapshot: the rules on pixels,
// palettes and configurations, a published scene against a reference written
// from it, the output images decoded pixel by pixel, references that are
// refused, and the command line's exits.
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "snapshot/compare.h"
#include "snapshot/reference.h"
#include "snapshot/snapshot.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

using snapshot::ItemDiff;

namespace {

QImage argbImage(int w, int h, QRgb fill)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A valid 1 x 1 PNG whose header claims width x height.
QByteArray pngClaiming(quint32 width, quint32 height)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    argbImage(1, 1, 0xFF000000).save(&buffer, "PNG");
    // Signature (8), IHDR length (4), "IHDR" at 12, width at 16, height at 20, CRC at 29.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

} // namespace

class TestCompare : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;

    QString freshDir(const QString &name) { return env.root() + QStringLiteral("/%1%2").arg(name).arg(++dirCount); }

    // Layer 0 a 40 x 30 true-colour layer on a 48 x 36 display, layer 1 a
    // 16 x 12 indexed layer whose pixels use four of its five colours.
    void publishScene(sim::Publisher &pub)
    {
        QVERIFY(pub.createGlobal(255));
        sim::PublishedBlock *l0 = pub.createLayer(0, sim::LayerSpec::of(40, 30));
        QVERIFY(l0);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                l0->setPixel32(x, y, 0xFF000000u | quint32(x * 6) << 16 | quint32(y * 8) << 8);
        l0->setCompositeSize(48, 36);
        sim::LayerSpec s1 = sim::LayerSpec::of(16, 12, 5, 8);
        s1.xPos = 30;
        sim::PublishedBlock *l1 = pub.createLayer(1, s1);
        QVERIFY(l1);
        for (int i = 0; i < 5; ++i)
            l1->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x3F3F3F));
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x)
                l1->setPixel8(x, y, quint8((x + y) % 4));
        QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
    }

    snapshot::Comparison compareNow(const QString &referenceDir, int tolerance)
    {
        snapshot::Reference reference;
        QString error;
        if (!snapshot::loadReference(referenceDir, &reference, &error))
            qWarning("%s", qPrintable(error));
        snapshot::Scene scene;
        if (!snapshot::captureScene(scene))
            qWarning("no capture");
        return snapshot::compareWithReference(reference, scene, tolerance);
    }

    static QStringList lines(const snapshot::Comparison &c)
    {
        QStringList out;
        for (const ItemDiff &d : c.items)
            out << d.line();
        return out;
    }

private Q_SLOTS:
    void init() { env.useRuntimeDir(freshDir(QStringLiteral("run"))); }

    void pixelRules_data()
    {
        QTest::addColumn<QRgb>("changed");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QString>("line");
        QTest::newRow("same") << QRgb(0x80102030) << 0 << "layer1: identical";
        QTest::newRow("blue +1") << QRgb(0x80102031) << 0
                                 << "layer1: 2 pixels differ (max channel delta 1), bounding box (3, 4)-(14, 9)";
        QTest::newRow("within tolerance") << QRgb(0x80102031) << 1 << "layer1: identical";
        QTest::newRow("alpha beyond tolerance")
            << QRgb(0x85102030) << 4 << "layer1: 2 pixels differ (max channel delta 5), bounding box (3, 4)-(14, 9)";
        QTest::newRow("red 255") << QRgb(0x80FF2030) << 238
                                 << "layer1: 2 pixels differ (max channel delta 239), bounding box (3, 4)-(14, 9)";
    }
    void pixelRules()
    {
        QFETCH(QRgb, changed);
        QFETCH(int, tolerance);
        QFETCH(QString, line);
        const QImage reference = argbImage(20, 12, 0x80102030);
        QImage actual = reference.copy();
        actual.setPixel(3, 4, changed);
        actual.setPixel(14, 9, changed);
        QCOMPARE(snapshot::compareImages(QStringLiteral("layer1"), reference, actual, tolerance).line(), line);
    }

    void shapesIndexedImagesAndPalettes()
    {
        // An indexed image compares by the colours its table gives.
        QImage indexed(2, 1, QImage::Format_Indexed8);
        indexed.setColorTable({0xFF112233, 0x00000000});
        indexed.setPixel(0, 0, 0);
        indexed.setPixel(1, 0, 1);
        QImage argb = argbImage(2, 1, 0xFF112233);
        argb.setPixel(1, 0, 0x00000000);
        QVERIFY(!snapshot::compareImages(QStringLiteral("layer0"), indexed, argb, 0).differs());
        argb.setPixel(1, 0, 0x00FFFFFF); // transparent, but another stored value
        QCOMPARE(snapshot::compareImages(QStringLiteral("layer0"), indexed, argb, 0).count, 1);

        QCOMPARE(snapshot::compareImages(QStringLiteral("layer0"), argbImage(4, 3, 0), argbImage(3, 4, 0), 0).line(),
                 QStringLiteral("layer0: size 3 x 4 differs from the reference's 4 x 3"));
        QCOMPARE(snapshot::compareImages(QStringLiteral("layer2"), QImage(), argbImage(1, 1, 0), 0).line(),
                 QStringLiteral("layer2: not in reference"));
        QVERIFY(snapshot::diffImage(argbImage(4, 3, 0), argbImage(3, 4, 0), 0).isNull());

        const QVector<QRgb> pal = {0xFF000000, 0xFF0000FF, 0xFFFFFFFF};
        QCOMPARE(snapshot::comparePalettes(QStringLiteral("palette1"), pal, {0xFF000000, 0xFF0000F0, 0xFF00FFFF}, 15)
                     .line(),
                 QStringLiteral("palette1: 1 entries differ (max channel delta 255)"));
        QCOMPARE(snapshot::comparePalettes(QStringLiteral("palette1"), pal, pal.mid(0, 2), 0).line(),
                 QStringLiteral("palette1: 2 entries, the reference has 3"));
    }

    void configurationDifferencesAreNamed()
    {
        const auto scene = [](int layers, int bpp, int x) {
            QJsonArray list;
            for (int i = 0; i < layers; ++i)
                list.append(QJsonObject{{"width", 40}, {"height", 30}, {"bitsPerPixel", i == 0 ? bpp : 8},
                                        {"position", QJsonArray{i == 0 ? x : 0, 0}}});
            return QJsonObject{{"format", "noxel-scene"}, {"layers", list}};
        };
        QVERIFY(!snapshot::compareConfigurations(scene(2, 32, 0), scene(2, 32, 0)).differs());
        QCOMPARE(snapshot::compareConfigurations(scene(2, 32, 0), scene(3, 16, 5)).line(),
                 QStringLiteral("configuration: differs (layer count 3, reference 2; layer0 bitsPerPixel 16, "
                                "reference 32; layer0 position (5, 0), reference (0, 0))"));
    }

    void captureAgainstItsReference()
    {
        sim::Publisher pub;
        publishScene(pub);
        const QString refDir = freshDir(QStringLiteral("ref"));
        QCOMPARE(snapshot::saveSnapshot(refDir).status, snapshot::Saved);

        snapshot::Comparison same = compareNow(refDir, 0);
        QCOMPARE(lines(same), QStringList({"configuration: identical", "layer0: identical", "layer1: identical",
                                           "palette1: identical", "composite: identical"}));
        QCOMPARE(snapshot::summaryLine(same.items), QStringLiteral("0 of 5 images differ"));
        QVERIFY(!same.differs());

        // One pixel of layer 0 changes; layer 0 lies at (0, 0) of the display.
        const QRgb before = 0xFF000000u | quint32(3 * 6) << 16 | quint32(4 * 8) << 8;
        pub.layer(0)->setPixel32(3, 4, 0xFFFFFFFF);
        pub.layer(1)->setPaletteEntry(4, 0xFFFCFCFD); // an entry no pixel uses
        const snapshot::Comparison c = compareNow(refDir, 0);
        QCOMPARE(lines(c), QStringList({"configuration: identical",
                                        "layer0: 1 pixels differ (max channel delta 255), bounding box (3, 4)-(3, 4)",
                                        "layer1: identical",
                                        "palette1: 1 entries differ (max channel delta 1)",
                                        "composite: 1 pixels differ (max channel delta 255), bounding box (3, 4)-(3, 4)"}));
        QCOMPARE(snapshot::summaryLine(c.items), QStringLiteral("3 of 5 images differ"));

        const QString out = freshDir(QStringLiteral("out"));
        QCOMPARE(snapshot::writeComparison(c, 0, out), QString());
        QCOMPARE(QDir(out).entryList(QDir::Files),
                 QStringList({"composite.actual.png", "composite.diff.png", "layer0.actual.png", "layer0.diff.png",
                              "report.json"}));
        const QImage diff = QImage(out + QStringLiteral("/layer0.diff.png")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(diff.size(), QSize(40, 30));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const QRgb stored = (x == 3 && y == 4) ? before : 0xFF000000u | quint32(x * 6) << 16 | quint32(y * 8) << 8;
                const QRgb expected = (x == 3 && y == 4) ? snapshot::DiffHighlight
                                                         : qRgb(qRed(stored) / 3, qGreen(stored) / 3, qBlue(stored) / 3);
                if (diff.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("diff pixel (%1, %2)").arg(x).arg(y)));
            }
        const QImage actual = QImage(out + QStringLiteral("/layer0.actual.png")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(actual.pixel(3, 4), 0xFFFFFFFFu);
        QCOMPARE(actual.pixel(4, 4), 0xFF000000u | quint32(4 * 6) << 16 | quint32(4 * 8) << 8);

        QFile reportFile(out + QStringLiteral("/report.json"));
        QVERIFY(reportFile.open(QIODevice::ReadOnly));
        const QJsonObject report = QJsonDocument::fromJson(reportFile.readAll()).object();
        QCOMPARE(report.value("differ").toInt(), 3);
        QCOMPARE(report.value("compared").toInt(), 5);
        const QJsonObject layer0 = report.value("items").toArray().at(1).toObject();
        QCOMPARE(layer0.value("count").toInt(), 1);
        QCOMPARE(layer0.value("boundingBox").toArray(), QJsonArray({3, 4, 3, 4}));

        // Restored: identical again.
        pub.layer(0)->setPixel32(3, 4, before);
        pub.layer(1)->setPaletteEntry(4, 0xFFFCFCFC);
        QVERIFY(!compareNow(refDir, 0).differs());
    }

    void brokenReferencesAreRefused()
    {
        snapshot::Reference reference;
        QString error;
        const QString dir = freshDir(QStringLiteral("bad"));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(!snapshot::loadReference(dir, &reference, &error));
        QVERIFY(error.contains(QStringLiteral("scene.json")));

        const auto writeFile = [&dir](const QString &name, const QByteArray &bytes) {
            QFile f(dir + QLatin1Char('/') + name);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        const auto sceneNaming = [](const QString &image) {
            QJsonObject layer{{"width", 1}, {"height", 1}, {"bitsPerPixel", 32}, {"image", image}};
            return QJsonDocument(QJsonObject{{"format", "noxel-scene"}, {"version", 1}, {"layers", QJsonArray{layer}}})
                .toJson();
        };
        QVERIFY(writeFile(QStringLiteral("scene.json"), "{\"format\": \"something-else\"}"));
        QVERIFY(!snapshot::loadReference(dir, &reference, &error));
        QVERIFY(error.contains(QStringLiteral("not a snapshot's scene file")));

        QVERIFY(writeFile(QStringLiteral("scene.json"), sceneNaming(QStringLiteral("../elsewhere.png"))));
        QVERIFY(!snapshot::loadReference(dir, &reference, &error));
        QVERIFY(error.contains(QStringLiteral("layers[0].image")));

        // A header claiming 60000 x 60000 pixels is refused before decoding.
        QVERIFY(writeFile(QStringLiteral("scene.json"), sceneNaming(QStringLiteral("layer0.png"))));
        QVERIFY(writeFile(QStringLiteral("layer0.png"), pngClaiming(60000, 60000)));
        QVERIFY(!snapshot::loadReference(dir, &reference, &error));
        QVERIFY2(error.contains(QStringLiteral("too large (60000 x 60000)")), qPrintable(error));

        QVERIFY(writeFile(QStringLiteral("layer0.png"), pngClaiming(1, 1)));
        QVERIFY2(snapshot::loadReference(dir, &reference, &error), qPrintable(error));
    }

#ifdef NOXELVIEW_BINARY
    void programExits()
    {
        const auto run = [this](const QStringList &args, QString *out = nullptr, QString *err = nullptr) {
            QProcess p;
            p.setProcessEnvironment(env.headlessEnvironment());
            p.start(QStringLiteral(NOXELVIEW_BINARY), args);
            if (!p.waitForFinished(60000))
                return -1;
            if (out)
                *out = QString::fromLocal8Bit(p.readAllStandardOutput());
            if (err)
                *err = QString::fromLocal8Bit(p.readAllStandardError());
            return p.exitCode();
        };
        const QString refDir = freshDir(QStringLiteral("pref"));
        QString out, err;
        QCOMPARE(run({"--compare", refDir, "--wait", "0.1"}, &out, &err), 2); // no reference yet
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
        QCOMPARE(run({"--compare", refDir, "--update", "--wait", "0.1"}, &out, &err), 1);
        QCOMPARE(err, QStringLiteral("No simulation found.\n"));
        QCOMPARE(run({"--tolerance", "3"}), 2);
        QCOMPARE(run({"--compare", refDir, "--tolerance", "256"}), 2);

        sim::Publisher pub(env.runtimeDir());
        publishScene(pub);
        QCOMPARE(run({"--compare", refDir, "--update"}), 0);
        QCOMPARE(run({"--compare", refDir}, &out), 0);
        QVERIFY(out.endsWith(QStringLiteral("0 of 5 images differ\n")));
        pub.layer(1)->setPixel8(15, 11, 3);
        const QString outDir = freshDir(QStringLiteral("pout"));
        QCOMPARE(run({"--compare", refDir, "--out", outDir}, &out), 3);
        QVERIFY2(out.contains(QStringLiteral("layer1: 1 pixels differ")), qPrintable(out));
        QVERIFY(out.endsWith(QStringLiteral("2 of 5 images differ\n")));
        QVERIFY(QFile::exists(outDir + QStringLiteral("/layer1.diff.png")));
    }
#endif
};

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
