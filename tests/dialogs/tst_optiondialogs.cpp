// The grid colour, transparency and multi layer/display dialogs, driven by
// clicks: preselection and enabling, the colour chooser (replaced, so that
// nothing blocks), and what OK and Cancel leave in the record and settings.
#include "base/settings.h"
#include "dialogs/buttons.h"
#include "dialogs/colorchooser.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/multidisplaydialog.h"
#include "dialogs/scale.h"
#include "dialogs/transparencydialog.h"
#include "testenv.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

namespace {

template <class T>
T *Child(QWidget *dialog, const char *name)
{
    T *child = dialog->findChild<T *>(QLatin1String(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

// Clicks a radio button on its indicator (a stretched button's centre may
// lie outside its clickable area).
void ClickRadio(QRadioButton *radio)
{
    QTest::mouseClick(radio, Qt::LeftButton, Qt::NoModifier, QPoint(6, radio->height() / 2));
}

void Click(QWidget *dialog, const char *name)
{
    QTest::mouseClick(Child<QPushButton>(dialog, name), Qt::LeftButton);
}

struct ChooserCall
{
    int count = 0;
    QColor initial;
    QWidget *parent = nullptr;
};

// A chooser that answers 'answer' and records how it was asked.
ColorChooser Answering(QColor answer, ChooserCall *call)
{
    return [answer, call](const QColor &initial, QWidget *parent) {
        ++call->count;
        call->initial = initial;
        call->parent = parent;
        return answer;
    };
}

void CheckOptionDialogFrame(QDialog *dialog)
{
    QVERIFY(dialog->isModal());
    QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->size(), dialog->layout()->sizeHint());
}

} // namespace

class TestOptionDialogs : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void init()
    {
        env.resetSettings();
        SetScale(1.0f);
    }
    void cleanup()
    {
        SetColorChooser(nullptr);
        SetScale(0);
    }

    // --- GridColorDialog ---

    void gridDialogBuild()
    {
        GridSetting record{0xFF3F3F3F, GridModeColor};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Select a default grid color"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select a default grid color"));
        CheckOptionDialogFrame(&dialog);
        QCOMPARE(dialog.findChild<QLabel *>()->text(), QStringLiteral("Draw grid as:"));
        QCOMPARE(Child<QRadioButton>(&dialog, "xorRadio")->text(), QStringLiteral("&Inverted pixels (XOR)"));
        QCOMPARE(Child<QRadioButton>(&dialog, "colorRadio")->text(), QStringLiteral("&Color"));
        QCOMPARE(Child<QPushButton>(&dialog, "chooseButton")->text(), QStringLiteral("Choose Color"));
        QCOMPARE(Child<QPushButton>(&dialog, "okButton")->text(), QStringLiteral("OK"));
        QCOMPARE(Child<QPushButton>(&dialog, "cancelButton")->text(), QStringLiteral("Cancel"));
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->Color(), 0xFF3F3F3Fu);

        // Left column top to bottom, OK and Cancel to its right.
        dialog.show();
        const int xorY = Child<QRadioButton>(&dialog, "xorRadio")->y();
        QVERIFY(dialog.findChild<QLabel *>()->y() < xorY);
        QVERIFY(xorY < Child<QRadioButton>(&dialog, "colorRadio")->y());
        QVERIFY(Child<QRadioButton>(&dialog, "colorRadio")->y() < Child<QPushButton>(&dialog, "chooseButton")->y());
        QVERIFY(Child<QPushButton>(&dialog, "chooseButton")->y() < Child<ColorField>(&dialog, "colorField")->y());
        QVERIFY(Child<QPushButton>(&dialog, "okButton")->x() > Child<ColorField>(&dialog, "colorField")->geometry().right());
        QVERIFY(Child<QPushButton>(&dialog, "okButton")->y() < Child<QPushButton>(&dialog, "cancelButton")->y());
    }

    void gridDialogPreselects_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("colorChecked");
        QTest::addColumn<bool>("xorChecked");
        QTest::addColumn<bool>("colorControlsEnabled");
        QTest::newRow("colour") << 0 << true << false << true;
        QTest::newRow("xor") << 1 << false << true << false;
        QTest::newRow("unknown") << 7 << false << false << true;
    }

    void gridDialogPreselects()
    {
        QFETCH(int, mode);
        QFETCH(bool, colorChecked);
        QFETCH(bool, xorChecked);
        QFETCH(bool, colorControlsEnabled);
        GridSetting record{0xFF102030, mode};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Grid color of Layer 0"));
        QCOMPARE(Child<QRadioButton>(&dialog, "colorRadio")->isChecked(), colorChecked);
        QCOMPARE(Child<QRadioButton>(&dialog, "xorRadio")->isChecked(), xorChecked);
        QCOMPARE(Child<QPushButton>(&dialog, "chooseButton")->isEnabled(), colorControlsEnabled);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->isEnabled(), colorControlsEnabled);
        QCOMPARE(dialog.Mode(), mode);
    }

    void gridDialogSwitchingModesKeepsTheChosenColour()
    {
        ChooserCall call;
        SetColorChooser(Answering(QColor(0x12, 0x34, 0x56), &call));
        GridSetting record{0xFF3F3F3F, GridModeColor};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Grid"));
        dialog.show();
        Click(&dialog, "chooseButton");
        QCOMPARE(call.count, 1);
        QCOMPARE(call.initial, QColor(0x3F, 0x3F, 0x3F));
        QCOMPARE(call.parent, &dialog);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->Color(), 0xFF123456u);

        ClickRadio(Child<QRadioButton>(&dialog, "xorRadio"));
        QCOMPARE(dialog.Mode(), int(GridModeXor));
        QVERIFY(!Child<QPushButton>(&dialog, "chooseButton")->isEnabled());
        QVERIFY(!Child<ColorField>(&dialog, "colorField")->isEnabled());
        // A disabled Choose Color does not open the chooser.
        Click(&dialog, "chooseButton");
        QCOMPARE(call.count, 1);

        ClickRadio(Child<QRadioButton>(&dialog, "colorRadio"));
        QCOMPARE(dialog.Mode(), int(GridModeColor));
        QVERIFY(Child<QPushButton>(&dialog, "chooseButton")->isEnabled());
        QVERIFY(Child<ColorField>(&dialog, "colorField")->isEnabled());
        QCOMPARE(dialog.Color(), 0xFF123456u);

        // Nothing reaches the record before OK.
        QCOMPARE(record.color, 0xFF3F3F3Fu);
        Click(&dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(record.color, 0xFF123456u);
        QCOMPARE(record.mode, int(GridModeColor));
    }

    void gridDialogOkWritesXorMode()
    {
        GridSetting record{0xFF3F3F3F, GridModeColor};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Grid"));
        dialog.show();
        ClickRadio(Child<QRadioButton>(&dialog, "xorRadio"));
        Click(&dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(record.mode, int(GridModeXor));
        QCOMPARE(record.color, 0xFF3F3F3Fu);
    }

    void gridDialogCancelLeavesTheRecord()
    {
        ChooserCall call;
        SetColorChooser(Answering(QColor(0xFF, 0, 0), &call));
        GridSetting record{0xFF3F3F3F, GridModeColor};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Grid"));
        dialog.show();
        Click(&dialog, "chooseButton");
        ClickRadio(Child<QRadioButton>(&dialog, "xorRadio"));
        Click(&dialog, "cancelButton");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(record.color, 0xFF3F3F3Fu);
        QCOMPARE(record.mode, int(GridModeColor));
    }

    void chosenAlphaBecomesOpaqueAndCancelledChooserKeepsTheColour()
    {
        ChooserCall call;
        SetColorChooser(Answering(QColor(0x11, 0x22, 0x33, 0x40), &call));
        GridSetting record{0x00ABCDEF, GridModeColor};
        GridColorDialog dialog(nullptr, &record, QStringLiteral("Grid"));
        dialog.show();
        // The chooser starts from the working colour, shown opaque.
        Click(&dialog, "chooseButton");
        QCOMPARE(call.initial, QColor(0xAB, 0xCD, 0xEF));
        QCOMPARE(dialog.Color(), 0xFF112233u);
        // Cancelling the chooser (an invalid colour) keeps the working
        // colour rather than turning it black.
        SetColorChooser(Answering(QColor(), &call));
        Click(&dialog, "chooseButton");
        QCOMPARE(call.count, 2);
        QCOMPARE(dialog.Color(), 0xFF112233u);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->Color(), 0xFF112233u);
        Click(&dialog, "okButton");
        QCOMPARE(record.color, 0xFF112233u);
    }

    void gridDialogWithoutRecordDoesNotCrash()
    {
        GridColorDialog dialog(nullptr, nullptr, QStringLiteral("Grid"));
        dialog.show();
        Click(&dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // --- TransparencyDialog ---

    void transparencyDefaultsWithNoSettings()
    {
        TransparencyDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Transparency"));
        CheckOptionDialogFrame(&dialog);
        QVERIFY(!dialog.isSizeGripEnabled());
        QCOMPARE(dialog.findChild<QLabel *>()->text(), QStringLiteral("Show transparency as:"));
        QCOMPARE(Child<QRadioButton>(&dialog, "alternateRadio")->text(), QStringLiteral("Alternating &tiled background"));
        QCOMPARE(Child<QRadioButton>(&dialog, "tilesRadio")->text(), QStringLiteral("Tiled &background"));
        QCOMPARE(Child<QRadioButton>(&dialog, "coloredRadio")->text(), QStringLiteral("&Colored background"));
        QVERIFY(Child<QRadioButton>(&dialog, "alternateRadio")->isChecked());
        QVERIFY(!Child<QPushButton>(&dialog, "chooseButton")->isEnabled());
        QVERIFY(!Child<ColorField>(&dialog, "colorField")->isEnabled());
        QCOMPARE(dialog.Color(), 0u);
    }

    void transparencyPreselects_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<bool>("colorControlsEnabled");
        QTest::newRow("alternating") << 0 << "alternateRadio" << false;
        QTest::newRow("tiles") << 1 << "tilesRadio" << false;
        QTest::newRow("coloured") << 2 << "coloredRadio" << true;
        QTest::newRow("unknown") << 5 << "" << true;
    }

    void transparencyPreselects()
    {
        QFETCH(int, mode);
        QFETCH(QString, checked);
        QFETCH(bool, colorControlsEnabled);
        WriteSetting(SettingKey::TransDrawMode, mode);
        WriteSetting(SettingKey::TransDrawColor, 0x00FF0000);
        TransparencyDialog dialog(nullptr);
        for (const char *name : {"alternateRadio", "tilesRadio", "coloredRadio"})
            QCOMPARE(Child<QRadioButton>(&dialog, name)->isChecked(), checked == QLatin1String(name));
        QCOMPARE(Child<QPushButton>(&dialog, "chooseButton")->isEnabled(), colorControlsEnabled);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->isEnabled(), colorControlsEnabled);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->Color(), 0x00FF0000u);
    }

    void transparencyOkWritesBothKeysWithOpaqueColour()
    {
        ChooserCall call;
        SetColorChooser(Answering(QColor(0x20, 0x40, 0x60, 0x00), &call));
        TransparencyDialog dialog(nullptr);
        dialog.show();
        ClickRadio(Child<QRadioButton>(&dialog, "coloredRadio"));
        QVERIFY(Child<QPushButton>(&dialog, "chooseButton")->isEnabled());
        Click(&dialog, "chooseButton");
        QCOMPARE(call.parent, &dialog);
        QCOMPARE(Child<ColorField>(&dialog, "colorField")->Color(), 0xFF204060u);
        Click(&dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(ReadSetting(SettingKey::TransDrawMode), int(TransModeColored));
        QCOMPARE(ReadSetting(SettingKey::TransDrawColor), int(0xFF204060));
    }

    void transparencyRadiosSetTheMode()
    {
        WriteSetting(SettingKey::TransDrawMode, TransModeColored);
        TransparencyDialog dialog(nullptr);
        dialog.show();
        ClickRadio(Child<QRadioButton>(&dialog, "tilesRadio"));
        QCOMPARE(dialog.Mode(), int(TransModeTiles));
        QVERIFY(!Child<QPushButton>(&dialog, "chooseButton")->isEnabled());
        ClickRadio(Child<QRadioButton>(&dialog, "alternateRadio"));
        QCOMPARE(dialog.Mode(), int(TransModeAlternating));
        ClickRadio(Child<QRadioButton>(&dialog, "tilesRadio"));
        Click(&dialog, "okButton");
        QCOMPARE(ReadSetting(SettingKey::TransDrawMode), int(TransModeTiles));
    }

    void transparencyCancelWritesNothing()
    {
        ChooserCall call;
        SetColorChooser(Answering(QColor(0xFF, 0xFF, 0), &call));
        TransparencyDialog dialog(nullptr);
        dialog.show();
        ClickRadio(Child<QRadioButton>(&dialog, "coloredRadio"));
        Click(&dialog, "chooseButton");
        Click(&dialog, "cancelButton");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QSettings settings;
        QVERIFY(!settings.contains(QStringLiteral("TransDrawMode")));
        QVERIFY(!settings.contains(QStringLiteral("TransDrawColor")));
    }

    // --- MultiDisplayDialog ---

    void multiDisplayBuild()
    {
        MultiDisplayDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Multi layer/display mode"));
        CheckOptionDialogFrame(&dialog);
        QRadioButton *layer = Child<QRadioButton>(&dialog, "layerRadio");
        QRadioButton *display = Child<QRadioButton>(&dialog, "displayRadio");
        QCOMPARE(layer->text(), QStringLiteral("Multi &layer mode"));
        QCOMPARE(display->text(), QStringLiteral("Multi &display mode"));
        QVERIFY(layer->isChecked());
        QVERIFY(!display->isChecked());
        dialog.show();
        // Radios above, then OK and Cancel side by side.
        QVERIFY(layer->y() < display->y());
        QPushButton *ok = Child<QPushButton>(&dialog, "okButton");
        QPushButton *cancel = Child<QPushButton>(&dialog, "cancelButton");
        QVERIFY(ok->y() > display->y());
        QCOMPARE(ok->y(), cancel->y());
        QVERIFY(ok->x() < cancel->x());
    }

    void multiDisplayPreselectsTheStoredMode()
    {
        WriteSetting(SettingKey::MultiDisplay, 1);
        {
            MultiDisplayDialog dialog(nullptr);
            QVERIFY(Child<QRadioButton>(&dialog, "displayRadio")->isChecked());
        }
        WriteSetting(SettingKey::MultiDisplay, 3);
        MultiDisplayDialog dialog(nullptr);
        QVERIFY(!Child<QRadioButton>(&dialog, "displayRadio")->isChecked());
        QVERIFY(!Child<QRadioButton>(&dialog, "layerRadio")->isChecked());
    }

    void multiDisplayCancelKeepsTheSetting()
    {
        WriteSetting(SettingKey::MultiDisplay, 0);
        MultiDisplayDialog dialog(nullptr);
        dialog.show();
        ClickRadio(Child<QRadioButton>(&dialog, "displayRadio"));
        QCOMPARE(dialog.Mode(), 1);
        Click(&dialog, "cancelButton");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(ReadSetting(SettingKey::MultiDisplay), 0);
    }

    void multiDisplayOkWritesTheMode()
    {
        {
            // Untouched: the value read is written back (here the missing key as 0).
            MultiDisplayDialog dialog(nullptr);
            dialog.show();
            Click(&dialog, "okButton");
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(QSettings().contains(QStringLiteral("MultiDisplay")));
            QCOMPARE(ReadSetting(SettingKey::MultiDisplay), 0);
        }
        {
            MultiDisplayDialog dialog(nullptr);
            dialog.show();
            ClickRadio(Child<QRadioButton>(&dialog, "displayRadio"));
            Click(&dialog, "okButton");
            QCOMPARE(ReadSetting(SettingKey::MultiDisplay), 1);
        }
        {
            MultiDisplayDialog dialog(nullptr);
            dialog.show();
            Click(&dialog, "okButton");
            QCOMPARE(ReadSetting(SettingKey::MultiDisplay), 1);
        }
    }

    void dialogsRunModallyWithExec()
    {
        // The way the callers use them: exec() returns when OK is released.
        WriteSetting(SettingKey::MultiDisplay, 1);
        MultiDisplayDialog dialog(nullptr);
        QTimer::singleShot(0, &dialog, [&dialog] {
            ClickRadio(Child<QRadioButton>(&dialog, "layerRadio"));
            Click(&dialog, "okButton");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(ReadSetting(SettingKey::MultiDisplay), 0);
    }
};

QTEST_MAIN(TestOptionDialogs)
#include "tst_optiondialogs.moc"
