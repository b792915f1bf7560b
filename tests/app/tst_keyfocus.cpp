// Keys typed into a view of the shown window travel through Qt's focus
// handling as the platform delivers them; Tab and Backtab must reach the
// simulation like any other key instead of moving the keyboard focus.
#include "devicekeys.h"
#include "windowfixture.h"

#include <QComboBox>

using fixture::keyWord;

class TestKeyFocus : public QObject
{
    Q_OBJECT

    WindowFixture fx;

    // One key event through the window, as the platform sends it: Qt routes
    // it to the focus widget.
    void send(bool press, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::simulateEvent(fx.window->windowHandle(), press, key, modifiers, QString(), false);
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup() { fx.clear(); }

    void tabBacktabAndDownReachTheSimulation()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        ViewLayer *view = fx.view(0);
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(paint);
        QTest::mouseClick(paint, Qt::LeftButton, Qt::NoModifier, fixture::at(2, 2, 1));
        QTRY_VERIFY(paint->hasFocus());
        const int zoomIndex = view->GetZoomCombo()->currentIndex();
        sim::PublishedBlock *block = fx.pub->layer(0);

        struct Step {
            bool press;
            int key;
            Qt::KeyboardModifiers modifiers;
            quint32 word;
        };
        const Step steps[] = {
            {true, Qt::Key_Tab, Qt::NoModifier, keyWord(9, true)},
            {false, Qt::Key_Tab, Qt::NoModifier, keyWord(9, false)},
            {true, Qt::Key_Shift, Qt::NoModifier, keyWord(25, true)},
            {true, Qt::Key_Backtab, Qt::ShiftModifier, keyWord(10, true)},
            {false, Qt::Key_Backtab, Qt::ShiftModifier, keyWord(10, false)},
            {false, Qt::Key_Shift, Qt::NoModifier, keyWord(25, false)},
            {true, Qt::Key_Down, Qt::NoModifier, keyWord(19, true)},
            {false, Qt::Key_Down, Qt::NoModifier, keyWord(19, false)},
        };
        for (const Step &step : steps) {
            send(step.press, step.key, step.modifiers);
            QCOMPARE(QApplication::focusWidget(), paint);
            QCOMPARE(block->keyEvent(), step.word);
        }
        QCOMPARE(view->GetZoomCombo()->currentIndex(), zoomIndex);
    }

    void tabInTheZoomBoxStillMovesTheFocus()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        QComboBox *combo = fx.view(0)->GetZoomCombo();
        combo->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(combo->hasFocus());
        send(true, Qt::Key_Tab);
        QVERIFY(!combo->hasFocus());
        QCOMPARE(fx.pub->layer(0)->keyEvent(), 0u);
    }
};

QTEST_MAIN(TestKeyFocus)
#include "tst_keyfocus.moc"
