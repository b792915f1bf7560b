// The main window against a running publisher: menus before and after a
// connection, the views it builds, teardown and restore of view states, the
// window modes, and repeated connect/teardown cycles.
#include "base/settings.h"
#include "dialogs/manual.h"
#include "dialogs/manualwarndialog.h"
#include "modalwait.h"
#include "palette/colorarea.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSplitter>

using fixture::actionNamed;
using fixture::buttonWithTip;
using fixture::menuNamed;

namespace {

// Answers the manual warning once it is really open: ticks the check box
// when asked, then presses the button with the given text. The flag turns
// true when it was answered.
std::shared_ptr<bool> answerNextDialog(const QString &button, bool tick)
{
    return modalwait::whenOpen<ManualWarnDialog>([button, tick](ManualWarnDialog *box) {
        if (tick)
            box->CheckBox()->setChecked(true);
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == button)
                QTest::mouseClick(b, Qt::LeftButton);
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    QList<QUrl> opened;

    QMenu *viewSubmenu(const QString &title) const { return menuNamed(fx.menu(QStringLiteral("&View")), title); }

    // A user zooms every layer view to 400 % with its zoom-in button and
    // switches its grid on.
    void zoomInWithGrid()
    {
        for (ViewLayer *view : fx.window->LayerViews()) {
            QAbstractButton *in = buttonWithTip(view, QStringLiteral("Zoom in"));
            for (int i = 0; i < 3; ++i)
                QTest::mouseClick(in, Qt::LeftButton);
            QTest::mouseClick(buttonWithTip(view, QStringLiteral("<b>Grid</b>")), Qt::LeftButton);
        }
    }
    // Whether every layer view shows that zoom in its combo box and has its
    // grid on or off.
    bool allViewsShow(const QString &zoom, bool grid) const
    {
        for (ViewLayer *view : fx.window->LayerViews()) {
            const QString shown = view->GetZoomCombo()->currentText();
            if (shown != zoom || view->gridOn != grid) {
                qWarning("layer %d: %s, grid %d", view->GetIndex(), qPrintable(shown), view->gridOn);
                return false;
            }
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        SetUrlOpener([this](const QUrl &url) {
            opened.append(url);
            return true;
        });
    }

    void init()
    {
        fx.reset();
        opened.clear();
    }

    void cleanup() { fx.clear(); }

    void menusBeforeAnySimulation()
    {
        fx.newWindow();
        QVERIFY(fx.menu(QStringLiteral("&View")));
        for (const char *title : {"Visible &Layer", "&Virtual Layer", "&Palettes"}) {
            QMenu *sub = viewSubmenu(QString::fromLatin1(title));
            QVERIFY2(sub, title);
            QCOMPARE(sub->actions().size(), 1);
            QAction *placeholder = sub->actions().first();
            QCOMPARE(placeholder->text(), QStringLiteral("Layer &0"));
            QVERIFY(placeholder->isCheckable());
            QVERIFY(!placeholder->isChecked());
            QVERIFY(!placeholder->isEnabled());
        }
        QAction *composite = fx.action(QStringLiteral("&View"), QStringLiteral("&Composite View"));
        QVERIFY(composite);
        QVERIFY(!composite->isEnabled());
        QCOMPARE(fx.action(QStringLiteral("&View"), QStringLiteral("&Restore window size"))->shortcut(),
                 QKeySequence(QStringLiteral("Alt+R")));
        QCOMPARE(fx.action(QStringLiteral("&File"), QStringLiteral("E&xit"))->shortcut(), QKeySequence(QStringLiteral("Alt+F4")));
        QVERIFY(fx.action(QStringLiteral("&Options"), QStringLiteral("Highlight &selection"))->isChecked());
        QVERIFY(!fx.action(QStringLiteral("&Options"), QStringLiteral("&Always on top"))->isChecked());
    }

    void restoreSizeWithoutSimulation()
    {
        QVERIFY(fx.openWindow());
        MainWindow &w = *fx.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.resize(120, 100);
        QTest::keyClick(&w, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(w.width() >= 350 && w.height() >= 300);
    }

    void manualQuestion()
    {
        fx.newWindow();
        QAction *manual = fx.action(QStringLiteral("&Help"), QStringLiteral("&User Manual"));
        QVERIFY(manual);

        auto answered = answerNextDialog(QStringLiteral("Cancel"), true);
        manual->trigger();
        QVERIFY(*answered);
        QVERIFY(opened.isEmpty());
        QCOMPARE(ReadSetting("HideManualWarning"), 0);

        answered = answerNextDialog(QStringLiteral("OK"), true);
        manual->trigger();
        QVERIFY(*answered);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(ReadSetting("HideManualWarning"), 1);

        // No question any more.
        manual->trigger();
        QCOMPARE(opened.size(), 2);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void buildsViewsForTwoLayersWithAVirtualScreen()
    {
        QVERIFY(fx.publishTwoLayerScene(false, 30));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        MainWindow &w = *fx.window;
        QCOMPARE(w.VirtViews().size(), 1);
        QVERIFY(w.VirtViews().first()->isHidden());
        QCOMPARE(w.PaletteViews().size(), 1);
        QCOMPARE(w.PaletteViews().first()->GetIndex(), 1);
        QVERIFY(!w.CompositeView());
        QVERIFY(!w.Splitter());
        QVERIFY(!w.ScrollArea());

        QMenu *visible = viewSubmenu(QStringLiteral("Visible &Layer"));
        QCOMPARE(visible->actions().size(), 2);
        QCOMPARE(visible->actions().at(1)->text(), QStringLiteral("Layer &1"));
        QVERIFY(visible->actions().at(1)->isChecked());
        QMenu *virt = viewSubmenu(QStringLiteral("&Virtual Layer"));
        QCOMPARE(virt->actions().size(), 1);
        QCOMPARE(virt->actions().first()->text(), QStringLiteral("Layer &1"));
        QVERIFY(!virt->actions().first()->isChecked());
        QMenu *palettes = viewSubmenu(QStringLiteral("&Palettes"));
        QCOMPARE(palettes->actions().size(), 1);
        QCOMPARE(palettes->actions().first()->text(), QStringLiteral("Palette &1"));
        QVERIFY(!fx.action(QStringLiteral("&View"), QStringLiteral("&Composite View"))->isEnabled());

        // The View menu shows and hides views.
        virt->actions().first()->trigger();
        QVERIFY(!w.VirtViews().first()->isHidden());
        visible->actions().at(0)->trigger();
        QVERIFY(fx.view(0)->isHidden());
        palettes->actions().first()->trigger();
        QVERIFY(w.PaletteViews().first()->isHidden());
    }

    void compositeBringsTheSplitter()
    {
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        MainWindow &w = *fx.window;
        QVERIFY(w.Splitter());
        QVERIFY(w.ScrollArea());
        QCOMPARE(w.Splitter()->count(), 2);
        QAction *composite = fx.action(QStringLiteral("&View"), QStringLiteral("&Composite View"));
        QVERIFY(composite->isEnabled());
        QVERIFY(composite->isChecked());
        composite->trigger();
        QVERIFY(w.CompositeView()->isHidden());
        composite->trigger();
        QVERIFY(!w.CompositeView()->isHidden());
    }

    void trueColourLayerHasNoPalette()
    {
        QVERIFY(fx.pub->createGlobal(255));
        QVERIFY(fx.pub->createLayer(0, sim::LayerSpec::of(10, 10, 0)));
        QVERIFY(fx.pub->holdPresence(simlink::DeviceWindowClass));
        fx.newWindow();
        QVERIFY(fx.waitForViews(1));
        QVERIFY(fx.window->PaletteViews().isEmpty());
        QMenu *palettes = viewSubmenu(QStringLiteral("&Palettes"));
        QCOMPARE(palettes->actions().size(), 1);
        QVERIFY(!palettes->actions().first()->isEnabled()); // still the placeholder
    }

    void sameConfigurationRestoresViewStates()
    {
        QVERIFY(fx.openWindow());
        MainWindow &w = *fx.window;
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.waitForViews(2));
        QVERIFY(w.Signature().isEmpty());
        fx.view(0)->SetZoom(4);
        fx.view(0)->gridOn = true;
        w.ShowLayerView(1, false, false);

        // The simulation ends: teardown, and the signature is kept.
        QVERIFY(fx.endSimulation());
        QCOMPARE(w.Signature().size(), 4 + 2 + 1);
        QVERIFY(!w.CompositeView());
        QVERIFY(w.StatusText().isEmpty());
        QCOMPARE(w.centralWidget()->findChildren<QLabel *>().size(), 1);
        QCOMPARE(w.centralWidget()->findChild<QLabel *>()->text(), QStringLiteral("No simulation found."));

        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.waitForViews(2));
        QCOMPARE(fx.view(0)->GetZoom(), 4);
        QVERIFY(fx.view(0)->gridOn);
        QVERIFY(fx.view(1)->isHidden());
        QVERIFY(!fx.view(0)->isHidden());
    }

    void oneMoreLayerStartsFresh()
    {
        MainWindow &w = fx.newWindow();
        QVERIFY(fx.publishTwoLayerScene());
        QVERIFY(fx.waitForViews(2));
        fx.view(0)->SetZoom(4);
        QVERIFY(fx.endSimulation());
        const QByteArray first = w.Signature();

        QVERIFY(fx.publishTwoLayerScene(true, 0, 1));
        QVERIFY(fx.waitForViews(3));
        QCOMPARE(fx.view(0)->GetZoom(), 1);
        QVERIFY(w.Signature() != first);
        QCOMPARE(int(w.Signature().at(0)), 3);
        QVERIFY(fx.endSimulation());
    }

    // A layer that only changes between two true-colour depths (16 and 32
    // bits per pixel) makes another configuration: after that restart no
    // view takes back its zoom or grid. The same restart without the change
    // restores both, so the depth alone decides.
    void otherTrueColourDepthStartsFresh()
    {
        QVERIFY(fx.openWindow());
        const auto publishDepth = [this](int bitsPerPixel) {
            return fx.publish({sim::LayerSpec::of(40, 30, 0, bitsPerPixel), sim::LayerSpec::of(20, 10)})
                && fx.waitForViews(2);
        };
        QVERIFY(publishDepth(16));
        zoomInWithGrid();
        QVERIFY(allViewsShow(QStringLiteral("400%"), true));
        QVERIFY(fx.endSimulation());
        QVERIFY(publishDepth(16));
        QVERIFY(allViewsShow(QStringLiteral("400%"), true));

        QVERIFY(fx.endSimulation());
        QVERIFY(publishDepth(32));
        QVERIFY(allViewsShow(QStringLiteral("100%"), false));

        // And back to 16 bits, this time without a tick between the end
        // and the new start: the window sees new blocks under a held lock.
        zoomInWithGrid();
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30, 0, 16), sim::LayerSpec::of(20, 10)}));
        QVERIFY(QTest::qWaitFor([this] {
            return fx.window->LayerViews().size() == 2 && sim::attachCount(fx.pub->layer(0)) == 2;
        }, 5000));
        QVERIFY(fx.settle());
        QVERIFY(allViewsShow(QStringLiteral("100%"), false));
    }

    void signatureCountsThePaletteAsItIsAtTheEnd()
    {
        // The palette shrinks from 16 to 8 colours without a palette counter
        // change just before the simulation ends; it comes back with 8: the
        // same configuration, so the views get their state back.
        QVERIFY(fx.openWindow());
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(20, 10, 16, 8)}) && fx.waitForViews(2));
        zoomInWithGrid();
        QVERIFY(allViewsShow(QStringLiteral("400%"), true));
        fx.pub->layer(1)->setNumColors(8);
        QVERIFY(fx.endSimulation());
        QVERIFY(fx.publish({sim::LayerSpec::of(40, 30), sim::LayerSpec::of(20, 10, 8, 8)}) && fx.waitForViews(2));
        QVERIFY(allViewsShow(QStringLiteral("400%"), true));
    }

    void virtualViewForAScreenOnlyWiderOrOnlyTaller()
    {
        // Layer 0 is only wider than its visible window, layer 1 only taller,
        // layer 2 neither: the first two get a virtual-layer view.
        sim::LayerSpec wide = sim::LayerSpec::of(16, 8);
        wide.vxSize = 40;
        sim::LayerSpec tall = sim::LayerSpec::of(16, 8);
        tall.vySize = 20;
        QVERIFY(fx.publish({wide, tall, sim::LayerSpec::of(16, 8)}));
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(3));
        const QList<ViewVirtLayer *> virt = fx.window->VirtViews();
        QCOMPARE(virt.size(), 2);
        QCOMPARE(virt.at(0)->imageWidth, 40);
        QCOMPARE(virt.at(0)->imageHeight, 8);
        QCOMPARE(virt.at(1)->imageWidth, 16);
        QCOMPARE(virt.at(1)->imageHeight, 20);
    }

    void alwaysOnTopKeepsTheWindowVisible()
    {
        QVERIFY(fx.openWindow());
        MainWindow &w = *fx.window;
        const Qt::WindowFlags before = w.windowFlags();
        QAction *onTop = fx.action(QStringLiteral("&Options"), QStringLiteral("&Always on top"));
        onTop->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(ReadSetting("AlwaysOnTop"), 1);
        onTop->trigger();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowFlags(), before);
        QCOMPARE(ReadSetting("AlwaysOnTop"), 0);
    }

    void storedAlwaysOnTopAppliesAtStart()
    {
        WriteSetting("AlwaysOnTop", 1);
        MainWindow &w = fx.newWindow();
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.isVisible()); // the toggle's slot shows the window
    }

    void highlightOptionsReachPanels()
    {
        MainWindow &w = fx.newWindow();
        QVERIFY(fx.publishTwoLayerScene(false));
        QVERIFY(fx.waitForViews(2));
        QCOMPARE(w.PaletteViews().size(), 1);
        QVERIFY(!w.PaletteViews().first()->GetColorArea()->HighlightEnabled());
        fx.action(QStringLiteral("&Options"), QStringLiteral("&Highlight palette colors"))->trigger();
        QVERIFY(w.PaletteViews().first()->GetColorArea()->HighlightEnabled());
        QCOMPARE(ReadSetting("HighlightPaletteColors"), 1);

        QVERIFY(fx.endSimulation());
        QVERIFY(w.PaletteViews().isEmpty());
        QVERIFY(fx.publishTwoLayerScene(false));
        QVERIFY(fx.waitForViews(2));
        QCOMPARE(w.PaletteViews().size(), 1);
        QVERIFY(w.PaletteViews().first()->GetColorArea()->HighlightEnabled());

        fx.action(QStringLiteral("&Options"), QStringLiteral("Highlight &selection"))->trigger();
        QCOMPARE(w.highlightSelection, 0);
        QCOMPARE(ReadSetting("HighlightSelection"), 0);
    }

    void repeatedCyclesLeaveNothingBehind()
    {
        QVERIFY(fx.openWindow());
        MainWindow &w = *fx.window;
        QVERIFY(fx.publishTwoLayerScene(true, 30));
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        sim::Publisher &pub = *fx.pub;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const int children = w.findChildren<QObject *>().size();
        for (int cycle = 0; cycle < 100; ++cycle) {
            pub.releasePresence(simlink::MainframeWindowClass);
            QTRY_VERIFY_WITH_TIMEOUT(w.LayerViews().isEmpty(), 2000);
            QCOMPARE(sim::attachCount(pub.layer(0)), 1);
            QCOMPARE(sim::attachCount(pub.layer(1)), 1);
            QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
            QTRY_VERIFY_WITH_TIMEOUT(w.CompositeView() != nullptr, 2000);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(w.findChildren<QObject *>().size(), children);
        pub.releasePresence(simlink::MainframeWindowClass);
        QTRY_VERIFY(w.LayerViews().isEmpty());
        QCOMPARE(sim::attachCount(pub.layer(0)), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
