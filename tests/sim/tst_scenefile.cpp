// Scene files: the example scenes as they land in the blocks (checked on
// the raw bytes and through the tool's scan), and one-line errors that name
// the file, the field and the reason.
#include "sim/publisher.h"
#include "sim/scenefile.h"
#include "sim/scenepublish.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtTest>

using namespace simlink;

class TestSceneFile : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int count = 0;

    static QString example(const char *name) { return QStringLiteral(NOXEL_SCENES_DIR "/") + QLatin1String(name); }

    QString writeFile(const QString &name, const QByteArray &text)
    {
        const QString path = env.root() + QLatin1Char('/') + name;
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return path;
    }

    // A scene around one layer object.
    static QByteArray oneLayer(const QByteArray &layer)
    {
        return "{\"format\": \"noxel-scene\", \"version\": 1, \"layers\": [" + layer + "]}";
    }

    static quint32 pixel32(const sim::PublishedBlock *b, qint64 index) { return b->uint32At(Offset::FrameBuffer + 4 * index); }

private Q_SLOTS:
    void init() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++count)); }

    void layersExampleLandsInTheBlocks()
    {
        sim::Scene scene;
        QString error;
        QVERIFY2(sim::loadSceneFile(example("layers.json"), &scene, &error), qPrintable(error));
        sim::OpenSimulation simulation;
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        QVERIFY2(sim::publishScene(simulation.get(), scene, &error), qPrintable(error));

        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 1);
        QCOMPARE(list.size(), 5);
        QCOMPARE(list[1].xPos, 8);
        QCOMPARE(list[2].vySize, 96);
        QVERIFY(list[2].hasVirtualScreen());
        QCOMPARE(list[4].xPos, -10);

        const sim::PublishedBlock *l0 = pub.layer(0);
        int w = 0;
        int h = 0;
        QVERIFY(compositeSize(l0->view(), &w, &h));
        QCOMPARE(QSize(w, h), QSize(160, 120));
        QCOMPARE(libraryArgb(bkColor(l0->view())), 0xFF203040u);
        // Checker cells of 8 pixels: light at (0, 0), dark at (8, 0) and (0, 8).
        QCOMPARE(pixel32(l0, 0), 0xFFE0E0E0u);
        QCOMPARE(pixel32(l0, 8), 0xFF404040u);
        QCOMPARE(pixel32(l0, 160 * 8 + 7), 0xFF404040u);
        QCOMPARE(pixel32(l0, 160 * 119 + 159), 0xFF404040u);

        // Indexed PNG: its indices and its own colour table, alpha from tRNS.
        const sim::PublishedBlock *l1 = pub.layer(1);
        QCOMPARE(NumColors(l1->view()), 16);
        QCOMPARE(bitsPerPixel(l1->view()), 8);
        QCOMPARE(paletteEntry(l1->view(), 1), 0xFF1111EEu);
        QCOMPARE(paletteEntry(l1->view(), 15), 0x80FFFF00u);
        QCOMPARE(int(l1->pixels()[5]), 1);
        QCOMPARE(int(l1->pixels()[64 * 47 + 63]), 15);

        // The virtual screen's bands with the window at row 32.
        const sim::PublishedBlock *l2 = pub.layer(2);
        QCOMPARE(yOrg(l2->view()), 32);
        QCOMPARE(xOrg(l2->view()), 0);
        QCOMPARE(pixel32(l2, 64 * 31), 0xFFFF0000u);
        QCOMPARE(pixel32(l2, 64 * 32), 0xFF00FF00u);
        QCOMPARE(pixel32(l2, 64 * 95 + 63), 0xFF0000FFu);

        const sim::PublishedBlock *l3 = pub.layer(3);
        QCOMPARE(transMode(l3->view()), 1);
        QCOMPARE(keyColorMax(l3->view()), 0x101010u);
        QCOMPARE(pixel32(l3, 0), 0xFF000000u);
        QCOMPARE(pixel32(l3, 48 * 16 + 16), 0xFFFFFFFFu);

        const sim::PublishedBlock *l4 = pub.layer(4);
        QCOMPARE(transMode(l4->view()), 2);
        QCOMPARE(int(layerAlpha(l4->view())), 128);
        QCOMPARE(pixel32(l4, 40 * 40 - 1), 0xFFFF0000u);
        for (int n = 0; n < 5; ++n)
            QVERIFY(contentCounter(pub.layer(n)->view()) != 0);
    }

    // Alpha-mode 0 stores 255 - alpha in pixels and palette entries alike.
    void fillsExampleStoresInvertedAlpha()
    {
        sim::Scene scene;
        QString error;
        QVERIFY2(sim::loadSceneFile(example("fills.json"), &scene, &error), qPrintable(error));
        QCOMPARE(scene.windowClass, QLatin1String(DeviceWindowClass));
        sim::OpenSimulation simulation(DeviceWindowClass, scene.alphaMode == 0);
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        QVERIFY2(sim::publishScene(simulation.get(), scene, &error), qPrintable(error));
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 0);
        QCOMPARE(list.size(), 3);

        QCOMPARE(pixel32(pub.layer(0), 0), 0x00336699u);
        QCOMPARE(pixel32(pub.layer(0), 64 * 48 - 1), 0x00336699u);
        const sim::PublishedBlock *l1 = pub.layer(1);
        QCOMPARE(NumColors(l1->view()), 4);
        QCOMPARE(paletteEntry(l1->view(), 3), 0x7F008000u);
        QCOMPARE(int(l1->pixels()[16 * 16 - 1]), 2);
        // The fill covers the whole virtual screen.
        const sim::PublishedBlock *l2 = pub.layer(2);
        QCOMPARE(pixel32(l2, 0), 0x7F00FF00u);
        QCOMPARE(pixel32(l2, 20 * 30 - 1), 0x7F00FF00u);
        QCOMPARE(libraryArgb(bkColor(pub.layer(0)->view())), 0xFF000080u);
    }

    // A picture of the visible size on a layer with a virtual screen goes to
    // the window at the origin; the rest of the virtual screen stays empty.
    void visibleSizeImageGoesToTheOrigin()
    {
        QImage img(4, 2, QImage::Format_ARGB32);
        img.fill(0xFF123456u);
        img.setPixel(3, 1, 0x80ABCDEFu);
        QVERIFY(img.save(env.root() + QStringLiteral("/window.png")));
        // Written with a byte order mark, as some editors save UTF-8.
        const QString file = writeFile(QStringLiteral("window.json"), "\xEF\xBB\xBF" + oneLayer(
            "{\"width\": 4, \"height\": 2, \"bitsPerPixel\": 32, \"virtualWidth\": 4, \"virtualHeight\": 6,"
            " \"origin\": [0, 3], \"image\": \"window.png\"}"));
        sim::Scene scene;
        QString error;
        QVERIFY2(sim::loadSceneFile(file, &scene, &error), qPrintable(error));
        QCOMPARE(scene.windowClass, QLatin1String(MainframeWindowClass));
        QCOMPARE(scene.alphaMode, 1);
        QVERIFY(!scene.hasDisplay);
        sim::OpenSimulation simulation;
        QVERIFY2(simulation.get(), qPrintable(simulation.error()));
        sim::Publisher pub;
        QVERIFY2(sim::publishScene(simulation.get(), scene, &error), qPrintable(error));
        const sim::PublishedBlock *b = pub.layer(0);
        QCOMPARE(pixel32(b, 4 * 2 + 3), 0u);
        QCOMPARE(pixel32(b, 4 * 3), 0xFF123456u);
        QCOMPARE(pixel32(b, 4 * 4 + 3), 0x80ABCDEFu);
        QCOMPARE(pixel32(b, 4 * 5), 0u);
        QCOMPARE(compositeSize(b->view()), false);
    }

    void errorsNameFileFieldAndReason_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        const QByteArray base = "{\"width\": 10, \"height\": 10, \"bitsPerPixel\": 32, \"fill\": \"#FF000000\"}";

        QTest::newRow("syntax") << QByteArray("{\"format\": \"noxel-scene\",\n  \"version\": 1,\n  \"layers\": [}\n")
                                << QStringLiteral(": line 3, column ");
        QTest::newRow("not an object") << QByteArray("[1, 2]") << QStringLiteral(": (top level): expected an object");
        QTest::newRow("format missing") << QByteArray("{\"version\": 1, \"layers\": []}") << QStringLiteral(": format: missing");
        QTest::newRow("format wrong") << QByteArray("{\"format\": \"png\", \"version\": 1}") << QStringLiteral(": format: expected");
        QTest::newRow("version") << QByteArray("{\"format\": \"noxel-scene\", \"version\": 2, \"layers\": []}")
                                 << QStringLiteral(": version: version 2 is not supported");
        QTest::newRow("layers missing") << QByteArray("{\"format\": \"noxel-scene\", \"version\": 1}") << QStringLiteral(": layers: missing");
        QTest::newRow("no layer") << oneLayer("") << QStringLiteral(": layers: needs at least one layer");
        QTest::newRow("width missing") << oneLayer(base + ", {\"height\": 1, \"bitsPerPixel\": 32, \"fill\": \"#FF000000\"}")
                                       << QStringLiteral(": layers[1].width: missing");
        QTest::newRow("width as string") << oneLayer(base + ", {\"width\": \"10\", \"height\": 1, \"bitsPerPixel\": 32}")
                                         << QStringLiteral(": layers[1].width: expected a number");
        QTest::newRow("fractional") << oneLayer("{\"width\": 2.5, \"height\": 1, \"bitsPerPixel\": 32}")
                                    << QStringLiteral(": layers[0].width: expected a whole number from 1 to 16384");
        QTest::newRow("depth") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 12, \"fill\": 0}")
                               << QStringLiteral(": layers[0].bitsPerPixel: expected 1, 2, 4, 8 (indexed) or 16, 24, 32");
        QTest::newRow("position") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"position\": [1], \"fill\": \"#000000\"}")
                                  << QStringLiteral(": layers[0].position: expected an array of two numbers");
        QTest::newRow("origin element") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"virtualHeight\": 4, \"origin\": [0, \"1\"], \"fill\": \"#000000\"}")
                                        << QStringLiteral(": layers[0].origin[1]: expected a number");
        QTest::newRow("origin outside") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"virtualHeight\": 4, \"origin\": [0, 4], \"fill\": \"#000000\"}")
                                        << QStringLiteral(": layers[0].origin: the visible window leaves the virtual screen");
        QTest::newRow("colour") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"fill\": \"red\"}")
                                << QStringLiteral(": layers[0].fill: \"red\" is not a colour");
        QTest::newRow("palette entry") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 8, \"fill\": 0, \"palette\": [\"#000000\", 5]}")
                                       << QStringLiteral(": layers[0].palette[1]: expected a colour string");
        QTest::newRow("palette missing") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 8, \"fill\": 0}")
                                         << QStringLiteral(": layers[0].palette: missing");
        QTest::newRow("fill beyond palette") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 8, \"fill\": 2, \"palette\": [\"#000000\", \"#FFFFFF\"]}")
                                             << QStringLiteral(": layers[0].fill: expected a whole number from 0 to 1");
        QTest::newRow("neither") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32}")
                                 << QStringLiteral(": layers[0]: needs an \"image\" or a \"fill\"");
        QTest::newRow("both") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"fill\": \"#000000\", \"image\": \"rgb.png\"}")
                              << QStringLiteral(": layers[0]: has both");
        QTest::newRow("image missing") << oneLayer("{\"width\": 4, \"height\": 4, \"bitsPerPixel\": 32, \"image\": \"nowhere.png\"}")
                                       << QStringLiteral(": layers[0].image: cannot read image \"nowhere.png\"");
        QTest::newRow("image size") << oneLayer(base + ", {\"width\": 5, \"height\": 4, \"bitsPerPixel\": 32, \"virtualHeight\": 8, \"image\": \"rgb.png\"}")
                                    << QStringLiteral(": layers[1].image: image \"rgb.png\" is 4 x 4 pixels, expected 5 x 8 or 5 x 4");
        QTest::newRow("image kind") << oneLayer("{\"width\": 4, \"height\": 4, \"bitsPerPixel\": 8, \"image\": \"rgb.png\"}")
                                    << QStringLiteral(": layers[0].image: image \"rgb.png\" is not an indexed PNG");
        QTest::newRow("index beyond palette") << oneLayer("{\"width\": 4, \"height\": 4, \"bitsPerPixel\": 8, \"image\": \"indexed.png\", \"palette\": [\"#000000\"]}")
                                              << QStringLiteral(": layers[0].image: pixel (1, 0) has index 1, the palette has 1 entries");
        QTest::newRow("palette on true colour") << oneLayer("{\"width\": 1, \"height\": 1, \"bitsPerPixel\": 32, \"fill\": \"#000000\", \"palette\": [\"#000000\"]}")
                                                << QStringLiteral(": layers[0].palette: only an 8-bpp layer has a palette");
        QTest::newRow("too large") << oneLayer("{\"width\": 16384, \"height\": 16384, \"bitsPerPixel\": 32, \"fill\": \"#000000\"}")
                                   << QStringLiteral(": layers[0]: the layer needs 1073745920 bytes, more than 256 MiB");
        QTest::newRow("window class") << QByteArray("{\"format\": \"noxel-scene\", \"version\": 1, \"windowClass\": \"Other\"}")
                                      << QStringLiteral(": windowClass: expected \"GUI Simulation Mainframe\" or \"GUI Device\"");
        QTest::newRow("display") << QByteArray("{\"format\": \"noxel-scene\", \"version\": 1, \"display\": {\"width\": 70000, \"height\": 1}}")
                                 << QStringLiteral(": display.width: expected a whole number from 1 to 65535");
        QByteArray many;
        for (int i = 0; i < 21; ++i)
            many += (i ? ", " : "") + base;
        QTest::newRow("21 layers") << oneLayer(many) << QStringLiteral(": layers: has 21 layers, at most 20 are allowed");
    }

    void errorsNameFileFieldAndReason()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QImage rgb(4, 4, QImage::Format_ARGB32);
        rgb.fill(0xFF00FF00u);
        QVERIFY(rgb.save(env.root() + QStringLiteral("/rgb.png")));
        QImage indexed(4, 4, QImage::Format_Indexed8);
        indexed.setColorTable({0xFF000000u, 0xFFFFFFFFu});
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                indexed.setPixel(x, y, x % 2);
        QVERIFY(indexed.save(env.root() + QStringLiteral("/indexed.png")));

        const QString file = writeFile(QStringLiteral("bad.json"), json);
        sim::Scene scene;
        QString error;
        QVERIFY(!sim::loadSceneFile(file, &scene, &error));
        QVERIFY2(error.startsWith(file + QLatin1Char(':')), qPrintable(error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(!error.contains(QLatin1Char('\n')));
        QVERIFY(scene.layers.isEmpty());
    }

    void unreadableFileIsOneLine()
    {
        const QString file = env.root() + QStringLiteral("/missing.json");
        sim::Scene scene;
        QString error;
        QVERIFY(!sim::loadSceneFile(file, &scene, &error));
        QVERIFY2(error.startsWith(file + QStringLiteral(": (file): cannot read it")), qPrintable(error));
        QVERIFY(!error.contains(QLatin1Char('\n')));
    }

    void colours()
    {
        quint32 c = 0;
        QVERIFY(sim::parseColor(QStringLiteral("#102030"), &c));
        QCOMPARE(c, 0xFF102030u);
        QVERIFY(sim::parseColor(QStringLiteral("#00102030"), &c));
        QCOMPARE(c, 0x00102030u);
        QVERIFY(!sim::parseColor(QStringLiteral("102030"), &c));
        QVERIFY(!sim::parseColor(QStringLiteral("#1020"), &c));
        QVERIFY(!sim::parseColor(QStringLiteral("#10203G"), &c));
        // Library format 0xTTBBGGRR with TT = 255 - alpha, and back.
        QCOMPARE(sim::toLibraryColor(0xFF0000FFu), 0x00FF0000u);
        QCOMPARE(sim::toLibraryColor(0x00000000u), 0xFF000000u);
        QCOMPARE(libraryArgb(sim::toLibraryColor(0x80123456u)), 0x80123456u);
    }
};

QTEST_MAIN(TestSceneFile)
#include "tst_scenefile.moc"
