// The main window against a running publisher: menus before and after a
// connection, the views it builds, teardown and restore of view states, the
// window modes, and repeated connect/teardown cycles.
#include "app/mainwindow.h"
#include "app/settings.h"
#include "dialogs/manual.h"
#include "dialogs/manualwarndialog.h"
#include "palette/colorarea.h"
#include "palette/palettewidget.h"
#include "paint/paintwidget.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "modalwait.h"
#include "testenv.h"
#include "windowfixture.h"
#include "views/scrollareas.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QtTest>


namespace {

QMenu *menuNamed(QWidget *menuOwner, const QString &title)
{
    const QList<QAction *> actions = menuOwner->actions();
    for (QAction *a : actions)
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

QAction *actionNamed(QMenu *menu, const QString &text)
{
    if (!menu)
        return nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

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
    TestEnvironment env;
    int dirCount = 0;
    QList<QUrl> opened;

    void freshDir() { env.useRuntimeDir(env.root() + QStringLiteral("/run%1").arg(++dirCount)); }


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
        freshDir();
        env.resetSettings();
        opened.clear();
    }

    void menusBeforeAnySimulation()
    {
        MainWindow w;
        setMainWindow(&w);
        QMenu *view = menuNamed(w.menuBar(), QStringLiteral("&View"));
        QVERIFY(view);
        for (const char *title : {"Visible &Layer", "&Virtual Layer", "&Palettes"}) {
            QMenu *sub = menuNamed(view, QString::fromLatin1(title));
            QVERIFY2(sub, title);
            QCOMPARE(sub->actions().size(), 1);
            QAction *placeholder = sub->actions().first();
            QCOMPARE(placeholder->text(), QStringLiteral("Layer &0"));
            QVERIFY(placeholder->isCheckable());
            QVERIFY(!placeholder->isChecked());
            QVERIFY(!placeholder->isEnabled());
        }
        QAction *composite = actionNamed(view, QStringLiteral("&Composite View"));
        QVERIFY(composite);
        QVERIFY(!composite->isEnabled());
        QCOMPARE(actionNamed(view, QStringLiteral("&Restore window size"))->shortcut(), QKeySequence(QStringLiteral("Alt+R")));
        QMenu *file = menuNamed(w.menuBar(), QStringLiteral("&File"));
        QCOMPARE(actionNamed(file, QStringLiteral("E&xit"))->shortcut(), QKeySequence(QStringLiteral("Alt+F4")));
        QMenu *options = menuNamed(w.menuBar(), QStringLiteral("&Options"));
        QVERIFY(actionNamed(options, QStringLiteral("Highlight &selection"))->isChecked());
        QVERIFY(!actionNamed(options, QStringLiteral("&Always on top"))->isChecked());
        setMainWindow(nullptr);
    }

    void restoreSizeWithoutSimulation()
    {
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.resize(120, 100);
        QTest::keyClick(&w, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(w.width() >= 350 && w.height() >= 300);
        setMainWindow(nullptr);
    }

    void manualQuestion()
    {
        MainWindow w;
        setMainWindow(&w);
        QMenu *help = menuNamed(w.menuBar(), QStringLiteral("&Help"));
        QAction *manual = actionNamed(help, QStringLiteral("&User Manual"));
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
        setMainWindow(nullptr);
    }

    void buildsViewsForTwoLayersWithAVirtualScreen()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, false, 30);
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QTRY_COMPARE(w.LayerViews().size(), 2);
        QCOMPARE(w.VirtViews().size(), 1);
        QVERIFY(w.VirtViews().first()->isHidden());
        QCOMPARE(w.PaletteViews().size(), 1);
        QCOMPARE(w.PaletteViews().first()->GetIndex(), 1);
        QVERIFY(!w.CompositeView());
        QVERIFY(!w.Splitter());
        QVERIFY(!w.ScrollArea());

        QMenu *view = menuNamed(w.menuBar(), QStringLiteral("&View"));
        QMenu *visible = menuNamed(view, QStringLiteral("Visible &Layer"));
        QCOMPARE(visible->actions().size(), 2);
        QCOMPARE(visible->actions().at(1)->text(), QStringLiteral("Layer &1"));
        QVERIFY(visible->actions().at(1)->isChecked());
        QMenu *virt = menuNamed(view, QStringLiteral("&Virtual Layer"));
        QCOMPARE(virt->actions().size(), 1);
        QCOMPARE(virt->actions().first()->text(), QStringLiteral("Layer &1"));
        QVERIFY(!virt->actions().first()->isChecked());
        QMenu *palettes = menuNamed(view, QStringLiteral("&Palettes"));
        QCOMPARE(palettes->actions().size(), 1);
        QCOMPARE(palettes->actions().first()->text(), QStringLiteral("Palette &1"));
        QVERIFY(!actionNamed(view, QStringLiteral("&Composite View"))->isEnabled());

        // The View menu shows and hides views.
        virt->actions().first()->trigger();
        QVERIFY(!w.VirtViews().first()->isHidden());
        visible->actions().at(0)->trigger();
        QVERIFY(w.LayerViews().at(0)->isHidden());
        palettes->actions().first()->trigger();
        QVERIFY(w.PaletteViews().first()->isHidden());
        setMainWindow(nullptr);
    }

