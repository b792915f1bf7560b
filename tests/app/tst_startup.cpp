// Start-up: the window's title and size, the settings it creates and
// loads, and the load timer finding a running publisher's layers.
#include "app/mainwindow.h"
#include "app/settings.h"
#include "app/version.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"

#include <QLabel>
#include <QSettings>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void init() { env.resetSettings(); }

    void titleSizeAndSearchText()
    {
        QCOMPARE(versionText(), QStringLiteral("6.26d"));
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("noXelView V6.26d"));
        QCOMPARE(w.size(), QSize(350, 300));
        bool found = false;
        for (QLabel *label : w.findChildren<QLabel *>())
            found = found || label->text() == QStringLiteral("No simulation found.");
        QVERIFY(found);
        QVERIFY(w.Layers().isEmpty());
        QCOMPARE(int(w.alphaMode), 255);
    }

    void firstStartCreatesTheNineDefaults()
    {
        MainWindow w;
        QSettings s;
        QCOMPARE(s.value("DefaultGridColor").toInt(), -12632257);
        QCOMPARE(s.value("DefaultGridDrawMode").toInt(), 0);
        QCOMPARE(s.value("AlwaysOnTop").toInt(), 0);
        QCOMPARE(s.value("MultiDisplay").toInt(), 0);
        QCOMPARE(s.value("TransDrawMode").toInt(), 0);
        QCOMPARE(s.value("TransDrawColor").toInt(), int(0xFF000000));
        QCOMPARE(s.value("HideManualWarning").toInt(), 0);
        QCOMPARE(s.value("HighlightPaletteColors").toInt(), 0);
        QCOMPARE(s.value("HighlightSelection").toInt(), 1);
        QVERIFY(!s.contains("MinimalView"));
        QCOMPARE(w.defaultGridColor, 0xFF3F3F3Fu);
        QCOMPARE(w.highlightSelection, 1);
        QCOMPARE(w.LayerWord(), QStringLiteral("Layer"));
    }

    void storedValuesSurviveStartUp()
    {
        WriteSetting("HighlightSelection", 0);
        WriteSetting("TransDrawColor", 0x00FF0000);
        WriteSetting("MultiDisplay", 1);
        WriteSetting("MinimalView", 1);
        MainWindow w;
        QCOMPARE(ReadSetting("HighlightSelection"), 0);
        QCOMPARE(w.highlightSelection, 0);
        QCOMPARE(w.transDrawColor, 16711680u);
        QCOMPARE(w.LayerWord(), QStringLiteral("Display"));
        // Minimal view is written but never read back.
        QCOMPARE(w.minimalView, 0);
    }

    void settingsHelpers()
    {
        InitSetting("Probe", 5);
        QCOMPARE(ReadSetting("Probe"), 5);
        InitSetting("Probe", 9); // an existing key is left alone
        QCOMPARE(ReadSetting("Probe"), 5);
        QCOMPARE(ReadSetting("Absent"), 0);
        QSettings().setValue("TransDrawMode", QStringLiteral("tiles"));
        QCOMPARE(ReadSetting("TransDrawMode"), 0);
        MainWindow w;
        QCOMPARE(w.transDrawMode, 0);
    }

    void loadTimerFindsARunningPublisher()
    {
        MainWindow w;
        // A scan of the empty runtime directory finds nothing.
        w.OnTimerLoad();
        QVERIFY(w.Layers().isEmpty());
        QVERIFY(w.LayerViews().isEmpty());

        sim::Publisher pub;
        pub.createGlobal(0);
        sim::LayerSpec a;
        a.xSize = 32;
        a.ySize = 16;
        pub.createLayer(0, a);
        sim::LayerSpec b = a;
        b.numColors = 16;
        b.bitsPerPixel = 4;
        pub.createLayer(1, b);
        QVERIFY(pub.holdPresence(simlink::DeviceWindowClass));

        QTRY_COMPARE(w.Layers().size(), 2);
        QCOMPARE(w.layerCount, 2u);
        QCOMPARE(int(w.alphaMode), 0);
        QCOMPARE(w.Layers()[1].bitsPerPixel, 4);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
