// The compiled-in pictures and the scaled widgets: every icon file at its
// pixel size, the lookup for stored and rescaled display scales, the
// toolbar button table, CloseButton, IconWidget, ColorField, the
// transparency tiles, the About logo and the application icon.
#include "dialogs/artwork.h"
#include "dialogs/buttons.h"
#include "dialogs/scale.h"
#include "imagecompare.h"
#include "testenv.h"
#include "views/cwidget.h"

#include <QFile>
#include <QSet>
#include <QtTest>

namespace {

struct ExpectedSize
{
    const char *name;
    int width[9];
    int height[9];
};

const int Percents[9] = {100, 125, 150, 175, 200, 225, 250, 300, 350};
const ExpectedSize Expected[10] = {
    {"Grid", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"GridColor", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"Hand", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"Selection", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"ZoomPlus", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"ZoomMinus", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"Palette", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"Close", {32, 40, 48, 56, 64, 72, 80, 96, 112}, {32, 40, 48, 56, 64, 72, 80, 96, 112}},
    {"SelSize", {13, 16, 19, 22, 27, 30, 34, 38, 47}, {12, 15, 17, 20, 25, 27, 31, 35, 42}},
    {"SelPos", {11, 13, 17, 19, 23, 25, 27, 35, 42}, {11, 13, 17, 19, 23, 25, 27, 35, 42}},
};

QString ExpectedPath(int s, int id)
{
    return QStringLiteral(":/Resource/Scale_%1/%2_%3x%4.png")
        .arg(Percents[s])
        .arg(QLatin1String(Expected[id].name))
        .arg(Expected[id].width[s])
        .arg(Expected[id].height[s]);
}

using imagecompare::iconImage;

// An icon shows its picture file through a premultiplied pixmap.
#define COMPARE_ICON(icon, path) \
    do { \
        const QString diff = imagecompare::differenceAfterRoundTrip(iconImage(icon), Argb(QImage(path))); \
        QVERIFY2(diff.isEmpty(), qPrintable((path) + QStringLiteral(": ") + diff)); \
    } while (false)

QImage Argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A panel that counts its CloseView calls.
class CountingPanel : public CWidget
{
public:
    CountingPanel()
        : CWidget(nullptr)
    {
    }
    void CloseView() override { ++closed; }
    void SaveState(ViewState *) override {}
    void RestoreState(const ViewState *) override {}
    int GetId() override { return 0; }
    int closed = 0;
};

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void cleanup() { SetScale(0); }