    void compositeBringsTheSplitter()
    {
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true);
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QTRY_VERIFY(w.CompositeView() != nullptr);
        QVERIFY(w.Splitter());
        QVERIFY(w.ScrollArea());
        QCOMPARE(w.Splitter()->count(), 2);
        QMenu *view = menuNamed(w.menuBar(), QStringLiteral("&View"));
        QAction *composite = actionNamed(view, QStringLiteral("&Composite View"));
        QVERIFY(composite->isEnabled());
        QVERIFY(composite->isChecked());
        composite->trigger();
        QVERIFY(w.CompositeView()->isHidden());
        composite->trigger();
        QVERIFY(!w.CompositeView()->isHidden());
        setMainWindow(nullptr);
    }

    void trueColourLayerHasNoPalette()
    {
        sim::Publisher pub;
        pub.createGlobal(255);
        pub.createLayer(0, sim::LayerSpec::of(10, 10, 0));
        pub.holdPresence(simlink::DeviceWindowClass);
        MainWindow w;
        setMainWindow(&w);
        QTRY_COMPARE(w.LayerViews().size(), 1);
        QVERIFY(w.PaletteViews().isEmpty());
        QMenu *palettes = menuNamed(menuNamed(w.menuBar(), QStringLiteral("&View")), QStringLiteral("&Palettes"));
        QCOMPARE(palettes->actions().size(), 1);
        QVERIFY(!palettes->actions().first()->isEnabled()); // still the placeholder
        setMainWindow(nullptr);
    }

    void sameConfigurationRestoresViewStates()
    {
        MainWindow w;
        setMainWindow(&w);
        w.show();
        {
            sim::Publisher pub;
            fixture::publishTwoLayerScene(pub, true);
            QTRY_COMPARE(w.LayerViews().size(), 2);
            QVERIFY(w.Signature().isEmpty());
            w.LayerViews().at(0)->SetZoom(4);
            w.LayerViews().at(0)->gridOn = true;
            w.ShowLayerView(1, false, false);
        }
        // The publisher went away: teardown, and the signature is kept.
        QTRY_VERIFY(w.LayerViews().isEmpty());
        QCOMPARE(w.Signature().size(), 4 + 2 + 1);
        QVERIFY(!w.CompositeView());
        QVERIFY(w.StatusText().isEmpty());
        QCOMPARE(w.centralWidget()->findChildren<QLabel *>().size(), 1);
        QCOMPARE(w.centralWidget()->findChild<QLabel *>()->text(), QStringLiteral("No simulation found."));

        sim::Publisher again;
        fixture::publishTwoLayerScene(again, true);
        QTRY_COMPARE(w.LayerViews().size(), 2);
        QCOMPARE(w.LayerViews().at(0)->zoom, 4);
        QVERIFY(w.LayerViews().at(0)->gridOn);
        QVERIFY(w.LayerViews().at(1)->isHidden());
        QVERIFY(!w.LayerViews().at(0)->isHidden());
        setMainWindow(nullptr);
    }

    void oneMoreLayerStartsFresh()
    {
        MainWindow w;
        setMainWindow(&w);
        {
            sim::Publisher pub;
            fixture::publishTwoLayerScene(pub, true);
            QTRY_COMPARE(w.LayerViews().size(), 2);
            w.LayerViews().at(0)->SetZoom(4);
        }
        QTRY_VERIFY(w.LayerViews().isEmpty());
        const QByteArray first = w.Signature();
        {
            sim::Publisher pub;
            fixture::publishTwoLayerScene(pub, true, 0, 1);
            QTRY_COMPARE(w.LayerViews().size(), 3);
            QCOMPARE(w.LayerViews().at(0)->zoom, 1);
            QVERIFY(w.Signature() != first);
            QCOMPARE(int(w.Signature().at(0)), 3);
        }
        QTRY_VERIFY(w.LayerViews().isEmpty());
        setMainWindow(nullptr);
    }

    void virtualViewForAScreenOnlyWiderOrOnlyTaller()
    {
        // Layer 0 is only wider than its visible window, layer 1 only taller,
        // layer 2 neither: the first two get a virtual-layer view.
        sim::Publisher pub;
        QVERIFY(pub.createGlobal(255));
        sim::LayerSpec wide = sim::LayerSpec::of(16, 8);
        wide.vxSize = 40;
        sim::LayerSpec tall = sim::LayerSpec::of(16, 8);
        tall.vySize = 20;
        QVERIFY(pub.createLayer(0, wide));
        QVERIFY(pub.createLayer(1, tall));
        QVERIFY(pub.createLayer(2, sim::LayerSpec::of(16, 8)));
        QVERIFY(pub.holdPresence(simlink::MainframeWindowClass));
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QTRY_COMPARE(w.LayerViews().size(), 3);
        QCOMPARE(w.VirtViews().size(), 2);
        QCOMPARE(w.VirtViews().at(0)->imageWidth, 40);
        QCOMPARE(w.VirtViews().at(0)->imageHeight, 8);
        QCOMPARE(w.VirtViews().at(1)->imageWidth, 16);
        QCOMPARE(w.VirtViews().at(1)->imageHeight, 20);
        setMainWindow(nullptr);
    }

    void alwaysOnTopKeepsTheWindowVisible()
    {
        MainWindow w;
        setMainWindow(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const Qt::WindowFlags before = w.windowFlags();
        QAction *onTop = actionNamed(menuNamed(w.menuBar(), QStringLiteral("&Options")), QStringLiteral("&Always on top"));
        onTop->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(ReadSetting("AlwaysOnTop"), 1);
        onTop->trigger();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowFlags(), before);
        QCOMPARE(ReadSetting("AlwaysOnTop"), 0);
        setMainWindow(nullptr);
    }

    void storedAlwaysOnTopAppliesAtStart()
    {
        WriteSetting("AlwaysOnTop", 1);
        MainWindow w;
        setMainWindow(&w);
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.isVisible()); // the toggle's slot shows the window
        setMainWindow(nullptr);
    }

    void highlightOptionsReachPanels()
    {
        MainWindow w;
        setMainWindow(&w);
        QMenu *options = menuNamed(w.menuBar(), QStringLiteral("&Options"));
        {
            sim::Publisher pub;
            fixture::publishTwoLayerScene(pub, false);
            QTRY_COMPARE(w.PaletteViews().size(), 1);
            QVERIFY(!w.PaletteViews().first()->GetColorArea()->HighlightEnabled());
            actionNamed(options, QStringLiteral("&Highlight palette colors"))->trigger();
            QVERIFY(w.PaletteViews().first()->GetColorArea()->HighlightEnabled());
            QCOMPARE(ReadSetting("HighlightPaletteColors"), 1);
        }
        QTRY_VERIFY(w.PaletteViews().isEmpty());
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, false);
        QTRY_COMPARE(w.PaletteViews().size(), 1);
        QVERIFY(w.PaletteViews().first()->GetColorArea()->HighlightEnabled());

        actionNamed(options, QStringLiteral("Highlight &selection"))->trigger();
        QCOMPARE(w.highlightSelection, 0);
        QCOMPARE(ReadSetting("HighlightSelection"), 0);
        setMainWindow(nullptr);
    }

    void repeatedCyclesLeaveNothingBehind()
    {
        MainWindow w;
        setMainWindow(&w);
        w.show();
        sim::Publisher pub;
        fixture::publishTwoLayerScene(pub, true, 30);
        QTRY_VERIFY(w.CompositeView() != nullptr);
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
        setMainWindow(nullptr);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
