// The selection tool on real views: drawing with the pointer, the strip in
// the view's bottom row, setting a selection by numbers (also through the
// strip's dialog), zoom changes, the minimal view, and the selection that
// comes back with the view's state after the simulation restarts.
#include "dialogs/buttons.h"
#include "dialogs/modalscope.h"
#include "dialogs/scale.h"
#include "modalwait.h"
#include "selection/editselectiondialog.h"
#include "selection/selectionrect.h"
#include "selection/selectionwidget.h"
#include "windowfixture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using namespace fixture;

namespace {

QStringList stripTexts(ViewWidget *view)
{
    SelectionWidget *strip = view->GetSelectionWidget();
    return {strip->PosLabel()->text(), strip->SizeLabel()->text()};
}

} // namespace

class TestSelectionTool : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    MainWindow *window = nullptr;
    sim::Publisher *pub = nullptr;

    std::unique_ptr<ViewLayer> shownLayer(const sim::LayerSpec &s, int zoom)
    {
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        view->SetZoom(zoom);
        return showOffPointer(view.get(), QSize(200, 150)) ? std::move(view) : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        SetScale(1.0f);
        window = &fx.openHost();
        pub = fx.pub.get();
        window->layerCount = 1;
    }
    void cleanup()
    {
        fx.clear();
        SetScale(0);
    }

    void dragSelectsAndTheStripFollows()
    {
        const sim::LayerSpec s = spec(40, 30);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        std::unique_ptr<ViewLayer> view = shownLayer(s, 2);
        QVERIFY(view);
        PaintWidget *pw = view->GetPaintWidget();
        view->GetSelectionButton()->click();
        QCOMPARE(stripTexts(view.get()), QStringList({"(0 | 0)", "0 x 0"}));

        QTest::mouseMove(pw, at(2, 3, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: (x=2, y=3, RGB=00 00 00)"));
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(2, 3, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: Selection from (2, 3) to (2, 3)"));
        QVERIFY(pw->Selection() && pw->Selection()->IsEmpty());
        QTest::mouseMove(pw, at(4, 5, 2));
        QCOMPARE(stripTexts(view.get()), QStringList({"(2 | 3)", "2 x 2"}));
        QTest::mouseMove(pw, at(5, 7, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: Selection from (2, 3) to (5, 7)"));
        QCOMPARE(stripTexts(view.get()), QStringList({"(2 | 3)", "3 x 4"}));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(5, 7, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: (x=5, y=7, RGB=00 00 00)"));
        QCOMPARE(pw->validSelection(), QRect(2, 3, 3, 4));
        // No pointer input while the tool is on.
        QCOMPARE(b->pointerPressed(), 0);

        // Dragged past the right and bottom edges: the boundary stops at the
        // image's edge, so the selection ends on the last pixel.
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(30, 20, 2));
        QTest::mouseMove(pw, QPoint(200, 140));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, QPoint(200, 140));
        QCOMPARE(pw->validSelection(), QRect(QPoint(30, 20), QPoint(39, 29)));

        // A click without moving leaves an empty selection: none to show.
        QTest::mouseClick(pw, Qt::LeftButton, Qt::NoModifier, at(10, 10, 2));
        QVERIFY(pw->Selection() && pw->Selection()->IsEmpty());
        QVERIFY(!pw->validSelection().isValid());
        QCOMPARE(stripTexts(view.get()), QStringList({"(0 | 0)", "0 x 0"}));
        QVERIFY(!view->GetSelectionWidget()->HasSelection());
        QTest::mouseMove(view.get(), QPoint(1, 1));
    }

    void zoomRescalesASelectionAndDropsAnEmptyOne()
    {
        const sim::LayerSpec s = spec(40, 30);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view = shownLayer(s, 2);
        QVERIFY(view);
        PaintWidget *pw = view->GetPaintWidget();
        view->GetSelectionButton()->click();
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(5, 7, 2));
        QTest::mouseMove(pw, at(2, 3, 2));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(2, 3, 2));
        QCOMPARE(pw->validSelection(), QRect(2, 3, 3, 4));

        view->SetZoom(4);
        QCOMPARE(pw->validSelection(), QRect(2, 3, 3, 4));
        QCOMPARE(pw->Selection()->geometry(), QRect(8, 12, 13, 17));
        QCOMPARE(stripTexts(view.get()), QStringList({"(2 | 3)", "3 x 4"}));

        QTest::mouseClick(pw, Qt::LeftButton, Qt::NoModifier, at(20, 20, 4));
        QVERIFY(pw->Selection());
        view->SetZoom(1);
        QCOMPARE(pw->Selection(), static_cast<SelectionRect *>(nullptr));
        QVERIFY(view->selectionOn);
        QTest::mouseMove(view.get(), QPoint(1, 1));
    }

    void settingByNumbersSwitchesTheToolOn()
    {
        const sim::LayerSpec s = spec(40, 30);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(window, infoOf(0, s));
        PaintWidget *pw = view.GetPaintWidget();

        view.SetSelection(0, 0, 10, 10);
        QVERIFY(view.selectionOn && view.GetSelectionButton()->isChecked());
        QCOMPARE(pw->validSelection(), QRect(0, 0, 10, 10));
        SelectionRect *first = pw->Selection();
        view.SetSelection(5, 5, 2, 2);
        QCOMPARE(pw->Selection(), first);
        QCOMPARE(pw->validSelection(), QRect(5, 5, 2, 2));
        QCOMPARE(stripTexts(&view), QStringList({"(5 | 5)", "2 x 2"}));
        view.SetSelection(7, 7, 0, 0);
        QCOMPARE(pw->validSelection(), QRect(5, 5, 2, 2));

        // With the tool already on but nothing selected, the tool stays on.
        view.GetSelectionButton()->click();
        view.GetSelectionButton()->click();
        QVERIFY(view.selectionOn && !pw->Selection());
        view.SetSelection(1, 2, 3, 4);
        QVERIFY(view.selectionOn);
        QCOMPARE(pw->validSelection(), QRect(1, 2, 3, 4));

        // From the hand tool: the hand goes off, the selection tool comes on.
        view.GetHandButton()->click();
        QVERIFY(view.handOn && !pw->Selection());
        view.SetSelection(3, 3, 4, 4);
        QVERIFY(view.selectionOn && !view.handOn);
        QCOMPARE(pw->validSelection(), QRect(3, 3, 4, 4));
    }

    void stripDialogSetsTheSelectionThroughTheView()
    {
        const sim::LayerSpec s = spec(100, 50);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(window, infoOf(0, s));
        view.SetSelection(10, 10, 5, 5);
        int depth = -1;
        auto ran = modalwait::whenOpen<QDialog>([&depth](QDialog *d) {
            auto *edit = qobject_cast<EditSelectionDialog *>(d);
            depth = ModalScope::Depth();
            edit->XBox()->setValue(90);
            edit->WBox()->setValue(30);
            for (QPushButton *b : edit->findChildren<QPushButton *>())
                if (b->text() == QStringLiteral("OK"))
                    QTest::mouseClick(b, Qt::LeftButton);
        });
        view.GetSelectionWidget()->OnEditSelectionTriggered();
        QVERIFY(*ran);
        QCOMPARE(depth, 1); // the dialog ran inside the modal scope
        // W pulled X back to 70.
        QCOMPARE(view.GetPaintWidget()->validSelection(), QRect(70, 10, 30, 5));
        QCOMPARE(ModalScope::Depth(), 0);
    }

    void lineSelectionsShowTheirNumbers()
    {
        const sim::LayerSpec s = spec(40, 30);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view = shownLayer(s, 2);
        QVERIFY(view);
        PaintWidget *pw = view->GetPaintWidget();
        SelectionWidget *strip = view->GetSelectionWidget();
        view->GetSelectionButton()->click();

        // A click without a drag is no selection to show or edit.
        QTest::mouseClick(pw, Qt::LeftButton, Qt::NoModifier, at(7, 7, 2));
        QCOMPARE(stripTexts(view.get()), QStringList({"(0 | 0)", "0 x 0"}));
        QVERIFY(!strip->HasSelection());

        // Drawn as a vertical line: no pixels, but a position and a size.
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(20, 21, 2));
        QTest::mouseMove(pw, at(20, 23, 2));
        QTest::mouseMove(pw, QPoint(20 * 2, 26 * 2));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, QPoint(20 * 2, 26 * 2));
        QCOMPARE(stripTexts(view.get()), QStringList({"(20 | 21)", "0 x 5"}));
        QVERIFY(strip->HasSelection());
        // Nothing to paint shaded or copy.
        QVERIFY(!pw->validSelection().isValid());

        // Set by numbers with a height of 0 in the edit dialog.
        auto ran = modalwait::whenOpen<QDialog>([](QDialog *d) {
            auto *edit = qobject_cast<EditSelectionDialog *>(d);
            edit->XBox()->setValue(4);
            edit->YBox()->setValue(6);
            edit->WBox()->setValue(9);
            edit->HBox()->setValue(0);
            for (QPushButton *b : edit->findChildren<QPushButton *>())
                if (b->text() == QStringLiteral("OK"))
                    QTest::mouseClick(b, Qt::LeftButton);
        });
        strip->OnEditSelectionTriggered();
        QVERIFY(*ran);
        QCOMPARE(stripTexts(view.get()), QStringList({"(4 | 6)", "9 x 0"}));
        QVERIFY(strip->HasSelection());
        ViewState state;
        view->SaveState(&state);
        QCOMPARE(QRect(QPoint(state.selLeft, state.selTop), QPoint(state.selRight, state.selBottom)),
                 QRect(4, 6, 9, 0));
    }

    void stripSitsInTheBottomRowAndMinimalViewHidesIt()
    {
        const sim::LayerSpec s = spec(40, 30);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view = shownLayer(s, 1);
        QVERIFY(view);
        SelectionWidget *strip = view->GetSelectionWidget();
        QVERIFY(strip && strip->parentWidget() == view.get() && strip->isVisible());
        QVERIFY(strip->geometry().top() >= view->GetScrollArea()->geometry().bottom());
        view->SetMinimal(true);
        QVERIFY(strip->isHidden());
        view->SetMinimal(false);
        QVERIFY(!strip->isHidden());
    }

    void selectionComesBackAfterARestart()
    {
        QVERIFY(fx.openWindow());
        QVERIFY(fx.publish({spec(40, 30)}));
        QVERIFY(fx.waitForViews(1));
        fx.view(0)->SetZoom(2);
        fx.view(0)->SetSelection(3, 4, 5, 6);
        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publish({spec(40, 30)}));
        QVERIFY(fx.waitForViews(1));
        ViewLayer *view = fx.view(0);
        QCOMPARE(view->GetZoom(), 2);
        QVERIFY(view->selectionOn && view->GetSelectionButton()->isChecked());
        QCOMPARE(view->GetPaintWidget()->validSelection(), QRect(3, 4, 5, 6));
        QCOMPARE(view->GetPaintWidget()->Selection()->geometry().topLeft(), QPoint(6, 8));
        QCOMPARE(stripTexts(view), QStringList({"(3 | 4)", "5 x 6"}));

        // A line selection comes back as well.
        view->SetSelection(20, 21, 0, 5);
        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publish({spec(40, 30)}));
        QVERIFY(fx.waitForViews(1));
        QCOMPARE(stripTexts(fx.view(0)), QStringList({"(20 | 21)", "0 x 5"}));
        QVERIFY(fx.view(0)->GetSelectionWidget()->HasSelection());
    }
};

QTEST_MAIN(TestSelectionTool)
#include "tst_selectiontool.moc"
