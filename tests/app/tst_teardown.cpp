// The simulation ends while a dialog or pop-up menu of a view runs its own
// event loop: the views stay (no longer reading their blocks) until it has
// closed, the code after exec() finds its objects alive, and the teardown
// follows on the next redraw tick, saving the states as usual.
#include "app/mainwindow.h"
#include "dialogs/colorchooser.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/modalscope.h"
#include "modalwait.h"
#include "palette/colorarea.h"
#include "palette/palettewidget.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"
#include "views/viewlayer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

namespace {

QAbstractButton *buttonWithTip(QWidget *owner, const QString &tipStart)
{
    for (QAbstractButton *b : owner->findChildren<QAbstractButton *>())
        if (b->toolTip().startsWith(tipStart))
            return b;
    return nullptr;
}

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
    TestEnvironment env;
    int dirCount = 0;
    std::unique_ptr<sim::Publisher> pub;
    std::unique_ptr<MainWindow> window;

    // Layer 0 true colour with a display size, layer 1 indexed with 16 colours.
    bool publish()
    {
        pub.reset(new sim::Publisher);
        if (!pub->createGlobal(255))
            return false;
        sim::PublishedBlock *l0 = pub->createLayer(0, sim::LayerSpec::of(40, 30));
        sim::PublishedBlock *l1 = pub->createLayer(1, sim::LayerSpec::of(20, 10, 16, 8));
        if (!l0 || !l1)
            return false;
        l0->setCompositeSize(40, 30);
        for (int i = 0; i < 16; ++i)
            l1->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x111111));
        return pub->holdPresence(simlink::MainframeWindowClass);
    }

    // Ends the simulation and waits, bounded, until the redraw tick has seen
    // it end, then notes what the views look like meanwhile.
    void endSimulation(Seen *seen)
    {
        pub->tearDown();
        seen->deferred = QTest::qWaitFor([this] { return window->TeardownPending(); }, 5000);
        seen->viewsKept = window->LayerViews().size() == 2 && window->PaletteViews().size() == 1;
        seen->blocksDropped = true;
        for (ViewLayer *v : window->LayerViews())
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
        env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount));
        env.resetSettings();
        QVERIFY(publish());
        window.reset(new MainWindow);
        setMainWindow(window.get());
        window->show();
        QTRY_COMPARE(window->LayerViews().size(), 2);
    }

    void cleanup()
    {
        SetColorChooser(ColorChooser());
        window.reset();
        setMainWindow(nullptr);
        pub.reset();
        QCOMPARE(ModalScope::Depth(), 0);
    }

    // The simulation ends and comes back while a view's grid colour dialog is
    // open; the choice made afterwards reaches the view and its saved state.
    void gridColourDialogOutlivesTheSimulation()
    {
        ViewLayer *view = window->LayerViews().at(0);
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
        QTRY_COMPARE(window->LayerViews().size(), 2);
        QVERIFY(!window->TeardownPending());
        QCOMPARE(window->LayerViews().at(0)->gridMode, 1);
        QVERIFY(!window->LayerViews().at(0)->GetRecord().isNull());
    }

    // The system colour chooser opened from the grid colour dialog is open
    // when the simulation ends.
    void colourChooserOutlivesTheSimulation()
    {
        SetColorChooser(ColorChooser()); // the real QColorDialog
        ViewLayer *view = window->LayerViews().at(1);
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
        QVERIFY(window->LayerViews().isEmpty());
        QVERIFY(!window->TeardownPending());
    }

    // A swatch's context menu is open when the simulation ends; its entry
    // still works and the swatch is freed once, by the teardown.
    void swatchMenuOutlivesTheSimulation()
    {
        ColorItem *six = window->PaletteViews().first()->GetColorArea()->Items().at(6);
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
        QVERIFY(window->PaletteViews().isEmpty());
        // The states were saved at the deferred teardown: the signature holds
        // both layers and the palette.
        QCOMPARE(window->Signature().size(), 4 + 2 + 1);
    }
};

QTEST_MAIN(TestTeardown)
#include "tst_teardown.moc"
