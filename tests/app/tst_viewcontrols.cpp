// The View entries and the palette buttons follow the views on every path:
// a View entry is checked exactly while its view or panel is shown, a palette
// button is enabled exactly while its panel is hidden - after a build, a
// restore, a palette button, a close button and a menu entry alike.
#include "dialogs/buttons.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

using fixture::actionNamed;
using fixture::menuNamed;

namespace {

CloseButton *closeButtonOf(QWidget *panel)
{
    return panel->findChild<CloseButton *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

class TestViewControls : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    QMenu *viewMenu = nullptr;

    // Layer 0 true colour with a display size, layer 1 indexed (16 colours)
    // with a virtual screen three times its height.
    bool publish()
    {
        sim::LayerSpec s1 = sim::LayerSpec::of(20, 10, 16, 8);
        s1.vySize = 30;
        return fx.publish({sim::LayerSpec::of(40, 30), s1}, QSize(40, 30));
    }
    // Both layer views built and laid out.
    bool viewsBuilt()
    {
        return fx.waitForViews(2) && QTest::qWaitFor([this] { return fx.view(1)->isVisible(); }, 5000);
    }

    QAction *layerEntry(int n) { return actionNamed(menuNamed(viewMenu, QStringLiteral("Visible &Layer")), QStringLiteral("Layer &%1").arg(n)); }
    QAction *virtEntry(int n) { return actionNamed(menuNamed(viewMenu, QStringLiteral("&Virtual Layer")), QStringLiteral("Layer &%1").arg(n)); }
    QAction *paletteEntry(int n) { return actionNamed(menuNamed(viewMenu, QStringLiteral("&Palettes")), QStringLiteral("Palette &%1").arg(n)); }
    QAction *compositeEntry() { return actionNamed(viewMenu, QStringLiteral("&Composite View")); }

    // Every control against every view; names the first one out of step.
    QString outOfStep()
    {
        const auto shown = [](QWidget *w) { return !w->isHidden(); };
        for (ViewLayer *v : fx.window->LayerViews())
            if (!layerEntry(v->GetIndex()) || layerEntry(v->GetIndex())->isChecked() != shown(v))
                return QStringLiteral("layer %1").arg(v->GetIndex());
        for (ViewVirtLayer *v : fx.window->VirtViews())
            if (!virtEntry(v->GetIndex()) || virtEntry(v->GetIndex())->isChecked() != shown(v))
                return QStringLiteral("virtual layer %1").arg(v->GetIndex());
        for (PaletteWidget *p : fx.window->PaletteViews()) {
            if (!paletteEntry(p->GetIndex()) || paletteEntry(p->GetIndex())->isChecked() != shown(p))
                return QStringLiteral("palette entry %1").arg(p->GetIndex());
            if (p->View()->GetPaletteButton()->isEnabled() != !shown(p))
                return QStringLiteral("palette button %1").arg(p->GetIndex());
        }
        if (ViewComposite *c = fx.window->CompositeView())
            if (compositeEntry()->isChecked() != shown(c))
                return QStringLiteral("composite");
        return QString();
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        QVERIFY(publish());
        QVERIFY(fx.openWindow());
        viewMenu = fx.menu(QStringLiteral("&View"));
        QVERIFY(viewMenu);
        QVERIFY(viewsBuilt());
    }

    void cleanup() { fx.clear(); }

    // Close button, palette button and menu entry each keep the panel, its
    // entry and its button in step; the palette button refits the window.
    void paletteControlsInStep()
    {
        QCOMPARE(outOfStep(), QString());
        PaletteWidget *panel = fx.window->PaletteViews().first();
        QAbstractButton *button = panel->View()->GetPaletteButton();
        QVERIFY(!button->isEnabled());

        QTest::mouseClick(closeButtonOf(panel), Qt::LeftButton);
        QVERIFY(panel->isHidden());
        QCOMPARE(outOfStep(), QString());

        // As small as the layouts allow (larger than asked for).
        fx.window->resize(360, 310);
        const QSize small = fx.window->size();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!panel->isHidden());
        QVERIFY(paletteEntry(1)->isChecked());
        QCOMPARE(outOfStep(), QString());
        QTRY_VERIFY(fx.window->size() != small);

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
        QVERIFY(!fx.window->VirtViews().first()->isHidden());
        QCOMPARE(outOfStep(), QString());
        QTest::mouseClick(closeButtonOf(fx.window->VirtViews().first()), Qt::LeftButton);
        QTest::mouseClick(closeButtonOf(fx.view(0)), Qt::LeftButton);
        QTest::mouseClick(closeButtonOf(fx.window->CompositeView()), Qt::LeftButton);
        QVERIFY(fx.window->VirtViews().first()->isHidden());
        QVERIFY(fx.view(0)->isHidden());
        QVERIFY(fx.window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
    }

    // After a restart with the same configuration every view comes back
    // shown or hidden as it was, and every control matches it.
    void restartRestoresShownAndHiddenAlike()
    {
        const auto cycle = [this] {
            QVERIFY(fx.endSimulation());
            QVERIFY(publish());
            QVERIFY(viewsBuilt());
        };

        // Palette and layer 0 hidden; the virtual view and composite shown.
        paletteEntry(1)->trigger();
        virtEntry(1)->trigger();
        QTest::mouseClick(closeButtonOf(fx.view(0)), Qt::LeftButton);
        QCOMPARE(outOfStep(), QString());
        cycle();
        QVERIFY(fx.window->PaletteViews().first()->isHidden());
        QVERIFY(fx.view(0)->isHidden());
        QVERIFY(!fx.view(1)->isHidden());
        QVERIFY(!fx.window->VirtViews().first()->isHidden());
        QVERIFY(!fx.window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
        // The palette button can bring the panel back.
        QAbstractButton *button = fx.window->PaletteViews().first()->View()->GetPaletteButton();
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!fx.window->PaletteViews().first()->isHidden());
        QCOMPARE(outOfStep(), QString());

        // The other way round: all shown except the composite.
        layerEntry(0)->trigger();
        QTest::mouseClick(closeButtonOf(fx.window->VirtViews().first()), Qt::LeftButton);
        compositeEntry()->trigger();
        QVERIFY(fx.window->CompositeView()->isHidden());
        cycle();
        QVERIFY(!fx.window->PaletteViews().first()->isHidden());
        QVERIFY(!fx.view(0)->isHidden());
        QVERIFY(fx.window->VirtViews().first()->isHidden());
        QVERIFY(fx.window->CompositeView()->isHidden());
        QCOMPARE(outOfStep(), QString());
    }
};

QTEST_MAIN(TestViewControls)
#include "tst_viewcontrols.moc"
