// The tool against a simulation built on libnoxelpublish alone (confsim, a C
// program), as separate processes: the real noxelview's snapshot of every
// layer kind compared pixel by pixel, then a main window driven as a user
// does, whose pointer and keys the simulation reads back through the
// library; hide and show, a second simulation refused, a crash and a restart.
#include "confscene.h"
#include "windowfixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

class TestConformance : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    // Starts confsim in the test's runtime directory; true once it has
    // published.
    static bool startSim(QProcess &sim, const QStringList &args = {})
    {
        sim.setProgram(QStringLiteral(NOXEL_CONFSIM));
        sim.setArguments(args);
        sim.start();
        if (!sim.waitForStarted(10000))
            return false;
        while (!sim.canReadLine())
            if (!sim.waitForReadyRead(10000))
                return false;
        return sim.readLine().trimmed() == "ready";
    }

    // One command, its first reply line.
    static QString ask(QProcess &sim, const QByteArray &command)
    {
        sim.write(command + '\n');
        return reply(sim);
    }
    static QString reply(QProcess &sim)
    {
        while (!sim.canReadLine())
            if (!sim.waitForReadyRead(10000))
                return QString();
        return QString::fromLatin1(sim.readLine().trimmed());
    }

    static void stopSim(QProcess &sim)
    {
        sim.write("quit\n");
        if (!sim.waitForFinished(10000))
            sim.kill();
        sim.waitForFinished(10000);
    }

    // The keys the simulation takes from layer n, "CODE PRESSED" each.
    static QStringList takeKeys(QProcess &sim, int n)
    {
        QStringList keys;
        QString line = ask(sim, "key " + QByteArray::number(n));
        const QString prefix = QStringLiteral("key %1 ").arg(n);
        for (; line.startsWith(prefix); line = reply(sim))
            keys.append(line.mid(prefix.size()));
        if (line != QStringLiteral("keys %1 done").arg(n))
            keys.append(QStringLiteral("unexpected: ") + line);
        return keys;
    }

    PaintWidget *paint(int n) const { return fx.view(n)->GetPaintWidget(); }

    // Window up, every view built, the pointer off the paint widgets.
    bool openWindowOver(int layers)
    {
        return fx.openWindow() && fx.waitForViews(layers, WindowFixture::WithComposite);
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    // noxelview --snapshot sees each layer exactly as the simulation stored
    // it; with inverted alpha the snapshot undoes the inversion.
    void snapshotIsPixelExact_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("ordinary alpha") << QStringList();
        QTest::newRow("inverted alpha") << QStringList{QStringLiteral("--inverted")};
    }
    void snapshotIsPixelExact()
    {
        QFETCH(QStringList, args);
        QProcess sim;
        QVERIFY(startSim(sim, args));
        const QString out = fx.env.root() + QStringLiteral("/snap");
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(NOXEL_TOOL), {QStringLiteral("--snapshot"), out, QStringLiteral("--wait"), QStringLiteral("10")});
        QVERIFY(tool.waitForFinished(30000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        stopSim(sim);

        QFile json(out + QStringLiteral("/scene.json"));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject root = QJsonDocument::fromJson(json.readAll()).object();
        QCOMPARE(root.value(QLatin1String("alphaMode")).toInt(), args.isEmpty() ? 1 : 0);
        const QJsonObject display = root.value(QLatin1String("display")).toObject();
        QCOMPARE(display.value(QLatin1String("width")).toInt(), int(ConfDisplayWidth));
        QCOMPARE(display.value(QLatin1String("height")).toInt(), int(ConfDisplayHeight));
        QCOMPARE(display.value(QLatin1String("background")).toString(), QStringLiteral("#FF102030"));
        const QJsonArray layers = root.value(QLatin1String("layers")).toArray();
        QCOMPARE(layers.size(), int(ConfLayers));

        for (int n = 0; n < ConfLayers; ++n) {
            const int *s = ConfShape[n];
            const QJsonObject l = layers.at(n).toObject();
            QCOMPARE(l.value(QLatin1String("bitsPerPixel")).toInt(), s[4]);
            QCOMPARE(l.value(QLatin1String("position")).toArray(), (QJsonArray{s[6], s[7]}));
            QCOMPARE(l.value(QLatin1String("transMode")).toInt(), s[8]);
            const QImage image(out + QStringLiteral("/layer%1.png").arg(n));
            const int w = s[0];
            const int h = s[3] ? s[3] : s[1];
            QCOMPARE(image.size(), QSize(w, h));
            int wrong = 0;
            if (s[5]) {
                QCOMPARE(image.format(), QImage::Format_Indexed8);
                for (int i = 0; i < s[5]; ++i)
                    QCOMPARE(image.color(i), QRgb(conf_palette(n, i)));
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        wrong += uint(image.pixelIndex(x, y)) != conf_pixel(n, x, y);
            } else {
                const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        wrong += argb.pixel(x, y) != conf_pixel(n, x, y);
            }
            QVERIFY2(wrong == 0, qPrintable(QStringLiteral("layer %1: %2 pixels differ").arg(n).arg(wrong)));
        }
        QCOMPARE(layers.at(4).toObject().value(QLatin1String("origin")).toArray(), (QJsonArray{0, int(ConfOriginY)}));
        QCOMPARE(layers.at(5).toObject().value(QLatin1String("keyColorMax")).toString(), QStringLiteral("#00101010"));
        QCOMPARE(layers.at(6).toObject().value(QLatin1String("alpha")).toInt(), int(ConfLayerAlpha));
    }

    // Pointer and keys given in the views arrive in the layer the view
    // shows, read back through noxel_layer_pointer and noxel_layer_take_key.
    void pointerAndKeysReachTheSimulation()
    {
        QProcess sim;
        QVERIFY(startSim(sim));
        QVERIFY(openWindowOver(ConfLayers));

        const int zoom = fx.view(0)->GetZoom();
        QTest::mousePress(paint(0), Qt::LeftButton, Qt::NoModifier, fixture::at(5, 6, zoom));
        QCOMPARE(ask(sim, "pointer 0"), QStringLiteral("pointer 0 5 6 1"));
        QTest::mouseRelease(paint(0), Qt::LeftButton, Qt::NoModifier, fixture::at(5, 6, zoom));
        QCOMPARE(ask(sim, "pointer 0"), QStringLiteral("pointer 0 5 6 0"));
        const int zoom2 = fx.view(2)->GetZoom();
        QTest::mousePress(paint(2), Qt::LeftButton, Qt::NoModifier, fixture::at(3, 4, zoom2));
        QCOMPARE(ask(sim, "pointer 2"), QStringLiteral("pointer 2 3 4 1"));
        QTest::mouseRelease(paint(2), Qt::LeftButton, Qt::NoModifier, fixture::at(3, 4, zoom2));

        QTest::keyPress(paint(1), Qt::Key_Left);
        QCOMPARE(takeKeys(sim, 1), QStringList{QStringLiteral("16 1")});
        QTest::keyRelease(paint(1), Qt::Key_Left);
        QCOMPARE(takeKeys(sim, 1), QStringList{QStringLiteral("16 0")});
        QCOMPARE(takeKeys(sim, 1), QStringList());
        // One word per layer: a release written before the simulation took
        // the press replaces it.
        QTest::keyPress(paint(3), Qt::Key_A);
        QTest::keyRelease(paint(3), Qt::Key_A);
        QCOMPARE(takeKeys(sim, 3), QStringList{QStringLiteral("97 0")});
        QCOMPARE(takeKeys(sim, 0), QStringList());
        stopSim(sim);
    }

    // Hide: the window goes, the views with it; show: they come back with
    // the zoom they had.
    void hideAndShowRebuildTheViews()
    {
        QProcess sim;
        QVERIFY(startSim(sim));
        QVERIFY(openWindowOver(ConfLayers));
        fx.view(0)->SetZoom(3);
        QCOMPARE(ask(sim, "hide"), QStringLiteral("hide 0"));
        QVERIFY(fx.waitForViews(0));
        QCOMPARE(ask(sim, "show"), QStringLiteral("show 0"));
        QVERIFY(fx.waitForViews(ConfLayers, WindowFixture::WithComposite));
        QCOMPARE(fx.view(0)->GetZoom(), 3);
        stopSim(sim);
        QVERIFY(fx.waitForViews(0));
    }

    // One simulation per runtime directory: the second one says why and
    // ends; the first keeps running and is still served.
    void secondSimulationIsRefused()
    {
        QProcess first;
        QVERIFY(startSim(first));
        QProcess second;
        second.start(QStringLiteral(NOXEL_CONFSIM), QStringList());
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()).trimmed(),
                 QStringLiteral("confsim: another simulation already runs in %1").arg(fx.env.runtimeDir()));
        QVERIFY(openWindowOver(ConfLayers));
        QTest::mousePress(paint(0), Qt::LeftButton, Qt::NoModifier, fixture::at(1, 2, fx.view(0)->GetZoom()));
        QCOMPARE(ask(first, "pointer 0"), QStringLiteral("pointer 0 1 2 1"));
        stopSim(first);
    }

    // A killed simulation takes its window with it; the next one starts
    // over its leftovers and is shown and served again.
    void crashAndRestart()
    {
        QProcess sim;
        QVERIFY(startSim(sim));
        QVERIFY(openWindowOver(ConfLayers));
        sim.kill(); // SIGKILL: nothing is cleaned up
        QVERIFY(sim.waitForFinished(10000));
        QVERIFY(fx.waitForViews(0));
        QVERIFY(!QDir(fx.env.runtimeDir()).entryList({QStringLiteral("noXelLCDMap*")}, QDir::Files).isEmpty());

        QProcess again;
        QVERIFY(startSim(again));
        QVERIFY(fx.waitForViews(ConfLayers, WindowFixture::WithComposite));
        QTest::mousePress(paint(4), Qt::LeftButton, Qt::NoModifier, fixture::at(7, 8, fx.view(4)->GetZoom()));
        QCOMPARE(ask(again, "pointer 4"), QStringLiteral("pointer 4 7 8 1"));
        stopSim(again);
        QVERIFY(fx.waitForViews(0));
    }
};

QTEST_MAIN(TestConformance)
#include "tst_conformance.moc"
