// The input recording file: what the recorder writes reads back the same,
// and every broken file is refused whole with one line naming the line and
// the reason.
#include "replay/inputfile.h"
#include "testenv.h"

#include <QFile>
#include <QtTest>

using replay::InputEvent;

namespace {

const QByteArray Header = "{\"format\": \"noxel-input\", \"version\": 1}\n";

} // namespace

class TestInputFile : public QObject
{
    Q_OBJECT

    TestEnvironment env;

private Q_SLOTS:
    // The lines exactly as documented, and every value range at its ends
    // survives the round trip.
    void writtenLinesReadBack()
    {
        QCOMPARE(replay::headerLine() + '\n', Header);
        QCOMPARE(replay::eventLine(InputEvent::pointer(0.125, 0, 5, 3, 1)),
                 QByteArray("{\"t\": 0.125, \"layer\": 0, \"pointer\": [5, 3, 1]}"));
        QCOMPARE(replay::eventLine(InputEvent::key(0.5, 0, 97, 1)),
                 QByteArray("{\"t\": 0.500, \"layer\": 0, \"key\": [97, 1]}"));

        const QList<InputEvent> events = {
            InputEvent::pointer(0, 0, 5, 3, 1),
            InputEvent::pointer(0, 19, -2147483647 - 1, 2147483647, 0),
            InputEvent::key(0.25, 1, 255, 1),
            InputEvent::key(0.25, 1, 0, 0),
            InputEvent::pointer(604800, 3, -7, 0, 1),
        };
        QByteArray text = Header;
        for (const InputEvent &e : events)
            text += replay::eventLine(e) + '\n';
        QList<InputEvent> read;
        QString error;
        QVERIFY2(replay::parseInputFile(text, QStringLiteral("rec"), &read, &error), qPrintable(error));
        QCOMPARE(read.size(), events.size());
        for (int i = 0; i < events.size(); ++i)
            QVERIFY2(read.at(i) == events.at(i), qPrintable(QString::number(i)));

        // Blank lines, a byte order mark, Windows line ends and a last line
        // without its end are all fine; so is a file with no event.
        QVERIFY(replay::parseInputFile("\xEF\xBB\xBF" + Header + "\r\n  \n{\"t\": 1, \"layer\": 2, \"key\": [9, 0]}",
                                       QStringLiteral("rec"), &read, &error));
        QCOMPARE(read.size(), 1);
        QVERIFY(read.first() == InputEvent::key(1, 2, 9, 0));
        QVERIFY(replay::parseInputFile(Header, QStringLiteral("rec"), &read, &error));
        QVERIFY(read.isEmpty());
    }

