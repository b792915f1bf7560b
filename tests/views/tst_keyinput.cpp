// Keys typed into real views of a published simulation: the key word that
// reaches the layer's block, the status line, the keys that are dropped,
// and the keys the hand and selection tools keep for themselves.
#include "devicekeys.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>

using fixture::buttonWithTip;
using fixture::keyWord;

namespace {

const QString Untouched = QStringLiteral("untouched");

} // namespace

class TestKeyInput : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    MainWindow *window = nullptr;
    sim::PublishedBlock *layer0 = nullptr;
    sim::PublishedBlock *layer1 = nullptr;

    ViewLayer *view(int n) { return fx.view(n); }
    PaintWidget *paint(int n) { return view(n)->GetPaintWidget(); }

    // Clears the key field and the status line before the next key.
    void reset()
    {
        layer0->takeKeyEvent();
        layer1->takeKeyEvent();
        window->SetStatusText(Untouched);
    }

    // The key leaves no trace: nothing written, the status line unchanged.
    bool noTrace() const
    {
        return layer0->keyEvent() == 0 && layer1->keyEvent() == 0 && window->StatusText() == Untouched;
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(20, 10)}, QSize(40, 30)));
        layer0 = fx.pub->layer(0);
        layer1 = fx.pub->layer(1);
        QVERIFY(fx.openWindow());
        window = fx.window.get();
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        reset();
    }

    void cleanup() { fx.clear(); }

    // Left pressed and released: one word each, in the view's own block,
    // with the state byte 01 then 00, and the two status lines.
    void leftArrowPressAndRelease()
    {
        QTest::keyPress(paint(1), Qt::Key_Left);
        QCOMPARE(layer1->keyEvent(), 0x00010110u);
        QCOMPARE(layer0->keyEvent(), 0u);
        QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_PRESSED (GUI_KEY_LEFT)"));
        QTest::keyRelease(paint(1), Qt::Key_Left);
        QCOMPARE(layer1->keyEvent(), 0x00010010u);
        QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_RELEASED (GUI_KEY_LEFT)"));
    }

    // Every special key of the table, pressed and released in a layer
    // view: its code reaches the view's block with the state byte 01 then
    // 00, and both status lines name it (Tab and Backtab too: they are
    // keys of the view, not moves of the focus).
    void everySpecialKeyReachesTheBlock_data() { fixture::addDeviceKeyRows(); }
    void everySpecialKeyReachesTheBlock()
    {
        QFETCH(int, key);
        QFETCH(int, code);
        QFETCH(QString, name);
        QTest::keyPress(paint(1), Qt::Key(key));
        QCOMPARE(layer1->keyEvent(), keyWord(code, true));
        QCOMPARE(window->StatusText(), fixture::keyStatus(name, true));
        QTest::keyRelease(paint(1), Qt::Key(key));
        QCOMPARE(layer1->keyEvent(), keyWord(code, false));
        QCOMPARE(window->StatusText(), fixture::keyStatus(name, false));
        QCOMPARE(layer0->keyEvent(), 0u);
    }

    // Characters, digits and both Enter keys; keys typed into the view
    // itself go the same way; the composite writes into the first layer.
    void charactersDigitsAndEnter()
    {
        QTest::keyPress(paint(0), Qt::Key_A);
        QCOMPARE(layer0->keyEvent(), keyWord(0x61, true));
        QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_PRESSED (\"a\")"));
        QTest::keyRelease(paint(0), Qt::Key_A);
        QCOMPARE(layer0->keyEvent(), keyWord(0x61, false));

        QTest::keyPress(paint(0), Qt::Key_A, Qt::ShiftModifier);
        QCOMPARE(layer0->keyEvent(), keyWord(0x41, true));
        QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_PRESSED (\"A\")"));

        QTest::keyPress(paint(0), Qt::Key_1);
        QCOMPARE(layer0->keyEvent(), keyWord(0x31, true));
        QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_PRESSED (\"1\")"));

        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            reset();
            QTest::keyPress(view(0), key);
            QCOMPARE(layer0->keyEvent(), keyWord(13, true));
            QCOMPARE(window->StatusText(), QStringLiteral("[Global]: KEY_PRESSED (GUI_KEY_ENTER)"));
        }

        reset();
        QTest::keyPress(window->CompositeView()->GetPaintWidget(), Qt::Key_Right);
        QCOMPARE(layer0->keyEvent(), keyWord(18, true));
        QCOMPARE(layer1->keyEvent(), 0u);
    }

    // Alt, Caps Lock and AltGr alone, any key with Alt, and keys beyond
    // Latin-1 that the table lacks (F3, Meta, the euro sign) send nothing
    // and leave the status line as it was.
    void droppedKeysLeaveNoTrace()
    {
        QTest::keyClick(paint(0), Qt::Key_Alt);
        QTest::keyClick(paint(0), Qt::Key_F3);
        QVERIFY(noTrace());
        // QTest has no text for these; the events a keyboard gives.
        const int dropped[] = {Qt::Key_CapsLock, Qt::Key_AltGr, Qt::Key_Meta, 0x20AC};
        for (int key : dropped) {
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(type, key, Qt::NoModifier, key == 0x20AC ? QString(QChar(0x20AC)) : QString());
                QApplication::sendEvent(paint(0), &event);
            }
            QVERIFY2(noTrace(), qPrintable(QString::number(key, 16)));
        }
        QTest::keyClick(paint(0), Qt::Key_A, Qt::AltModifier);
        QVERIFY(noTrace());
        // F1 and F2 are in the table.
        QTest::keyPress(paint(0), Qt::Key_F2);
        QCOMPARE(layer0->keyEvent(), keyWord(41, true));
    }

    // The hand tool keeps every key; releasing Escape ends it.
    void handToolSwallowsKeys()
    {
        QAbstractButton *hand = buttonWithTip(view(0), QStringLiteral("<b>Hand Tool</b>"));
        QVERIFY(hand);
        hand->click();
        QVERIFY(view(0)->handOn);
        QTest::keyClick(paint(0), Qt::Key_A);
        QTest::keyClick(paint(0), Qt::Key_Left);
        QVERIFY(noTrace());
        QTest::keyPress(paint(0), Qt::Key_Escape);
        QVERIFY(view(0)->handOn);
        QTest::keyRelease(paint(0), Qt::Key_Escape);
        QVERIFY(!view(0)->handOn);
        QVERIFY(!hand->isChecked());
        QVERIFY(noTrace());
        // With the tool off keys go through again.
        QTest::keyPress(paint(0), Qt::Key_A);
        QCOMPARE(layer0->keyEvent(), keyWord(0x61, true));
    }

    // With the selection tool on, Ctrl+C copies the selection and nothing
    // is sent; releasing Escape ends the tool and unchecks its button.
    void selectionToolCopiesAndEnds()
    {
        QAbstractButton *select = buttonWithTip(view(0), QStringLiteral("<b>Selection Tool</b>"));
        QVERIFY(select);
        select->click();
        QVERIFY(view(0)->selectionOn);
        view(0)->SetSelection(2, 3, 4, 5);
        QApplication::clipboard()->clear();
        QTest::keyClick(paint(0), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(layer0->keyEvent(), 0u);
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(4, 5));
        QCOMPARE(window->StatusText(), QStringLiteral("Copied area from (2, 3) to (5, 7) to clipboard."));

        window->SetStatusText(Untouched);
        QTest::keyClick(paint(0), Qt::Key_Escape);
        QVERIFY(!view(0)->selectionOn);
        QVERIFY(!select->isChecked());
        QVERIFY(!paint(0)->validSelection().isValid());
        QVERIFY(noTrace());
    }
};

QTEST_MAIN(TestKeyInput)
#include "tst_keyinput.moc"
