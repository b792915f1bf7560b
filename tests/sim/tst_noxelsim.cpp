// noxelsim as a process of its own: one simulation per runtime directory,
// clean teardown on SIGTERM, and bad scenes or options refused before
// anything is created.
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "simlink/platform_native.h"
#include "testenv.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

using namespace simlink;

class TestNoxelSim : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int count = 0;

    // Starts noxelsim in the test's runtime directory.
    void start(QProcess &process, const QStringList &args)
    {
        process.setProgram(QStringLiteral(NOXELSIM_PATH));
        process.setArguments(args);
        process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        process.start();
    }

    static QString errorLines(QProcess &process)
    {
        // Qt's own start-up notes are not the program's message.
        QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const QString &l) { return l.startsWith(QLatin1String("QStandardPaths:")); }),
                    lines.end());
        return lines.join(QLatin1Char('\n'));
    }

    static int layerCount()
    {
        QList<LayerInfo> list;
        scanLayers(list);
        return int(list.size());
    }

    static qulonglong inode(const QString &path)
    {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? qulonglong(st.st_ino) : 0;
    }

private Q_SLOTS:
    void init() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++count)); }

    void secondCopyLeavesTheFirstRunning()
    {
        QProcess first;
        start(first, {});
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(layerCount(), 6, 20000);
        const QString key0 = env.runtimeDir() + QStringLiteral("/noXelLCDMap");
        const qulonglong before = inode(key0);
        QVERIFY(before != 0);

        QProcess second;
        start(second, {QStringLiteral("--scene"), QStringLiteral(NOXEL_SCENES_DIR "/fills.json")});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(errorLines(second),
                 QStringLiteral("noxelsim: another simulation already runs in %1").arg(env.runtimeDir()));

        // The first one's blocks are untouched and still found.
        QCOMPARE(inode(key0), before);
        QVERIFY(simulationRunning());
        QCOMPARE(layerCount(), 6);

        first.terminate();
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!simulationRunning());
        // Blocks and key files are gone; only presence files may stay.
        const QStringList left = QDir(env.runtimeDir()).entryList(QDir::Files | QDir::System | QDir::Hidden);
        for (const QString &name : left)
            QVERIFY2(name == QLatin1String(MainframeWindowClass) || name == QLatin1String(DeviceWindowClass), qPrintable(name));
    }

    // The same window class waits out the retry, then gives up the same way.
    void secondCopyOfTheSameClass()
    {
        QProcess first;
        start(first, {});
        QVERIFY(first.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(layerCount(), 6, 20000);
        QProcess second;
        start(second, {});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(errorLines(second),
                 QStringLiteral("noxelsim: another simulation already runs in %1").arg(env.runtimeDir()));
        QCOMPARE(layerCount(), 6);
        first.terminate();
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
    }

    void sceneFileWithItsClassAndAlphaMode()
    {
        QProcess sim;
        start(sim, {QStringLiteral("--scene"), QStringLiteral(NOXEL_SCENES_DIR "/layers.json"), QStringLiteral("--class"),
                    QLatin1String(DeviceWindowClass), QStringLiteral("--alpha-mode"), QStringLiteral("7")});
        QVERIFY(sim.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(layerCount(), 5, 20000);
        QVERIFY(native::windowClassExists(DeviceWindowClass));
        QVERIFY(!native::windowClassExists(MainframeWindowClass));
        // Any alpha mode but 0 means ordinary ARGB; the library writes it as 1.
        QList<LayerInfo> list;
        QCOMPARE(int(scanLayers(list)), 1);
        sim.terminate();
        QVERIFY(sim.waitForFinished(30000));
        QCOMPARE(sim.exitCode(), 0);
    }

    void refusalsCreateNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing scene") << QStringList{QStringLiteral("--scene"), QStringLiteral("/nonexistent/x.json")}
                                       << QStringLiteral("noxelsim: /nonexistent/x.json: (file): cannot read it");
        QTest::newRow("bad scene") << QStringList{QStringLiteral("--scene"), QStringLiteral("BAD")}
                                   << QStringLiteral("noxelsim: BAD: layers[0].bitsPerPixel: expected 1, 2, 4, 8 (indexed) or 16, 24, 32");
        QTest::newRow("bad option") << QStringList{QStringLiteral("--frames")}
                                    << QStringLiteral("noxelsim: unknown option \"--frames\" (see --help)");
        QTest::newRow("bad class") << QStringList{QStringLiteral("--class"), QStringLiteral("Window")}
                                   << QStringLiteral("noxelsim: --class expects");
        QTest::newRow("bad alpha mode") << QStringList{QStringLiteral("--alpha-mode=256")}
                                        << QStringLiteral("noxelsim: --alpha-mode expects a whole number from 0 to 255");
        QTest::newRow("fps without value") << QStringList{QStringLiteral("--fps")}
                                           << QStringLiteral("noxelsim: --fps needs a value");
    }

    void refusalsCreateNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString bad = env.root() + QStringLiteral("/bad.json");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": \"noxel-scene\", \"version\": 1, \"layers\": "
                "[{\"width\": 4, \"height\": 4, \"bitsPerPixel\": 12, \"fill\": \"#000000\"}]}");
        f.close();
        args.replaceInStrings(QStringLiteral("BAD"), bad);
        message.replace(QStringLiteral("BAD"), bad);

        QProcess sim;
        start(sim, args);
        QVERIFY(sim.waitForFinished(30000));
        QCOMPARE(sim.exitCode(), 2);
        const QString err = errorLines(sim);
        QVERIFY2(err.startsWith(message), qPrintable(err));
        QVERIFY(!err.contains(QLatin1Char('\n')));
        QVERIFY(!QFileInfo::exists(env.runtimeDir()));
    }
};

QTEST_GUILESS_MAIN(TestNoxelSim)
#include "tst_noxelsim.moc"