    void brokenFilesAreRefusedWithLineAndReason_data()
    {
        QTest::addColumn<QByteArray>("text");
        // The JSON parser's own words differ between Qt versions: a message
        // that ends in ": " is compared up to there.
        QTest::addColumn<QString>("message");
        const QByteArray ok = "{\"t\": 0.5, \"layer\": 0, \"pointer\": [1, 2, 1]}\n";

        QTest::newRow("truncated line") << Header + ok + "{\"t\": 0.7, \"layer\": 0, \"poi"
                                        << "rec: line 3: broken or cut-off JSON: ";
        QTest::newRow("unknown format") << QByteArray("{\"format\": \"noxel-scene\", \"version\": 1}\n") + ok
                                        << "rec: line 1: unknown format \"noxel-scene\" (expected \"noxel-input\")";
        QTest::newRow("unknown version") << QByteArray("{\"format\": \"noxel-input\", \"version\": 2}\n")
                                         << "rec: line 1: unsupported version 2 (expected 1)";
        QTest::newRow("no header") << ok << "rec: line 1: the first line must be {\"format\": \"noxel-input\", \"version\": 1}";
        QTest::newRow("empty file") << QByteArray()
                                    << "rec: line 1: the file is empty; the first line must be "
                                       "{\"format\": \"noxel-input\", \"version\": 1}";
        QTest::newRow("negative time") << Header + "{\"t\": -0.125, \"layer\": 0, \"key\": [97, 1]}\n"
                                       << "rec: line 2: \"t\" is negative: -0.125";
        QTest::newRow("time going back") << Header + ok + "{\"t\": 0.25, \"layer\": 0, \"key\": [97, 1]}\n"
                                         << "rec: line 3: \"t\" goes back in time: 0.25 after 0.5";
        QTest::newRow("time too large") << Header + "{\"t\": 1e300, \"layer\": 0, \"key\": [97, 1]}\n"
                                        << "rec: line 2: \"t\" is larger than 604800 seconds: 1e+300";
        QTest::newRow("time beyond a double") << Header + "{\"t\": 1e999, \"layer\": 0, \"key\": [97, 1]}\n"
                                              << "rec: line 2: broken or cut-off JSON: ";
        QTest::newRow("time as text") << Header + "{\"t\": \"0.5\", \"layer\": 0, \"key\": [97, 1]}\n"
                                      << "rec: line 2: \"t\" is not a number of seconds: \"0.5\"";
        QTest::newRow("huge position") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [99999999999999999999, 3, 1]}\n"
                                       << "rec: line 2: pointer x and y must be whole numbers from -2147483648 to "
                                          "2147483647: [1e+20,3,1]";
        QTest::newRow("position past int") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [1, 2147483648, 1]}\n"
                                           << "rec: line 2: pointer x and y must be whole numbers from -2147483648 to "
                                              "2147483647: [1,2147483648,1]";
        QTest::newRow("fractional position") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [1.5, 2, 1]}\n"
                                             << "rec: line 2: pointer x and y must be whole numbers from "
                                                "-2147483648 to 2147483647: [1.5,2,1]";
        QTest::newRow("huge layer") << Header + "{\"t\": 0, \"layer\": 4294967296, \"key\": [97, 1]}\n"
                                    << "rec: line 2: \"layer\" must be a whole number from 0 to 19: 4294967296";
        QTest::newRow("layer 20") << Header + "{\"t\": 0, \"layer\": 20, \"key\": [97, 1]}\n"
                                  << "rec: line 2: \"layer\" must be a whole number from 0 to 19: 20";
        QTest::newRow("key code 256") << Header + "{\"t\": 0, \"layer\": 0, \"key\": [256, 1]}\n"
                                      << "rec: line 2: key code must be a whole number from 0 to 255: [256,1]";
        QTest::newRow("pressed 2") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [1, 2, 2]}\n"
                                   << "rec: line 2: pointer pressed must be 0 or 1: [1,2,2]";
        QTest::newRow("short pointer") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [1, 2]}\n"
                                       << "rec: line 2: \"pointer\" must be [x, y, pressed]: [1,2]";
        QTest::newRow("pointer and key") << Header + "{\"t\": 0, \"layer\": 0, \"pointer\": [1, 2, 1], \"key\": [1, 1]}\n"
                                         << "rec: line 2: an event has exactly one of \"pointer\" and \"key\"";
        QTest::newRow("misspelt member") << Header + "{\"t\": 0, \"layer\": 0, \"keys\": [97, 1]}\n"
                                         << "rec: line 2: unknown member \"keys\"";
        QTest::newRow("no time") << Header + "{\"layer\": 0, \"key\": [97, 1]}\n" << "rec: line 2: no \"t\"";
        QTest::newRow("array line") << Header + "[1, 2]\n" << "rec: line 2: not a JSON object";
        QTest::newRow("long line") << Header + "{\"t\": 0, \"layer\": 0, \"key\": [97, 1]}" + QByteArray(1100, ' ') + '\n'
                                   << "rec: line 2: the line is longer than 1024 bytes";
    }

    void brokenFilesAreRefusedWithLineAndReason()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        QList<InputEvent> events = {InputEvent::key(0, 0, 1, 1)};
        QString error;
        QVERIFY(!replay::parseInputFile(text, QStringLiteral("rec"), &events, &error));
        if (message.endsWith(QLatin1String(": "))) {
            QVERIFY2(error.startsWith(message), qPrintable(error));
            QVERIFY(error.size() > message.size() && !error.contains(QLatin1Char('\n')));
        } else {
            QCOMPARE(error, message);
        }
        QVERIFY(events.isEmpty());
    }

    // A file too large is refused from its size, before it is read; a file
    // that cannot be read says so.
    void fileSizeIsBoundedBeforeReading()
    {
        const QString path = env.root() + QStringLiteral("/huge.jsonl");
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.write(Header) == Header.size());
        QVERIFY(huge.resize(replay::MaxFileBytes + 1)); // sparse: no real data
        huge.close();
        QList<InputEvent> events;
        QString error;
        QVERIFY(!replay::loadInputFile(path, &events, &error));
        QCOMPARE(error, path + QStringLiteral(": the file is larger than 64 MiB"));

        QVERIFY(!replay::loadInputFile(env.root() + QStringLiteral("/missing.jsonl"), &events, &error));
        QVERIFY(error.startsWith(env.root() + QStringLiteral("/missing.jsonl: cannot read it: ")));
        QVERIFY(!error.contains(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestInputFile)
#include "tst_inputfile.moc"
