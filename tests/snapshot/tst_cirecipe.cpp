// The visual-regression recipe of the manual, run as a build server would:
// real noxelsim and noxelview processes, no display. Replay a recording,
// compare with the golden snapshot, fail on status 3.
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

constexpr QRgb Highlight = 0xFFFF00FF;

QRgb pattern(int x, int y)
{
    return 0xFF000000u | quint32(x * 4) << 16 | quint32(y * 5) << 8 | 0x40u;
}

} // namespace

class TestCiRecipe : public QObject
{
    Q_OBJECT

    TestEnvironment env;
    std::unique_ptr<QProcess> sim;

    QString path(const QString &name) const { return env.root() + QLatin1Char('/') + name; }

    bool startSimulation(const QStringList &args)
    {
        stopSimulation();
        sim.reset(new QProcess);
        QProcessEnvironment e = env.headlessEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // it draws text
        sim->setProcessEnvironment(e);
        sim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim->start(QStringLiteral(NOXELSIM_BINARY), args);
        // noxelsim prints its first line once the blocks are published.
        return sim->waitForStarted(30000) && sim->waitForReadyRead(30000);
    }
    void stopSimulation()
    {
        if (!sim)
            return;
        sim->terminate();
        if (!sim->waitForFinished(30000))
            sim->kill();
        sim.reset();
    }
    int noxelview(const QStringList &args, QString *out = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(env.headlessEnvironment());
        p.start(QStringLiteral(NOXELVIEW_BINARY), args);
        if (!p.waitForFinished(120000))
            return -1;
        const QString text = QString::fromLocal8Bit(p.readAllStandardOutput());
        if (out)
            *out = text;
        if (p.exitCode() != 0)
            qInfo("noxelview %s: %s%s", qPrintable(args.join(QLatin1Char(' '))), qPrintable(text),
                  qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
        return p.exitCode();
    }
    // A 64 x 48 true-colour scene on a display of its size; pixel (5, 7)
    // in another colour when changed.
    QString writeScene(const QString &name, bool changed)
    {
        const QString dir = path(name);
        QDir().mkpath(dir);
        QImage image(64, 48, QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, pattern(x, y));
        if (changed)
            image.setPixel(5, 7, 0xFFFFFFFFu);
        image.save(dir + QStringLiteral("/layer0.png"));
        const QJsonObject layer{{"width", 64}, {"height", 48}, {"bitsPerPixel", 32}, {"image", "layer0.png"}};
        const QJsonObject scene{{"format", "noxel-scene"},
                                {"version", 1},
                                {"display", QJsonObject{{"width", 64}, {"height", 48}, {"background", "#000000"}}},
                                {"layers", QJsonArray{layer}}};
        QFile file(dir + QStringLiteral("/scene.json"));
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(scene).toJson());
        return file.fileName();
    }

private Q_SLOTS:
    void cleanup() { stopSimulation(); }

    void replayThenCompareWithTheGolden()
    {
        // Two keys typed into layer 0: the demo scene writes them on its panel.
        const QString recording = path(QStringLiteral("keys.jsonl"));
        QFile file(recording);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"format\": \"noxel-input\", \"version\": 1}\n"
                   "{\"t\": 0.000, \"layer\": 0, \"key\": [111, 1]}\n"
                   "{\"t\": 0.050, \"layer\": 0, \"key\": [111, 0]}\n"
                   "{\"t\": 0.100, \"layer\": 0, \"key\": [107, 1]}\n"
                   "{\"t\": 0.150, \"layer\": 0, \"key\": [107, 0]}\n");
        file.close();
        const QString golden = path(QStringLiteral("golden"));

        // Record the golden once.
        QVERIFY(startSimulation({QStringLiteral("--still")}));
        QCOMPARE(noxelview({"--replay", recording, "--wait", "10"}), 0);
        QTest::qWait(300); // the simulation draws what it took
        QCOMPARE(noxelview({"--compare", golden, "--update", "--wait", "10"}), 0);

        // After a restart the screen differs until the recording is replayed.
        QVERIFY(startSimulation({QStringLiteral("--still")}));
        QTest::qWait(300);
        QCOMPARE(noxelview({"--compare", golden, "--wait", "10"}), 3);
        QCOMPARE(noxelview({"--replay", recording, "--wait", "10"}), 0);
        QTest::qWait(300);
        const QString artifacts = path(QStringLiteral("artifacts"));
        QString out;
        QCOMPARE(noxelview({"--compare", golden, "--out", artifacts, "--wait", "10"}, &out), 0);
        QVERIFY2(out.endsWith(QStringLiteral("\n0 of 9 images differ\n")), qPrintable(out));
        QCOMPARE(QDir(artifacts).entryList(QDir::Files), QStringList{QStringLiteral("report.json")});
    }

    void oneChangedPixelIsFoundAndDrawn()
    {
        const QString golden = path(QStringLiteral("golden-scene"));
        QVERIFY(startSimulation({QStringLiteral("--scene"), writeScene(QStringLiteral("a"), false)}));
        QCOMPARE(noxelview({"--compare", golden, "--update", "--wait", "10"}), 0);
        QCOMPARE(noxelview({"--compare", golden, "--wait", "10"}), 0);

        QVERIFY(startSimulation({QStringLiteral("--scene"), writeScene(QStringLiteral("b"), true)}));
        const QString artifacts = path(QStringLiteral("artifacts-scene"));
        QString out;
        QCOMPARE(noxelview({"--compare", golden, "--out", artifacts, "--wait", "10"}, &out), 3);
        QVERIFY2(out.contains(QStringLiteral("layer0: 1 pixels differ (max channel delta 235), bounding box (5, 7)-(5, 7)")),
                 qPrintable(out));
        for (const QString &name : {QStringLiteral("layer0"), QStringLiteral("composite")}) {
            const QImage diff = QImage(artifacts + QLatin1Char('/') + name + QStringLiteral(".diff.png"))
                                    .convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(diff.size(), QSize(64, 48));
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    if ((diff.pixel(x, y) == Highlight) != (x == 5 && y == 7))
                        QFAIL(qPrintable(QStringLiteral("%1.diff.png pixel (%2, %3)").arg(name).arg(x).arg(y)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCiRecipe)
#include "tst_cirecipe.moc"
