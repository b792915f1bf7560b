// The simulation ends while a dialog or pop-up menu of a view runs its own
// event loop: the views stay (no longer reading their blocks) until it has
// closed, the code after exec() finds its objects alive, and the teardown
// follows on the next redraw tick, saving the states as usual.
#include "dialogs/colorchooser.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/modalscope.h"
#include "modalwait.h"
#include "palette/colorarea.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

using fixture::buttonWithTip;

namespace {

// What a test saw from inside the nested event loop; checked after it ended
// so that a failed check never leaves a dialog open.
struct Seen
{
    bool deferred = false;
    bool viewsKept = false;
    bool blocksDropped = false;
};

} // namespace

class TestTeardown : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    // Layer 0 true colour with a display size, layer 1 indexed with 16 greys.
    bool publish()
    {
        if (!fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(20, 10, 16, 8)}, QSize(40, 30)))
            return false;
        for (int i = 0; i < 16; ++i)
            fx.pub->layer(1)->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x111111));
        return true;
    }

    // Ends the simulation and waits, bounded, until the redraw tick has seen
    // it end, then notes what the views look like meanwhile.
    void endSimulation(Seen *seen)
    {
        fx.pub->tearDown();
        seen->deferred = QTest::qWaitFor([this] { return fx.window->TeardownPending(); }, 5000);
        seen->viewsKept = fx.window->LayerViews().size() == 2 && fx.window->PaletteViews().size() == 1;
        seen->blocksDropped = true;
        for (ViewLayer *v : fx.window->LayerViews())
            seen->blocksDropped = seen->blocksDropped && v->GetRecord().isNull();
    }

    static void checkSeen(const Seen &seen)
    {
        QVERIFY(seen.deferred);
        QVERIFY(seen.viewsKept);
        QVERIFY(seen.blocksDropped);
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        QVERIFY(publish());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
    }

    void cleanup()
    {
        SetColorChooser(ColorChooser());
        fx.clear();
        QCOMPARE(ModalScope::Depth(), 0);
    }

    // The simulation ends and comes back while a view's grid colour dialog is
    // open; the choice made afterwards reaches the view and its saved state.
    void gridColourDialogOutlivesTheSimulation()
    {
        ViewLayer *view = fx.view(0);
        QPointer<ViewLayer> guard(view);
        QAbstractButton *gridColour = buttonWithTip(view, QStringLiteral("<b>Grid Color</b>"));
        QVERIFY(gridColour);
        Seen seen;
        bool restarted = false;
        auto ran = modalwait::whenOpen<GridColorDialog>([&](GridColorDialog *dialog) {
            endSimulation(&seen);
            restarted = publish();
            dialog->findChild<QRadioButton *>(QStringLiteral("xorRadio"))->click();
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
        });
        QTest::mouseClick(gridColour, Qt::LeftButton);
        QVERIFY(*ran);
        checkSeen(seen);
        QVERIFY(restarted);
        // exec() returned into a live view, which took the dialog's result.
        QVERIFY(guard);
        QCOMPARE(view->gridMode, 1);

        // The first tick after the dialog closed tears down; the simulation
        // that came back meanwhile is then found and its views restored.
        QTRY_VERIFY(!guard);
        QTRY_COMPARE(fx.window->LayerViews().size(), 2);
        QVERIFY(!fx.window->TeardownPending());
        QCOMPARE(fx.view(0)->gridMode, 1);
        QVERIFY(!fx.view(0)->GetRecord().isNull());
    }

    // The system colour chooser opened from the grid colour dialog is open
    // when the simulation ends.
    void colourChooserOutlivesTheSimulation()
    {
        SetColorChooser(ColorChooser()); // the real QColorDialog
        ViewLayer *view = fx.view(1);
        QPointer<ViewLayer> guard(view);
        Seen seen;
        quint32 chosen = 0;
        bool chooserRan = false;
        auto ran = modalwait::whenOpen<GridColorDialog>([&](GridColorDialog *dialog) {
            auto inner = modalwait::whenOpen<QColorDialog>([&](QColorDialog *chooser) {
                endSimulation(&seen);
                chooser->setCurrentColor(QColor(0x12, 0x34, 0x56));
                chooser->accept();
            });
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("chooseButton")), Qt::LeftButton);
            chooserRan = *inner;
            chosen = dialog->Color();
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
        });
        QTest::mouseClick(buttonWithTip(view, QStringLiteral("<b>Grid Color</b>")), Qt::LeftButton);
        QVERIFY(*ran);
        QVERIFY(chooserRan);
        checkSeen(seen);
        QCOMPARE(chosen, 0xFF123456u);
        QVERIFY(guard);
        QCOMPARE(view->gridColor, 0xFF123456u);
        QTRY_VERIFY(!guard);
        QVERIFY(fx.window->LayerViews().isEmpty());
        QVERIFY(!fx.window->TeardownPending());
    }

    // A swatch's context menu is open when the simulation ends; its entry
    // still works and the swatch is freed once, by the teardown.
    void swatchMenuOutlivesTheSimulation()
    {
        ColorItem *six = fx.window->PaletteViews().first()->GetColorArea()->Items().at(6);
        QPointer<ColorItem> guard(six);
        QApplication::clipboard()->clear();
        Seen seen;
        auto ran = modalwait::whenOpen<QMenu>([&](QMenu *menu) {
            endSimulation(&seen);
            for (QAction *a : menu->actions())
                if (a->text() == QStringLiteral("Copy &index"))
                    a->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3), six->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(six, &event);
        QVERIFY(*ran);
        checkSeen(seen);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("6"));
        QVERIFY(guard);
        QTRY_VERIFY(!guard);
        QVERIFY(fx.window->PaletteViews().isEmpty());
        // The states were saved at the deferred teardown: the signature holds
        // both layers and the palette.
        QCOMPARE(fx.window->Signature().size(), 4 + 2 + 1);
    }
};

QTEST_MAIN(TestTeardown)
#include "tst_teardown.moc"
