// The display scale on a 125 % screen (120 logical dpi; some desktops report
// it as a fraction such as 119.6), the high-DPI variable that the tool sets
// for itself only, and the colour field's look when disabled.
#include "dialogs/buttons.h"
#include "dialogs/scale.h"
#include "testenv.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QImage argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestScaleField : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void scaleUsesTheWidgetsIntegerDpi()
    {
        SetScale(0);
        QWidget widget;
        QCOMPARE(widget.logicalDpiX(), 120);
        QCOMPARE(WidgetDpi(QGuiApplication::primaryScreen()->logicalDotsPerInchX()), widget.logicalDpiX());
        QCOMPARE(GetScale(), 1.25f);
        // A fractional screen DPI is the integer the widget reports: 119.6
        // is 125 % (its stored icons, 40-pixel buttons), not 124.6 %.
        QCOMPARE(WidgetDpi(119.6), 120);
        QCOMPARE(WidgetDpi(120.4), 120);
        QCOMPARE(ScaleForDpi(120), 1.25f);
        QCOMPARE(WidgetDpi(144.4), 144);
        QCOMPARE(ScaleForDpi(96), 1.0f);
        // A screen without a resolution is the baseline.
        QCOMPARE(ScaleForDpi(0), 1.0f);
    }

    void fractional120DpiUsesTheStored125Set()
    {
        SetScale(0);
        CButton button(nullptr);
        QCOMPARE(button.size(), QSize(40, 40));
        ColorField field(nullptr, 0xFF000000);
        QCOMPARE(field.sizeHint(), QSize(100, 25));
        // The stored picture, sent through the same pixmap round trip as the
        // icon, not a smooth rescale of the largest set.
        for (const auto &[id, file] : {std::pair{int(IconHand), "Hand_40x40.png"}, {int(IconZoomPlus), "ZoomPlus_40x40.png"}}) {
            const QIcon icon = GetScaledIcon(IconId(id));
            const QImage stored(QStringLiteral(":/Resource/Scale_125/") + QLatin1String(file));
            QVERIFY(!stored.isNull());
            QCOMPARE(argb(icon.pixmap(QSize(40, 40)).toImage()), argb(QPixmap::fromImage(stored).toImage()));
        }
    }

    void scalingVariableIsGoneOnceTheApplicationExists()
    {
        // main() below did what the program does; Qt read the variable
        // (windows are one device pixel per pixel on this 125 % screen, where
        // Qt's own scaling would give 1.25) ...
        QWidget widget;
        widget.resize(40, 40);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(widget.devicePixelRatioF(), 1.0);
        // ... and programs the tool starts do not inherit it.
        QVERIFY(!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"));
        QProcess child;
        child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo \"[${QT_ENABLE_HIGHDPI_SCALING-unset}]\"")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("[unset]"));
    }

    void userValueOfTheScalingVariableIsKept()
    {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
        DisableAutomaticHighDpiScaling();
        ForgetHighDpiScalingVariable();
        QCOMPARE(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), QByteArray("1"));
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
        DisableAutomaticHighDpiScaling();
        QCOMPARE(qgetenv("QT_ENABLE_HIGHDPI_SCALING"), QByteArray("0"));
        ForgetHighDpiScalingVariable();
        QVERIFY(!qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"));
    }

    void colorFieldShowsItsColourEnabledOrNot()
    {
        // Alpha is not shown: the swatch is the opaque colour.
        ColorField field(nullptr, 0x80336699u);
        field.resize(30, 12);
        for (const bool enabled : {true, false}) {
            field.setEnabled(enabled);
            QImage image(field.size(), QImage::Format_ARGB32);
            image.fill(Qt::white);
            field.render(&image);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    QCOMPARE(image.pixel(x, y), 0xFF336699u);
        }
    }
};

int main(int argc, char *argv[])
{
    // A 125 % screen (the offscreen platform takes whole DPI values only).
    QTemporaryDir dir;
    const QString configFile = dir.filePath(QStringLiteral("screen.json"));
    QFile config(configFile);
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [{"name": "Fractional", "x": 0, "y": 0, "width": 1600, "height": 1000,
                      "logicalDpi": 120, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + configFile.toLocal8Bit());

    // As the program does at start (the test environment may have set the
    // variable already: clear it to see the tool's own steps work).
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    DisableAutomaticHighDpiScaling();
    QApplication app(argc, argv);
    ForgetHighDpiScalingVariable();
    TestScaleField test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scalefield.moc"
