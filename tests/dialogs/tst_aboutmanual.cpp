// The About box and the user manual: texts, frame, closing, the question
// before the manual opens with its check box, and where the manual is found.
#include "base/settings.h"
#include "base/version.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/abouttexts.h"
#include "dialogs/manual.h"
#include "dialogs/manualwarndialog.h"
#include "testenv.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers the next manual question when it shows: ticks the box when asked,
// then presses the button.
void AnswerManualQuestion(bool tick, QMessageBox::StandardButton button, bool *asked)
{
    QTimer::singleShot(0, [=] {
        ManualWarnDialog *dialog = qobject_cast<ManualWarnDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *asked = true;
        if (tick)
            QTest::mouseClick(dialog->CheckBox(), Qt::LeftButton, Qt::NoModifier, QPoint(6, dialog->CheckBox()->height() / 2));
        QTest::mouseClick(dialog->button(button), Qt::LeftButton);
    });
}

} // namespace

class TestAboutManual : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    QList<QUrl> opened;

private Q_SLOTS:
    void init()
    {
        env.resetSettings();
        opened.clear();
        SetUrlOpener([this](const QUrl &url) {
            opened << url;
            return true;
        });
    }
    void cleanup() { SetUrlOpener(nullptr); }

    void titleAndNoticeTexts()
    {
        QCOMPARE(AboutTexts::TitleText(QStringLiteral("6.26d"), "Mar  5 2025", "07:04:09"),
                 QStringLiteral("noXelView V6.26d \nCompiled: Mar  5 2025 07:04:09\n")
                     + QLatin1String(AboutTexts::MakerWebAddress));
        const QString notice = AboutTexts::NoticeText("Dec 31 2030");
        QVERIFY(notice.contains(QStringLiteral("%1-2030").arg(AboutTexts::CopyrightFirstYear)));
        QVERIFY(notice.contains(QLatin1String(AboutTexts::CompanyName)));
        QVERIFY(notice.contains(QLatin1String(AboutTexts::ToolkitLicensingAddress)));
        // A build dated in the first year, or an unreadable date, shows one year.
        QVERIFY(AboutTexts::NoticeText("Jan  1 1999").contains(
            QStringLiteral("(C) %1 ").arg(AboutTexts::CopyrightFirstYear)));
        QVERIFY(AboutTexts::NoticeText("").contains(
            QStringLiteral("(C) %1 ").arg(AboutTexts::CopyrightFirstYear)));
    }

    void aboutBoxContents()
    {
        AboutDialog about(nullptr);
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QVERIFY(about.isModal());
        QVERIFY(about.isVisible());
        const QLabel *title = about.findChild<QLabel *>(QStringLiteral("titleLabel"));
        QVERIFY(title);
        const QRegularExpression form(QStringLiteral(
            "^noXelView V%1 \\nCompiled: (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 1-3][0-9] "
            "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\n%2$")
                                          .arg(QRegularExpression::escape(versionText()),
                                               QRegularExpression::escape(QLatin1String(AboutTexts::MakerWebAddress))));
        QVERIFY2(form.match(title->text()).hasMatch(), qPrintable(title->text()));
        for (const char *name : {"titleLabel", "noticeLabel", "logoLabel"}) {
            const QLabel *label = about.findChild<QLabel *>(QLatin1String(name));
            QVERIFY(label);
            QCOMPARE(label->styleSheet(), QStringLiteral("color: black;"));
            QCOMPARE(label->contentsMargins(), QMargins(0, 0, 0, 0));
        }
        const QLabel *logo = about.findChild<QLabel *>(QStringLiteral("logoLabel"));
        QCOMPARE(logo->pixmap().size(), QSize(140, 70));
        // Logo left of the title, notice below, OK at the bottom right.
        QVERIFY(logo->mapTo(&about, QPoint()).x() < title->mapTo(&about, QPoint()).x());
        const QLabel *notice = about.findChild<QLabel *>(QStringLiteral("noticeLabel"));
        QVERIFY(notice->y() >= logo->mapTo(&about, QPoint()).y() + logo->height());
        QPushButton *ok = about.findChild<QPushButton *>(QStringLiteral("okButton"));
        QCOMPARE(ok->text(), QStringLiteral("&OK"));
        QVERIFY(ok->y() > notice->y());
        QVERIFY(ok->geometry().right() > about.width() - 30);
        QCOMPARE(ok->minimumSize(), ok->maximumSize());
    }

    void aboutBoxIsFramelessAndFixed()
    {
        AboutDialog about(nullptr);
        const Qt::WindowFlags flags = about.windowFlags();
        QVERIFY(flags & Qt::FramelessWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(about.width() > 140 && about.height() > 70);
    }

    void aboutBoxClosesThroughOkEscapeAndSignal()
    {
        {
            AboutDialog about(nullptr);
            QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
            QVERIFY(!about.isVisible());
        }
        {
            AboutDialog about(nullptr);
            QTest::keyClick(&about, Qt::Key_Escape);
            QVERIFY(!about.isVisible());
        }
        {
            // Queued: the box closes on the next pass of the event loop.
            AboutDialog about(nullptr);
            emit about._Sig_CloseDlg();
            QVERIFY(about.isVisible());
            QTRY_VERIFY(!about.isVisible());
        }
        {
            // As the Help menu runs it: exec() returns once OK is released.
            AboutDialog about(nullptr);
            QTimer::singleShot(0, &about, [&about] {
                QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
            });
            about.exec();
            QVERIFY(!about.isVisible());
        }
    }

    void manualQuestionBuild()
    {
        ManualWarnDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open user manual?"));
        QCOMPARE(dialog.text(), QStringLiteral("The user manual will be opened in a web browser."));
        QCOMPARE(dialog.icon(), QMessageBox::Information);
        QCOMPARE(dialog.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(dialog.isModal());
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(dialog.CheckBox()->text(), QStringLiteral("Do not show this again."));
        QVERIFY(!dialog.CheckBox()->isChecked());
        QVERIFY(!dialog.hideWarning);

        // The check box sits at the bottom left, on the row of the buttons.
        dialog.show();
        const QRect box = dialog.CheckBox()->geometry();
        const QRect ok = dialog.button(QMessageBox::Ok)->geometry();
        const QPoint okInDialog = dialog.button(QMessageBox::Ok)->mapTo(&dialog, QPoint());
        QVERIFY(box.right() < okInDialog.x());
        QVERIFY(box.x() < dialog.width() / 4);
        QVERIFY(qAbs((box.y() + box.height() / 2) - (okInDialog.y() + ok.height() / 2)) <= ok.height());

        QTest::mouseClick(dialog.CheckBox(), Qt::LeftButton, Qt::NoModifier, QPoint(6, box.height() / 2));
        QVERIFY(dialog.hideWarning);
        QTest::mouseClick(dialog.CheckBox(), Qt::LeftButton, Qt::NoModifier, QPoint(6, box.height() / 2));
        QVERIFY(!dialog.hideWarning);
    }

    void cancelOpensNothingAndStoresNothing()
    {
        int hide = 0;
        bool asked = false;
        AnswerManualQuestion(true, QMessageBox::Cancel, &asked);
        QVERIFY(!OpenManual(nullptr, &hide));
        QVERIFY(asked);
        QVERIFY(opened.isEmpty());
        QCOMPARE(hide, 0);
        QVERIFY(!QSettings().contains(QStringLiteral("HideManualWarning")));
    }

    void okWithTheBoxTickedStopsAsking()
    {
        int hide = 0;
        bool asked = false;
        AnswerManualQuestion(true, QMessageBox::Ok, &asked);
        QVERIFY(OpenManual(nullptr, &hide));
        QVERIFY(asked);
        QCOMPARE(opened, QList<QUrl>{ManualUrl()});
        QCOMPARE(hide, 1);
        QCOMPARE(ReadSetting(SettingKey::HideManualWarning), 1);

        // The next time the manual opens at once: a question would be answered
        // with Cancel here and the manual would not open.
        asked = false;
        AnswerManualQuestion(false, QMessageBox::Cancel, &asked);
        QVERIFY(OpenManual(nullptr, &hide));
        QVERIFY(!asked);
        QCOMPARE(opened.size(), 2);
        QCoreApplication::processEvents(); // let the unused answer run harmlessly
    }

    void okWithTheBoxClearStoresZero()
    {
        WriteSetting(SettingKey::HideManualWarning, 0);
        int hide = 0;
        bool asked = false;
        AnswerManualQuestion(false, QMessageBox::Ok, &asked);
        QVERIFY(OpenManual(nullptr, &hide));
        QVERIFY(asked);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(hide, 0);
        QVERIFY(QSettings().contains(QStringLiteral("HideManualWarning")));
        QCOMPARE(ReadSetting(SettingKey::HideManualWarning), 0);
    }

    void manualFromTheBuildTreeIsTheSourceCopy()
    {
        const QUrl url = ManualUrl();
        QVERIFY2(url.isLocalFile(), qPrintable(url.toString()));
        QVERIFY2(url.toLocalFile().endsWith(QStringLiteral("/docs/manual.html")), qPrintable(url.toString()));
        QFile manual(url.toLocalFile());
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QByteArray html = manual.readAll();
        QVERIFY(html.contains("<title>"));
        QVERIFY(html.contains("noXelView"));
    }

    void manualLocationRules()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        QDir().mkpath(root + QStringLiteral("/build/tests"));
        QDir().mkpath(root + QStringLiteral("/src/docs"));
        QDir().mkpath(root + QStringLiteral("/moved/bin"));
        QDir().mkpath(root + QStringLiteral("/moved/share/doc/noXelView"));
        for (const QString &file : {root + QStringLiteral("/src/docs/manual.html"),
                                    root + QStringLiteral("/moved/share/doc/noXelView/manual.html")}) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        ManualLocations l;
        l.buildDir = root + QStringLiteral("/build");
        l.sourceCopy = root + QStringLiteral("/src/docs/manual.html");
        // The installed copy lies under a prefix of the test's own, so that
        // nothing of this machine's /usr/local is read.
        l.installedCopy = root + QStringLiteral("/prefix/share/doc/noXelView/manual.html");
        l.installedRelative = QStringLiteral("../share/doc/noXelView/manual.html");

        // Run from the build tree: the source copy.
        l.applicationDir = root + QStringLiteral("/build/tests");
        QCOMPARE(ManualUrlFor(l), QUrl::fromLocalFile(l.sourceCopy));
        // A folder that merely starts with the build folder's name is outside it.
        l.applicationDir = root + QStringLiteral("/build-other");
        QCOMPARE(ManualUrlFor(l), QUrl::fromLocalFile(l.installedCopy));
        // An installed tree that was moved: the copy beside the program.
        l.applicationDir = root + QStringLiteral("/moved/bin");
        QCOMPARE(ManualUrlFor(l),
                 QUrl::fromLocalFile(root + QStringLiteral("/moved/share/doc/noXelView/manual.html")));
        // No copy beside the program: the installed copy, not the address
        // beside the program.
        l.applicationDir = root + QStringLiteral("/elsewhere/bin");
        QCOMPARE(ManualUrlFor(l), QUrl::fromLocalFile(l.installedCopy));
        // A configured address wins everywhere.
        l.configuredUrl = QStringLiteral("https://docs.example.org/noxel/manual.html#noxelview");
        l.applicationDir = root + QStringLiteral("/build/tests");
        QCOMPARE(ManualUrlFor(l), QUrl(QStringLiteral("https://docs.example.org/noxel/manual.html#noxelview")));
    }
};

QTEST_MAIN(TestAboutManual)
#include "tst_aboutmanual.moc"
