// The selection strip and the edit dialog: texts, fixed width, the context
// menu's enabling, the dialog's ranges, the size pulling the position, the
// clipping on OK, Cancel, and a teardown while the dialog is open.
#include "selectionfixture.h"
#include "testenv.h"
#include "modalwait.h"

#include "dialogs/scale.h"
#include "selection/editselectiondialog.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <functional>

namespace {

QPushButton *button(QDialog *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Opens the strip's dialog, lets 'act' work on it, returns whether it ran.
bool editWith(SelectionWidget *strip, std::function<void(EditSelectionDialog *)> act)
{
    auto ran = modalwait::whenOpen<QDialog>([act](QDialog *d) { act(qobject_cast<EditSelectionDialog *>(d)); });
    strip->OnEditSelectionTriggered();
    return *ran;
}

} // namespace

class TestSelectionStrip : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() { SetScale(1.0f); }
    void cleanupTestCase() { SetScale(0); }

    void textsAndFixedWidth()
    {
        FakePaintWidget host(100, 50, 1);
        SelectionWidget *strip = host.strip;
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(0 | 0)"));
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("0 x 0"));
        QVERIFY(!strip->HasSelection());
        const int width = strip->sizeHint().width();

        strip->SetValues(9999, 12, 3, 9999);
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(9999 | 12)"));
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("3 x 9999"));
        QVERIFY(strip->HasSelection());
        QCOMPARE(strip->sizeHint().width(), width);

        strip->Clear();
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(0 | 0)"));
        QVERIFY(!strip->HasSelection());
        QCOMPARE(strip->sizeHint().width(), width);
        QCOMPARE(strip->focusPolicy(), Qt::NoFocus);
    }

    void menuEntryFollowsTheSelection()
    {
        FakePaintWidget host(100, 50, 1);
        QList<bool> enabled;
        const auto openMenu = [&] {
            auto ran = modalwait::whenOpen<QMenu>([&](QMenu *menu) {
                QCOMPARE(menu->actions().size(), 1);
                QCOMPARE(menu->actions().first()->text(), QStringLiteral("&Edit selection..."));
                enabled.append(menu->actions().first()->isEnabled());
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), host.strip->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(host.strip, &event);
            QVERIFY(*ran);
        };
        openMenu();
        host.strip->SetValues(1, 2, 3, 4);
        openMenu();
        QCOMPARE(enabled, (QList<bool>{false, true}));
    }

    void dialogRangesAndSizePullsPosition()
    {
        FakePaintWidget host(100, 50, 1);
        host.strip->SetValues(80, 10, 20, 5);
        QVERIFY(editWith(host.strip, [](EditSelectionDialog *d) {
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("Edit selection"));
            QCOMPARE(d->XBox()->maximum(), 99);
            QCOMPARE(d->YBox()->maximum(), 49);
            QCOMPARE(d->WBox()->maximum(), 100);
            QCOMPARE(d->HBox()->maximum(), 50);
            QCOMPARE(d->XBox()->value(), 80);
            QCOMPARE(d->WBox()->value(), 20);
            d->WBox()->setValue(30);
            QCOMPARE(d->XBox()->value(), 70);
            d->HBox()->setValue(45);
            QCOMPARE(d->YBox()->value(), 5);
            QTest::mouseClick(button(d, QStringLiteral("OK")), Qt::LeftButton);
        }));
        QCOMPARE(host.target.set, (QList<QRect>{QRect(70, 5, 30, 45)}));
    }

    void okClipsTheSizeToTheImage()
    {
        FakePaintWidget host(100, 50, 1);
        host.strip->SetValues(10, 10, 30, 45);
        QVERIFY(editWith(host.strip, [](EditSelectionDialog *d) {
            d->XBox()->setValue(90);   // no handler on X: W stays 30 until OK
            d->YBox()->setValue(20);
            QCOMPARE(d->WBox()->value(), 30);
            QTest::mouseClick(button(d, QStringLiteral("OK")), Qt::LeftButton);
        }));
        QCOMPARE(host.target.set, (QList<QRect>{QRect(90, 20, 10, 30)}));
    }

    void cancelAndClosingChangeNothing()
    {
        FakePaintWidget host(100, 50, 1);
        host.strip->SetValues(1, 2, 3, 4);
        QVERIFY(editWith(host.strip, [](EditSelectionDialog *d) {
            d->XBox()->setValue(50);
            QTest::mouseClick(button(d, QStringLiteral("Cancel")), Qt::LeftButton);
        }));
        QVERIFY(editWith(host.strip, [](EditSelectionDialog *d) { d->close(); }));
        QVERIFY(host.target.set.isEmpty());

        // The record itself is not written on Cancel.
        SelectionRecord record{1, 2, 3, 4, 100, 50};
        EditSelectionDialog dialog(nullptr, &record);
        dialog.WBox()->setValue(100);
        QTest::mouseClick(button(&dialog, QStringLiteral("Cancel")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(record.x, 1);
        QCOMPARE(record.width, 3);
    }

    void teardownWhileTheDialogIsOpen()
    {
        auto *view = new QWidget;
        RecordingTarget target;
        target.width = 100;
        target.height = 50;
        auto *strip = new SelectionWidget(view, &target);
        strip->SetValues(1, 1, 5, 5);
        view->show();
        QVERIFY(editWith(strip, [view](EditSelectionDialog *) { delete view; }));
        QVERIFY(target.set.isEmpty());

        // The same for the strip's own menu.
        view = new QWidget;
        strip = new SelectionWidget(view, &target);
        view->show();
        auto ran = modalwait::whenOpen<QMenu>([view](QMenu *) { delete view; });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1), strip->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(strip, &event);
        QVERIFY(*ran);
    }
};

QTEST_MAIN(TestSelectionStrip)
#include "tst_selectionstrip.moc"
