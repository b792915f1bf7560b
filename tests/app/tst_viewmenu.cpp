// The View menu's dynamic entries: found and reported by the layer number
// they carry, not by their label.
#include "app/viewmenu.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

class TestViewMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesCarryTheirLayerNumber()
    {
        QWidget owner;
        QMenu view;
        ViewMenu entries(&view, &owner);
        QCOMPARE(view.actions().size(), 3);
        // Before the first fill only the placeholder is there; it has no number.
        QCOMPARE(entries.Entries(ViewMenu::Palettes).size(), 1);
        QVERIFY(!entries.Entry(ViewMenu::Palettes, 0));

        entries.Fill(ViewMenu::VisibleLayers, {0, 1});
        entries.Fill(ViewMenu::Palettes, {1, 3});
        QCOMPARE(entries.Submenu(ViewMenu::VisibleLayers)->actions().size(), 2);
        QAction *palette3 = entries.Entry(ViewMenu::Palettes, 3);
        QVERIFY(palette3);
        QCOMPARE(palette3->text(), QStringLiteral("Palette &3"));
        QVERIFY(palette3->isChecked());
        QVERIFY(!entries.Entry(ViewMenu::Palettes, 0));
        QCOMPARE(entries.Entry(ViewMenu::VisibleLayers, 1)->text(), QStringLiteral("Layer &1"));

        // A label that no longer reads as its number changes nothing.
        palette3->setText(QStringLiteral("Palette &7"));
        QCOMPARE(entries.Entry(ViewMenu::Palettes, 3), palette3);
        QVERIFY(!entries.Entry(ViewMenu::Palettes, 7));

        QSignalSpy palettes(&entries, &ViewMenu::paletteToggled);
        QSignalSpy layers(&entries, &ViewMenu::visibleLayerToggled);
        palette3->trigger();
        QCOMPARE(palettes.size(), 1);
        QCOMPARE(palettes.at(0).at(0).toInt(), 3);
        QCOMPARE(palettes.at(0).at(1).toBool(), false);
        QCOMPARE(layers.size(), 0);

        // Checked quietly, or with the toggle reported.
        entries.SetChecked(ViewMenu::Palettes, 3, true, false);
        QVERIFY(palette3->isChecked());
        QCOMPARE(palettes.size(), 1);
        entries.SetChecked(ViewMenu::VisibleLayers, 1, false, true);
        QCOMPARE(layers.size(), 1);
        QCOMPARE(layers.at(0).at(0).toInt(), 1);
        entries.SetChecked(ViewMenu::VisibleLayers, 5, false, true); // no such entry
        QCOMPARE(layers.size(), 1);

        // An empty fill keeps the entries; a new fill replaces them.
        entries.Fill(ViewMenu::Palettes, {});
        QCOMPARE(entries.Entry(ViewMenu::Palettes, 3), palette3);
        entries.Fill(ViewMenu::Palettes, {2});
        QCOMPARE(entries.Entries(ViewMenu::Palettes).size(), 1);
        QVERIFY(entries.Entry(ViewMenu::Palettes, 2));
        QVERIFY(!entries.Entry(ViewMenu::Palettes, 3));
    }
};

QTEST_MAIN(TestViewMenu)
#include "tst_viewmenu.moc"