    void everyPictureExistsAtItsSizeAndIsDrawn()
    {
        EnsureArtworkResources();
        for (int s = 0; s < 9; ++s)
            for (int id = 0; id < 10; ++id) {
                const QString path = ExpectedPath(s, id);
                QVERIFY2(QFile::exists(path), qPrintable(path));
                QCOMPARE(ScaledIconFileName(Percents[s], IconId(id)), path);
                const QImage image = Argb(QImage(path));
                QCOMPARE(image.size(), QSize(Expected[id].width[s], Expected[id].height[s]));
                QVERIFY2(image.hasAlphaChannel(), qPrintable(path));
                // Drawn, not blank: a fair share of covered pixels, several
                // colours, and a transparent surround.
                int covered = 0;
                QSet<QRgb> colours;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) {
                        const QRgb p = image.pixel(x, y);
                        if (qAlpha(p) > 128) {
                            ++covered;
                            colours.insert(p);
                        }
                    }
                const int area = image.width() * image.height();
                QVERIFY2(covered > area / 8 && covered < area, qPrintable(path));
                QVERIFY2(colours.size() >= 3, qPrintable(path));
            }
        QVERIFY(ScaledIconFileName(275, IconGrid).isEmpty());
        QVERIFY(ScaledIconFileName(100, IconId(10)).isEmpty());
        QVERIFY(ScaledIconFileName(100, IconNone).isEmpty());
    }

    void subjectsDifferFromEachOther()
    {
        // A copy-and-paste slip in the drawing would give two ids one picture.
        EnsureArtworkResources();
        for (int a = 0; a < 8; ++a)
            for (int b = a + 1; b < 8; ++b)
                QVERIFY2(QImage(ExpectedPath(0, a)) != QImage(ExpectedPath(0, b)),
                         qPrintable(ExpectedPath(0, a) + " == " + ExpectedPath(0, b)));
    }

    void storedScalesUseTheirOwnSet_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("scaleIndex");
        QTest::addColumn<int>("buttonSide");
        QTest::newRow("96 dpi") << 96 << 0 << 32;
        QTest::newRow("120 dpi") << 120 << 1 << 40;
        QTest::newRow("144 dpi") << 144 << 2 << 48;
        QTest::newRow("168 dpi") << 168 << 3 << 56;
        QTest::newRow("192 dpi") << 192 << 4 << 64;
        QTest::newRow("336 dpi") << 336 << 8 << 112;
    }

    void storedScalesUseTheirOwnSet()
    {
        QFETCH(int, dpi);
        QFETCH(int, scaleIndex);
        QFETCH(int, buttonSide);
        SetScale(float(dpi / 96.0));
        for (int id = 0; id < 10; ++id)
            COMPARE_ICON(GetScaledIcon(IconId(id)), ExpectedPath(scaleIndex, id));
        CButton button(nullptr);
        QCOMPARE(button.size(), QSize(buttonSide, buttonSide));
        button.SetButton(ButtonGrid);
        QCOMPARE(button.iconSize(), QSize(buttonSide, buttonSide));
    }

    void otherScalesRescaleTheLargestSet_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSize>("toolbar");
        QTest::addColumn<QSize>("selSize");
        QTest::addColumn<QSize>("selPos");
        QTest::addColumn<int>("buttonSide");
        // 2.75: 112 -> 32 base -> 88; 47 x 42 -> 13 x 12 -> 36 x 33; 42 -> 12 -> 33.
        QTest::newRow("264 dpi") << 264 << QSize(88, 88) << QSize(36, 33) << QSize(33, 33) << 88;
        // 110 / 96 = 1.1458: percent 114 has no set. 32 * 1.1458 = 36.7 -> 37,
        // while the button truncates to 36.
        QTest::newRow("110 dpi") << 110 << QSize(37, 37) << QSize(15, 14) << QSize(14, 14) << 36;
    }

    void otherScalesRescaleTheLargestSet()
    {
        QFETCH(int, dpi);
        QFETCH(QSize, toolbar);
        QFETCH(QSize, selSize);
        QFETCH(QSize, selPos);
        QFETCH(int, buttonSide);
        const float scale = float(dpi / 96.0);
        SetScale(scale);
        QCOMPARE(GetScale(), scale);
        for (int id = 0; id < 10; ++id) {
            const QImage image = iconImage(GetScaledIcon(IconId(id)));
            const QSize expectedSize = id == IconSelSize ? selSize : id == IconSelPos ? selPos : toolbar;
            QCOMPARE(image.size(), expectedSize);
            // Smoothly scaled from the 350 % picture, not taken from a nearby
            // set: the same scaling of the premultiplied picture here.
            const QImage smooth = QImage(ExpectedPath(8, id))
                                      .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                      .scaled(expectedSize, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            const QString diff = imagecompare::fuzzyDifference(image, smooth);
            QVERIFY2(diff.isEmpty(), qPrintable(ExpectedPath(8, id) + QStringLiteral(": ") + diff));
        }
        CButton button(nullptr);
        QCOMPARE(button.size(), QSize(buttonSide, buttonSide));
        button.SetButton(ButtonZoomIn);
        QCOMPARE(button.iconSize(), toolbar);
    }

    void invalidIconIdsGiveNoPicture()
    {
        QVERIFY(GetScaledIcon(IconNone).isNull());
        QVERIFY(GetScaledIcon(IconId(10)).isNull());
        CButton button(nullptr);
        button.SetButton(ButtonId(99)); // ignored
        button.SetButton(ButtonId(-1));
        QVERIFY(button.icon().isNull());
        QVERIFY(button.toolTip().isEmpty());
    }

    void buttonTableRows_data()
    {
        QTest::addColumn<int>("buttonId");
        QTest::addColumn<int>("iconId");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<bool>("disabled");
        QTest::newRow("grid") << 0 << 0 << ""
                              << "<b>Grid</b><br>Toggles the pixel grid. Usable if zoom level is 300% or more."
                              << true << true;
        QTest::newRow("grid color") << 1 << 1 << ""
                                    << "<b>Grid Color</b><br>Edit the grid color and grid mode for this layer."
                                    << false << false;
        QTest::newRow("reset") << 2 << -1 << "1:1" << "Reset zoom" << false << true;
        QTest::newRow("hand") << 3 << 2 << ""
                              << "<b>Hand Tool</b><br>Drag to scroll when the layer has scrollbars."
                              << true << false;
        QTest::newRow("selection") << 4 << 3 << ""
                                   << "<b>Selection Tool</b><br>Measure or mark an area. Selected areas can be copied."
                                   << true << false;
        QTest::newRow("zoom in") << 5 << 4 << "" << "Zoom in" << false << false;
        QTest::newRow("zoom out") << 6 << 5 << "" << "Zoom out" << false << true;
        QTest::newRow("palette") << 7 << 6 << ""
                                 << "<b>Toggle Palette</b><br>Shows or hides the palette of the layer."
                                 << true << false;
        QTest::newRow("close") << 8 << 7 << "" << "" << false << false;
    }

    // Views are rebuilt on every connection: their buttons must share one
    // icon per picture and scale, or each build adds pixmaps to Qt's cache.
    void buttonsOfOneKindShareTheirIcon()
    {
        SetScale(1.0f);
        CButton first(nullptr);
        CButton second(nullptr);
        first.SetButton(ButtonHand);
        second.SetButton(ButtonHand);
        QCOMPARE(first.icon().cacheKey(), second.icon().cacheKey());
        QCOMPARE(GetScaledIcon(IconGrid).cacheKey(), GetScaledIcon(IconGrid).cacheKey());
        QVERIFY(GetScaledIcon(IconGrid).cacheKey() != GetScaledIcon(IconHand).cacheKey());
        // Another scale has its own icon, at its own size.
        SetScale(2.0f);
        const QIcon larger = GetScaledIcon(IconHand);
        QVERIFY(larger.cacheKey() != first.icon().cacheKey());
        QCOMPARE(larger.actualSize(QSize(65535, 65535)), QSize(64, 64));
        SetScale(1.0f);
        QCOMPARE(GetScaledIcon(IconHand).cacheKey(), first.icon().cacheKey());
    }

    void buttonTableRows()
    {
        QFETCH(int, buttonId);
        QFETCH(int, iconId);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(bool, checkable);
        QFETCH(bool, disabled);
        SetScale(1.0f);
        CButton button(nullptr);
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
        button.SetButton(ButtonId(buttonId));
        QCOMPARE(button.text(), text);
        QCOMPARE(button.toolTip(), toolTip);
        QCOMPARE(button.isCheckable(), checkable);
        QCOMPARE(button.isEnabled(), !disabled);
        if (iconId < 0) {
            QVERIFY(button.icon().isNull());
        } else {
            COMPARE_ICON(button.icon(), ExpectedPath(0, iconId));
            QCOMPARE(button.iconSize(), QSize(32, 32));
        }
    }

    void closeButtonClosesItsPanelOnRelease()
    {
        SetScale(1.0f);
        CountingPanel panel;
        CloseButton *layerClose = new CloseButton(&panel, QStringLiteral("Close layer"));
        CloseButton *paletteClose = new CloseButton(&panel, QStringLiteral("Close palette"));
        // The panel connects the button to its CloseView.
        connect(layerClose, &CloseButton::closeClicked, &panel, &CountingPanel::CloseView);
        connect(paletteClose, &CloseButton::closeClicked, &panel, &CountingPanel::CloseView);
        QCOMPARE(layerClose->parentWidget(), &panel);
        QCOMPARE(layerClose->toolTip(), QStringLiteral("Close layer"));
        QCOMPARE(paletteClose->toolTip(), QStringLiteral("Close palette"));
        COMPARE_ICON(layerClose->icon(), ExpectedPath(0, IconClose));
        QVERIFY(layerClose->isEnabled());
        panel.show();
        QTest::mousePress(layerClose, Qt::LeftButton);
        QCOMPARE(panel.closed, 0); // acts on release, not on press
        QTest::mouseRelease(layerClose, Qt::LeftButton);
        QCOMPARE(panel.closed, 1);
        QTest::mouseClick(paletteClose, Qt::LeftButton);
        QCOMPARE(panel.closed, 2);
    }

    void iconWidgetShowsOnlyThePicture()
    {
        SetScale(2.0f);
        const QIcon icon = GetScaledIcon(IconSelSize);
        IconWidget widget(nullptr, icon);
        QCOMPARE(widget.size(), QSize(27, 25));
        QCOMPARE(widget.minimumSize(), widget.maximumSize());
        const QImage picture = iconImage(icon);
        const QImage shown = Argb(widget.grab().toImage());
        QCOMPARE(shown.size(), picture.size());
        // Opaque picture pixels show unchanged: no button frame over them.
        int opaque = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qAlpha(picture.pixel(x, y)) == 255) {
                    QCOMPARE(shown.pixel(x, y), picture.pixel(x, y));
                    ++opaque;
                }
        QVERIFY(opaque > 20);
    }

    void colorFieldSizeAndOpaqueFill()
    {
        SetScale(1.5f);
        ColorField field(nullptr, 0x00FF0000);
        QCOMPARE(field.sizeHint(), QSize(120, 30));
        QCOMPARE(field.sizePolicy().horizontalPolicy(), QSizePolicy::MinimumExpanding);
        QCOMPARE(field.sizePolicy().verticalPolicy(), QSizePolicy::MinimumExpanding);
        field.resize(field.sizeHint());
        QImage shown = Argb(field.grab().toImage());
        QCOMPARE(shown.pixel(0, 0), 0xFFFF0000u); // alpha byte ignored
        QCOMPARE(shown.pixel(119, 29), 0xFFFF0000u);
        field.SetColor(0x8000FF00);
        QCOMPARE(field.Color(), 0x8000FF00u);
        shown = Argb(field.grab().toImage());
        QCOMPARE(shown.pixel(60, 15), 0xFF00FF00u);
        // Disabled, the swatch still shows its colour.
        field.setEnabled(false);
        shown = Argb(field.grab().toImage());
        QCOMPARE(shown.pixel(60, 15), 0xFF00FF00u);
        QCOMPARE(field.Color(), 0x8000FF00u);
    }

    void transparencyTiles()
    {
        const QImage tile0 = TransparencyTile(0);
        const QImage tile1 = TransparencyTile(1);
        QCOMPARE(tile0.size(), QSize(10, 10));
        QCOMPARE(tile1.size(), QSize(10, 10));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool topLeftOrBottomRight = (x < 5 && y < 5) || (x >= 5 && y >= 5);
                const QRgb grey = 0xFF7F7F7F, light = 0xFFC3C3C3;
                QCOMPARE(tile0.pixel(x, y), topLeftOrBottomRight ? grey : light);
                QCOMPARE(tile1.pixel(x, y), topLeftOrBottomRight ? light : grey);
            }
        // Decoded once: later calls share the same data.
        QCOMPARE(TransparencyTile(0).cacheKey(), tile0.cacheKey());
        QCOMPARE(TransparencyTile(3).cacheKey(), tile1.cacheKey());
        QCOMPARE(TransparencyTile(-1).cacheKey(), tile1.cacheKey());
    }

    void aboutLogoAndApplicationIcon()
    {
        const QImage logo = AboutLogo().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(logo.size(), QSize(140, 70));
        QVERIFY(logo.hasAlphaChannel());
        int transparent = 0, opaque = 0;
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 140; ++x) {
                const int a = qAlpha(logo.pixel(x, y));
                transparent += a == 0;
                opaque += a == 255;
            }
        QVERIFY(transparent > 1000);
        QVERIFY(opaque > 1000);

        const QIcon icon = ApplicationIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (int side : {16, 32, 48, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        QCOMPARE(icon.pixmap(QSize(48, 48)).size(), QSize(48, 48));
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
