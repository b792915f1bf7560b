// Renders the tool's dialogs and its icons offscreen into PNG files, for the
// manual and for checking the artwork by eye.
//
// Usage: noxel_screenshots <output folder>
// Writes icons_100.png and icons_200.png (the ten icons in a row, then the
// same pictures on toolbar buttons), icon_<Name>.png (each icon at 100 %),
// one picture per dialog, and (on POSIX systems) the main window showing
// the demo scene, with and without the Pixel Inspector. Settings go
// to a temporary location; the user's own settings are never touched.
#include "base/settings.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/buttons.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/manualwarndialog.h"
#include "dialogs/multidisplaydialog.h"
#include "dialogs/scale.h"
#include "dialogs/transparencydialog.h"
#include "selection/editselectiondialog.h"
#ifdef NOXEL_SCREENSHOTS_MAINWINDOW
#include "docs/screenshots/mainwindowshots.h"
#endif

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>

namespace {

bool Save(QWidget *widget, const QString &path)
{
    widget->adjustSize();
    const bool ok = widget->grab().save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// The ten icons side by side, then the eight toolbar pictures on CButtons
// as a view's toolbar shows them, at the given display scale.
bool SaveIconRow(float scale, const QString &path)
{
    SetScale(scale);
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QVBoxLayout *rows = new QVBoxLayout(&sheet);
    QHBoxLayout *icons = new QHBoxLayout;
    for (int id = IconGrid; id <= IconSelPos; ++id)
        icons->addWidget(new IconWidget(&sheet, GetScaledIcon(IconId(id))), 0, Qt::AlignVCenter);
    icons->addStretch();
    QHBoxLayout *buttons = new QHBoxLayout;
    for (int id = ButtonGrid; id <= ButtonClose; ++id) {
        CButton *button = new CButton(&sheet);
        button->SetButton(ButtonId(id));
        button->setEnabled(true);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    rows->addWidget(new QLabel(QStringLiteral("Display scale %1 %").arg(qRound(scale * 100)), &sheet));
    rows->addLayout(icons);
    rows->addLayout(buttons);
    const bool ok = Save(&sheet, path);
    SetScale(0);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir settingsDir;
    QCoreApplication::setOrganizationName(QStringLiteral("Travik"));
    QCoreApplication::setApplicationName(QStringLiteral("noXelView"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());

    bool ok = SaveIconRow(1.0f, out + QStringLiteral("/icons_100.png"));
    // Each picture at 100 % on its own, for the manual's tables.
    SetScale(1.0f);
    const char *names[] = {"Grid", "GridColor", "Hand", "Selection", "ZoomPlus",
                           "ZoomMinus", "Palette", "Close", "SelSize", "SelPos"};
    for (int id = IconGrid; id <= IconSelPos; ++id) {
        const QIcon icon = GetScaledIcon(IconId(id));
        const QString path = out + QStringLiteral("/icon_%1.png").arg(QLatin1String(names[id]));
        const bool saved = icon.pixmap(icon.actualSize(QSize(65535, 65535))).save(path, "PNG");
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok = saved && ok;
    }
    SetScale(0);
    ok = SaveIconRow(2.0f, out + QStringLiteral("/icons_200.png")) && ok;

    SetScale(1.0f);
    GridSetting grid{0xFF3F3F3F, GridModeColor};
    GridColorDialog gridDialog(nullptr, &grid, QStringLiteral("Select a default grid color"));
    ok = Save(&gridDialog, out + QStringLiteral("/gridcolordialog.png")) && ok;

    WriteSetting(SettingKey::TransDrawMode, TransModeColored);
    WriteSetting(SettingKey::TransDrawColor, int(0xFF2F7BD6));
    TransparencyDialog transparencyDialog(nullptr);
    ok = Save(&transparencyDialog, out + QStringLiteral("/transparencydialog.png")) && ok;

    MultiDisplayDialog multiDialog(nullptr);
    ok = Save(&multiDialog, out + QStringLiteral("/multidisplaydialog.png")) && ok;

    AboutDialog about(nullptr);
    ok = Save(&about, out + QStringLiteral("/aboutdialog.png")) && ok;
    about.close();

    // The numbers of the selection in the main window's picture.
    SelectionRecord record{120, 80, 160, 120, 800, 480};
    EditSelectionDialog editDialog(nullptr, &record);
    ok = Save(&editDialog, out + QStringLiteral("/editselectiondialog.png")) && ok;

    ManualWarnDialog warn(nullptr);
    warn.show();
    warn.CheckBox()->setChecked(true);
    ok = Save(&warn, out + QStringLiteral("/manualwarndialog.png")) && ok;
    warn.hide();

#ifdef NOXEL_SCREENSHOTS_MAINWINDOW
    QTemporaryDir runtimeRoot;
    ok = SaveMainWindowShots(out, runtimeRoot.path()) && ok;
#endif

    return ok ? 0 : 1;
}
