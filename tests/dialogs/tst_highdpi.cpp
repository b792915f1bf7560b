// Pixel-exact windows on a high-DPI screen: the offscreen screen here
// reports 144 logical dpi (a 150 % screen). With Qt's own scaling turned off
// the tool's windows have a device-pixel ratio of 1 and the tool scales its
// fixed sizes by 1.5 itself. A second run of this program without turning
// the scaling off shows that the screen really would be scaled by Qt.
#include "dialogs/buttons.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/scale.h"
#include "windowfixture.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <cstdio>
#include <cstring>

namespace {

QString g_configFile;
bool g_probeOnly = false;

// Prints the device-pixel ratio of a shown widget (the probe run).
int Probe()
{
    QWidget widget;
    widget.resize(50, 50);
    widget.show();
    std::printf("dpr=%g\n", widget.devicePixelRatioF());
    return 0;
}

} // namespace

class TestHighDpi : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    void screenScaleIsLogicalDpiOver96()
    {
        SetScale(0);
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 144.0);
        QCOMPARE(GetScale(), 1.5f);
        // An override wins until it is cleared.
        SetScale(2.75f);
        QCOMPARE(GetScale(), 2.75f);
        SetScale(0);
        QCOMPARE(GetScale(), 1.5f);
    }

    void windowsAreOneDevicePixelPerPixel()
    {
        SetScale(0);
        QVERIFY(fx.openWindow());
        MainWindow &window = *fx.window;
        QCOMPARE(window.devicePixelRatioF(), 1.0);
        QCOMPARE(window.windowHandle()->devicePixelRatio(), 1.0);

        GridSetting record;
        GridColorDialog dialog(&window, &record, QStringLiteral("Grid"));
        dialog.show();
        QCOMPARE(dialog.devicePixelRatioF(), 1.0);
        // A widget painted by the tool fills exactly its own pixel size.
        QCOMPARE(dialog.grab().size(), dialog.size());
    }

    void fixedSizesFollowTheScreen()
    {
        SetScale(0);
        CButton button(nullptr);
        QCOMPARE(button.size(), QSize(48, 48));
        button.SetButton(ButtonHand);
        QCOMPARE(button.iconSize(), QSize(48, 48));
        const QImage expected = QImage(QStringLiteral(":/Resource/Scale_150/Hand_48x48.png"))
                                    .convertToFormat(QImage::Format_ARGB32);
        const QString diff = imagecompare::differenceAfterRoundTrip(
            button.icon().pixmap(QSize(48, 48)).toImage().convertToFormat(QImage::Format_ARGB32), expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        ColorField field(nullptr, 0xFF000000);
        QCOMPARE(field.sizeHint(), QSize(120, 30));
    }

    void withoutTurningScalingOffQtWouldScale()
    {
        QProcess probe;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"));
        probe.setProcessEnvironment(environment);
        probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe"), g_configFile});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(probe.readAllStandardOutput()).trimmed(), QStringLiteral("dpr=1.5"));
    }

    void aSettingOfTheUserIsRespected()
    {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
        DisableAutomaticHighDpiScaling();
        QCOMPARE(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), QByteArray("1"));
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
        DisableAutomaticHighDpiScaling();
        QCOMPARE(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), QByteArray("0"));
    }
};

int main(int argc, char *argv[])
{
    // A 150 % offscreen screen.
    QTemporaryDir dir;
    g_probeOnly = argc == 3 && std::strcmp(argv[1], "--probe") == 0;
    g_configFile = g_probeOnly ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("screen.json"));
    if (!g_probeOnly) {
        QFile config(g_configFile);
        if (!config.open(QIODevice::WriteOnly))
            return 1;
        config.write(R"({"screens": [{"name": "Wide", "x": 0, "y": 0, "width": 1600, "height": 1000,
                          "logicalDpi": 144, "logicalBaseDpi": 96, "dpr": 1}]})");
        config.close();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + g_configFile.toLocal8Bit());

    if (g_probeOnly) {
        QApplication app(argc, argv);
        return Probe();
    }

    // As the program does at start: the test environment may have set the
    // variable already, so clear it first to see the tool's own step work.
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    DisableAutomaticHighDpiScaling();
    QApplication app(argc, argv);
    TestHighDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"
