// Key translation for the simulated device: the key table and its names,
// the character rule with Shift and Caps Lock, the dropped keys, the tool
// keys, the status texts and the key word written into a block.
#include "devicekeys.h"
#include "simlink/input.h"
#include "simlink/layerblock.h"
#include "views/keytext.h"

#include <QtTest>

#include <vector>

namespace {

KeyInput press(int key, Qt::KeyboardModifiers m = Qt::NoModifier, bool caps = false)
{
    return TranslateKeyEvent(key, m, caps, true);
}

} // namespace

class TestKeyText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void specialKeys()
    {
        KeyInput in = press(Qt::Key_Left);
        QVERIFY(in.send);
        QCOMPARE(in.value, 16);
        QCOMPARE(in.state, 1);
        QCOMPARE(in.status, QStringLiteral("[Global]: KEY_PRESSED (GUI_KEY_LEFT)"));
        in = TranslateKeyEvent(Qt::Key_Left, Qt::NoModifier, false, false);
        QCOMPARE(in.state, 0);
        QCOMPARE(in.status, QStringLiteral("[Global]: KEY_RELEASED (GUI_KEY_LEFT)"));

        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
            in = press(key);
            QCOMPARE(in.value, 13);
            QCOMPARE(in.status, QStringLiteral("[Global]: KEY_PRESSED (GUI_KEY_ENTER)"));
        }
        QCOMPARE(press(Qt::Key_Space).status, QStringLiteral("[Global]: KEY_PRESSED (GUI_KEY_SPACE)"));
        QCOMPARE(press(Qt::Key_Shift, Qt::ShiftModifier).value, 25);
        QCOMPARE(GetKeyName(21), QStringLiteral("GUI_KEY_PGDOWN"));
        QCOMPARE(GetKeyName(22), QStringLiteral("22"));
    }

    // Every row of the key table: the code sent on press and on release,
    // the name in both status lines and the name lookup of the code.
    void keyTable_data() { fixture::addDeviceKeyRows(); }
    void keyTable()
    {
        QFETCH(int, key);
        QFETCH(int, code);
        QFETCH(QString, name);
        for (bool pressed : {true, false}) {
            const KeyInput in = TranslateKeyEvent(key, Qt::NoModifier, false, pressed);
            QVERIFY(in.send);
            QCOMPARE(in.value, code);
            QCOMPARE(in.state, pressed ? 1 : 0);
            QCOMPARE(in.status, fixture::keyStatus(name, pressed));
        }
        QCOMPARE(GetKeyName(code), name);
    }

    void characterRule_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("caps");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a") << int(Qt::Key_A) << false << false << 0x61 << "a";
        QTest::newRow("Shift a") << int(Qt::Key_A) << true << false << 0x41 << "A";
        QTest::newRow("Caps a") << int(Qt::Key_A) << false << true << 0x41 << "A";
        QTest::newRow("Caps Shift a") << int(Qt::Key_A) << true << true << 0x41 << "A";
        QTest::newRow("1") << int(Qt::Key_1) << false << false << 0x31 << "1";
        QTest::newRow("Caps 1") << int(Qt::Key_1) << false << true << 0x31 << "1";
        QTest::newRow("a umlaut") << int(Qt::Key_Adiaeresis) << false << false << 0xE4 << QString(QChar(0xE4));
        QTest::newRow("Caps a umlaut") << int(Qt::Key_Adiaeresis) << false << true << 0xC4 << QString(QChar(0xC4));
        // Upper cases outside Latin-1 would send 0: the character stays.
        QTest::newRow("Caps y umlaut") << int(Qt::Key_ydiaeresis) << false << true << 0xFF << QString(QChar(0xFF));
        QTest::newRow("Caps micro") << int(Qt::Key_mu) << false << true << 0xB5 << QString(QChar(0xB5));
    }
    void characterRule()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(bool, caps);
        QFETCH(int, value);
        QFETCH(QString, shown);
        const KeyInput in = press(key, shift ? Qt::ShiftModifier : Qt::NoModifier, caps);
        QVERIFY(in.send);
        QCOMPARE(in.value, value);
        QCOMPARE(in.status, QStringLiteral("[Global]: KEY_PRESSED (\"%1\")").arg(shown));
    }

    void droppedKeys()
    {
        const std::vector<int> dropped = {
            Qt::Key_Alt, Qt::Key_CapsLock, Qt::Key_AltGr,
            Qt::Key_F3,       // 0x01000032 would type "2"
            Qt::Key_Meta,     // would type a double quote
            0x20AC,           // the euro sign would type a Latin-1 "not" sign
            Qt::Key_unknown,
        };
        for (int key : dropped) {
            QVERIFY2(!press(key).send, qPrintable(QString::number(key, 16)));
            QCOMPARE(TranslateKey(key, false, false).kind, KeyTranslation::Dropped);
        }
        // Any key with Alt held.
        QVERIFY(!press(Qt::Key_A, Qt::AltModifier).send);
        QVERIFY(!press(Qt::Key_Left, Qt::AltModifier | Qt::ShiftModifier).send);
    }

    void toolKeys()
    {
        QCOMPARE(ToolKey(Qt::Key_C, Qt::ControlModifier, true, true), ToolKeyAction::Copy);
        QCOMPARE(ToolKey(Qt::Key_C, Qt::ControlModifier, true, false), ToolKeyAction::Copy);
        QCOMPARE(ToolKey(Qt::Key_C, Qt::ControlModifier, false, true), ToolKeyAction::None);  // hand tool
        QCOMPARE(ToolKey(Qt::Key_Escape, Qt::NoModifier, false, false), ToolKeyAction::EndTool);
        QCOMPARE(ToolKey(Qt::Key_Escape, Qt::NoModifier, true, true), ToolKeyAction::None);
    }

    void keyWordInTheBlock()
    {
        QCOMPARE(KeyWord(0x10, 1), 0x00010110u);
        QCOMPARE(KeyWord(0x10, 0), 0x00010010u);
        QCOMPARE(KeyWord(0xE4, 1), 0x000101E4u);

        // WriteKey stores exactly that word at the key field.
        std::vector<uchar> block(8192, 0);
        const BlockView view(block.data(), qint64(block.size()));
        simlink::WriteKey(view, 0, 13, 1);
        QCOMPARE(view.readUInt32(simlink::Offset::KeyEvent), fixture::keyWord(13, true));
        simlink::WriteKey(view, 0, press(Qt::Key_A).value, 0);
        QCOMPARE(view.readUInt32(simlink::Offset::KeyEvent), 0x00010061u);
    }
};

QTEST_MAIN(TestKeyText)
#include "tst_keytext.moc"
