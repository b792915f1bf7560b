// Broken settings files: garbage, unreadable (a folder where the file should
// be) and unwritable (a plain file where the settings folder should be). The
// tool starts with the defaults, and what the user sets holds for the session.
#include "app/mainwindow.h"
#include "base/settings.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

    QString settingsFile() const { return QSettings().fileName(); }

    void breakSettings(const QString &how)
    {
        const QString file = settingsFile();
        const QString folder = QFileInfo(file).absolutePath();
        if (how == QLatin1String("garbage")) {
            QVERIFY(QDir().mkpath(folder));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray junk("[General\n\x01\xff=\\\nDefaultGridColor=zz\nHighlightSelection=@Variant(\xff)\n"
                            "TransDrawColor=99999999999999999999\n[General]\nAlwaysOnTop=\n");
            for (int i = 0; i < 2048; ++i)
                junk.append(char((i * 7919) & 0xFF));
            f.write(junk);
        } else if (how == QLatin1String("unreadable")) {
            QVERIFY(QDir().mkpath(file));
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(folder).absolutePath()));
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a folder");
        }
    }

private Q_SLOTS:
    void init() { env.resetSettings(); }

    void brokenFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("garbage") << QStringLiteral("garbage");
        QTest::newRow("unreadable") << QStringLiteral("unreadable");
        QTest::newRow("unwritable") << QStringLiteral("unwritable");
    }

    // The main window starts with the nine defaults; a value the user then
    // sets reads back even where it cannot be stored.
    void brokenFile()
    {
        QFETCH(QString, how);
        breakSettings(how);
        MainWindow w;
        w.show();
        QCOMPARE(w.defaultGridColor, 0xFF3F3F3Fu);
        QCOMPARE(w.highlightSelection, 1);
        QCOMPARE(w.transDrawColor, 0xFF000000u);
        QCOMPARE(w.alwaysOnTop, 0);
        QCOMPARE(ReadSetting(SettingKey::DefaultGridColor), int(0xFF3F3F3F));
        WriteSetting(SettingKey::HighlightSelection, 0);
        QCOMPARE(ReadSetting(SettingKey::HighlightSelection), 0);
        WriteSetting(SettingKey::HighlightSelection, 1);
        QCOMPARE(ReadSetting(SettingKey::HighlightSelection), 1);
        QVERIFY(w.isVisible());
    }

    // A readable file keeps its integers next to garbage values, and a key
    // without a default reads as 0 whatever is stored.
    void integersSurviveBesideGarbage()
    {
        {
            QSettings s;
            s.setValue("DefaultGridDrawMode", 1);
            s.setValue("TransDrawMode", QStringLiteral("two"));
            s.setValue("MinimalView", QStringLiteral("x"));
        }
        InitSetting(SettingKey::DefaultGridDrawMode, 0);
        InitSetting(SettingKey::TransDrawMode, 0);
        QCOMPARE(ReadSetting(SettingKey::DefaultGridDrawMode), 1);
        QCOMPARE(ReadSetting(SettingKey::TransDrawMode), 0);
        QCOMPARE(QSettings().value("TransDrawMode").toInt(), 0); // repaired on start
        QCOMPARE(ReadSetting(SettingKey::MinimalView), 0);
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
