// The View entries and the palette buttons follow the views on every path:
// a View entry is checked exactly while its view or panel is shown, a palette
// button is enabled exactly while its panel is hidden - after a build, a
// restore, a palette button, a close button and a menu entry alike.
#include "app/mainwindow.h"
#include "dialogs/buttons.h"
#include "palette/palettewidget.h"
#include "sim/publisher.h"
#include "simlink/connection.h"
#include "testenv.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <memory>

namespace {

QMenu *submenu(QWidget *owner, const QString &title)
{
    for (QAction *a : owner->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

QAction *entry(QMenu *menu, const QString &text)
{
    if (menu)
        for (QAction *a : menu->actions())
            if (a->text() == text)
                return a;
    return nullptr;
}

CloseButton *closeButtonOf(QWidget *panel)
{
    return panel->findChild<CloseButton *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

class TestViewControls : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;
    int dirCount = 0;
    std::unique_ptr<sim::Publisher> pub;
    std::unique_ptr<MainWindow> window;
    QMenu *viewMenu = nullptr;

    // Layer 0 true colour with a display size, layer 1 indexed (16 colours)
    // with a virtual screen three times its height.
    bool publish()
    {
        pub.reset(new sim::Publisher);
        if (!pub->createGlobal(255))
            return false;
        sim::PublishedBlock *l0 = pub->createLayer(0, sim::LayerSpec::of(40, 30));
        sim::LayerSpec s1 = sim::LayerSpec::of(20, 10, 16, 8);
        s1.vySize = 30;
        sim::PublishedBlock *l1 = pub->createLayer(1, s1);
        if (!l0 || !l1)
            return false;
        l0->setCompositeSize(40, 30);
        return pub->holdPresence(simlink::MainframeWindowClass);
    }

    QAction *layerEntry(int n) { return entry(submenu(viewMenu, QStringLiteral("Visible &Layer")), QStringLiteral("Layer &%1").arg(n)); }
    QAction *virtEntry(int n) { return entry(submenu(viewMenu, QStringLiteral("&Virtual Layer")), QStringLiteral("Layer &%1").arg(n)); }
    QAction *paletteEntry(int n) { return entry(submenu(viewMenu, QStringLiteral("&Palettes")), QStringLiteral("Palette &%1").arg(n)); }
    QAction *compositeEntry() { return entry(viewMenu, QStringLiteral("&Composite View")); }

    // Every control against every view; names the first one out of step.
    QString outOfStep()
    {
        const auto shown = [](QWidget *w) { return !w->isHidden(); };
        for (ViewLayer *v : window->LayerViews())
            if (!layerEntry(v->GetIndex()) || layerEntry(v->GetIndex())->isChecked() != shown(v))
                return QStringLiteral("layer %1").arg(v->GetIndex());
        for (ViewVirtLayer *v : window->VirtViews())
            if (!virtEntry(v->GetIndex()) || virtEntry(v->GetIndex())->isChecked() != shown(v))
                return QStringLiteral("virtual layer %1").arg(v->GetIndex());
        for (PaletteWidget *p : window->PaletteViews()) {
            if (!paletteEntry(p->GetIndex()) || paletteEntry(p->GetIndex())->isChecked() != shown(p))
                return QStringLiteral("palette entry %1").arg(p->GetIndex());
            if (p->View()->GetPaletteButton()->isEnabled() != !shown(p))
                return QStringLiteral("palette button %1").arg(p->GetIndex());
        }
        if (ViewComposite *c = window->CompositeView())
            if (compositeEntry()->isChecked() != shown(c))
                return QStringLiteral("composite");
        return QString();
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
        viewMenu = submenu(window->menuBar(), QStringLiteral("&View"));
        QVERIFY(viewMenu);
        QTRY_COMPARE(window->LayerViews().size(), 2);
        QTRY_VERIFY(window->LayerViews().at(1)->isVisible());
    }

    void cleanup()
    {
        window.reset();
        setMainWindow(nullptr);
        pub.reset();
    }

    // Close button, palette button and menu entry each keep the panel, its
    // entry and its button in step; the palette button refits the window.
    void paletteControlsInStep()
    {
        QCOMPARE(outOfStep(), QString());
        PaletteWidget *panel = window->PaletteViews().first();
        QAbstractButton *button = panel->View()->GetPaletteButton();
        QVERIFY(!button->isEnabled());

        QTest::mouseClick(closeButtonOf(panel), Qt::LeftButton);
        QVERIFY(panel->isHidden());
        QCOMPARE(outOfStep(), QString());

        window->resize(360, 310);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!panel->isHidden());
        QVERIFY(paletteEntry(1)->isChecked());
        QCOMPARE(outOfStep(), QString());
        QTRY_VERIFY(window->size() != QSize(360, 310));

        paletteEntry(1)->trigger();
        QVERIFY(panel->isHidden());
        QCOMPARE(outOfStep(), QString());
        paletteEntry(1)->trigger();
        QVERIFY(!panel->isHidden());
        QCOMPARE(outOfStep(), QString());
    }

    // Close buttons of the other views act through the same operations.
    void closeButtonsUncheckTheirEntries()
    {
        virtEntry(1)->trigger();
        QVERIFY(!window->VirtViews().first()->isHidden());
        QCOMPARE(outOfStep(), QString());
        QTest::mouseClick(closeButtonOf(window->VirtViews().first()), Qt::LeftButton);
        QTest::mouseClick(closeButtonOf(window->LayerViews().at(0)), Qt::LeftButton);
        QTest::mouseClick(closeButtonOf(window->CompositeView()), Qt::LeftButton);
        QVERIFY(window->VirtViews().first()->isHidden());
        QVERIFY(window->LayerViews().at(0)->isHidden());
        QVERIFY(window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
    }

    // After a restart with the same configuration every view comes back
    // shown or hidden as it was, and every control matches it.
    void restartRestoresShownAndHiddenAlike()
    {
        const auto cycle = [this] {
            pub.reset();
            QTRY_VERIFY(window->LayerViews().isEmpty());
            QVERIFY(publish());
            QTRY_COMPARE(window->LayerViews().size(), 2);
            QTRY_VERIFY(window->LayerViews().at(1)->isVisible());
        };

        // Palette and layer 0 hidden; the virtual view and composite shown.
        paletteEntry(1)->trigger();
        virtEntry(1)->trigger();
        QTest::mouseClick(closeButtonOf(window->LayerViews().at(0)), Qt::LeftButton);
        QCOMPARE(outOfStep(), QString());
        cycle();
        QVERIFY(window->PaletteViews().first()->isHidden());
        QVERIFY(window->LayerViews().at(0)->isHidden());
        QVERIFY(!window->LayerViews().at(1)->isHidden());
        QVERIFY(!window->VirtViews().first()->isHidden());
        QVERIFY(!window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
        // The palette button can bring the panel back.
        QAbstractButton *button = window->PaletteViews().first()->View()->GetPaletteButton();
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!window->PaletteViews().first()->isHidden());
        QCOMPARE(outOfStep(), QString());

        // The other way round: all shown except the composite.
        layerEntry(0)->trigger();
        QTest::mouseClick(closeButtonOf(window->VirtViews().first()), Qt::LeftButton);
        compositeEntry()->trigger();
        QVERIFY(window->CompositeView()->isHidden());
        cycle();
        QVERIFY(!window->PaletteViews().first()->isHidden());
        QVERIFY(!window->LayerViews().at(0)->isHidden());
        QVERIFY(window->VirtViews().first()->isHidden());
        QVERIFY(window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
    }
};

QTEST_MAIN(TestViewControls)
#include "tst_viewcontrols.moc"
