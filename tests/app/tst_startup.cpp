// Start-up: the window's title and size, the settings it creates and
// loads, and the load timer finding a running publisher's layers.
#include "base/settings.h"
#include "base/version.h"
#include "windowfixture.h"

#include <QLabel>
#include <QSettings>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    void titleSizeAndSearchText()
    {
        QCOMPARE(versionText(), QStringLiteral("6.26d"));
        MainWindow &w = fx.newWindow();
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
        MainWindow &w = fx.newWindow();
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
        MainWindow &w = fx.newWindow();
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
        MainWindow &w = fx.newWindow();
        QCOMPARE(w.transDrawMode, 0);
    }

    void loadTimerFindsARunningPublisher()
    {
        MainWindow &w = fx.newWindow();
        // A scan of the empty runtime directory finds nothing.
        w.OnTimerLoad();
        QVERIFY(w.Layers().isEmpty());
        QVERIFY(w.LayerViews().isEmpty());

        // Alpha stored inverted, a 4-bit indexed layer, a device window.
        QVERIFY(fx.pub->createGlobal(0));
        QVERIFY(fx.pub->createLayer(0, sim::LayerSpec::of(32, 16)));
        QVERIFY(fx.pub->createLayer(1, sim::LayerSpec::of(32, 16, 16, 4)));
        QVERIFY(fx.pub->holdPresence(simlink::DeviceWindowClass));

        QTRY_COMPARE(w.Layers().size(), 2);
        QCOMPARE(w.layerCount, 2u);
        QCOMPARE(int(w.alphaMode), 0);
        QCOMPARE(w.Layers()[1].bitsPerPixel, 4);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
