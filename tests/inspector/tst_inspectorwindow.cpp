// The inspector and the snapshot entry in the main window: the View entry
// and its setting, the table following the pointer over a view, a watched
// pixel's history, and "Save &snapshot..." with and without a simulation.
#include "app/inspectorhost.h"
#include "base/settings.h"
#include "app/snapshotaction.h"
#include "dialogs/modalscope.h"
#include "inspector/inspectordock.h"
#include "windowfixture.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTreeWidget>

using fixture::chooseFromMenu;

namespace {

QString cell(QTableWidget *t, int row, int column)
{
    QTableWidgetItem *item = t->item(row, column);
    return item ? item->text() : QString();
}

bool hasSetting(const char *key)
{
    return QSettings().contains(QLatin1String(key));
}

} // namespace

class TestInspectorWindow : public QObject
{
    Q_OBJECT

    WindowFixture fx;

    // Layer 0 opaque blue over the 8 x 8 display, layer 1 half-transparent
    // red at (2, 3), under a global block of alpha mode 1.
    bool publishTwoLayers()
    {
        sim::Publisher &pub = *fx.pub;
        sim::LayerSpec top = sim::LayerSpec::of(4, 4);
        top.xPos = 2;
        top.yPos = 3;
        if (!pub.createGlobal(1) || !pub.createLayer(0, sim::LayerSpec::of(8, 8)) || !pub.createLayer(1, top))
            return false;
        pub.layer(0)->setCompositeSize(8, 8);
        pub.layer(0)->fill32(0xFF0000FFu);
        pub.layer(1)->fill32(0x80FF0000u);
        return pub.holdPresence(simlink::MainframeWindowClass);
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        SetFolderChooser(FolderChooser());
    }

    void cleanup() { fx.clear(); }

    void menuEntryAndSettingFollowTheUser()
    {
        {
            MainWindow &w = fx.newWindow();
            QMenu *view = fx.menu(QStringLiteral("&View"));
            QVERIFY(view);
            const QList<QAction *> actions = view->actions();
            QCOMPARE(actions.last()->text(), QStringLiteral("Pixel &Inspector"));
            QVERIFY(actions.at(actions.size() - 2)->isSeparator());
            QAction *entry = w.Inspector()->Action();
            QVERIFY(entry->isCheckable());
            QVERIFY(!entry->isChecked());
            QCOMPARE(w.Inspector()->Dock()->windowTitle(), QStringLiteral("Pixel Inspector"));
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(!w.Inspector()->Dock()->isVisible());
            // Starting reads the key without writing it.
            QVERIFY(!hasSetting(SettingKey::ShowPixelInspector));

            entry->trigger();
            QVERIFY(w.Inspector()->Dock()->isVisible());
            QCOMPARE(ReadSetting(SettingKey::ShowPixelInspector), 1);
            fx.closeWindow();
        }
        {
            // Shown at the next start, still without a write.
            QSettings().setValue(QLatin1String(SettingKey::ShowPixelInspector), 1);
            QVERIFY(fx.openWindow());
            MainWindow &w = *fx.window;
            QVERIFY(w.Inspector()->Action()->isChecked());
            QVERIFY(w.Inspector()->Dock()->isVisible());
            // The dock's own close button counts as the user's change.
            QVERIFY(w.Inspector()->Dock()->close());
            QVERIFY(!w.Inspector()->Action()->isChecked());
            QCOMPARE(ReadSetting(SettingKey::ShowPixelInspector), 0);
        }
    }

    void tableFollowsThePointerAndWatchRecordsChanges()
    {
        QVERIFY(publishTwoLayers());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        MainWindow &w = *fx.window;
        w.Inspector()->Action()->trigger();
        InspectorDock *dock = w.Inspector()->Dock();
        QVERIFY(dock->isVisible());

        // Layer 1's pixel (1, 2) at zoom 1 is display (3, 5).
        PaintWidget *paint = fx.view(1)->GetPaintWidget();
        QTRY_VERIFY(paint->isVisible());
        QTest::mouseMove(paint, QPoint(1, 2));
        QTRY_COMPARE(dock->Table()->rowCount(), 3);
        QTRY_COMPARE(dock->PositionLabel()->text(), QStringLiteral("Display position: 3, 5"));
        QTableWidget *t = dock->Table();
        QCOMPARE(cell(t, 0, 0), QStringLiteral("Layer 0"));
        QCOMPARE(cell(t, 0, 1), QStringLiteral("3, 5"));
        QCOMPARE(cell(t, 0, 3), QStringLiteral("FF0000FF"));
        QCOMPARE(cell(t, 1, 0), QStringLiteral("Layer 1"));
        QCOMPARE(cell(t, 1, 1), QStringLiteral("1, 2"));
        QCOMPARE(cell(t, 1, 2), QStringLiteral("yes"));
        QCOMPARE(cell(t, 1, 4), QStringLiteral("80FF0000"));
        QCOMPARE(cell(t, 2, 0), QStringLiteral("Composite"));
        QVERIFY(!cell(t, 2, 4).isEmpty());

        QTest::mouseClick(dock->WatchButton(), Qt::LeftButton);
        QCOMPARE(dock->WatchLabel()->text(), QStringLiteral("Watching 3, 5"));
        // Leaving the views keeps the pixel; the publisher changes it three times.
        sim::PublishedBlock *b1 = fx.pub->layer(1);
        const quint32 values[3] = {0xFF00FF00u, 0xFF112233u, 0x00000000u};
        for (int i = 0; i < 3; ++i) {
            b1->setPixel32(1, 2, values[i]);
            b1->bumpContent();
            QTRY_COMPARE(dock->History()->topLevelItemCount(), i + 1);
        }
        const QString arrow = QString(QChar(0x2192));
        QTreeWidget *h = dock->History();
        QCOMPARE(h->topLevelItem(0)->text(2), QStringLiteral("Layer 1: FF112233 ") + arrow + QStringLiteral(" 00000000"));
        QCOMPARE(h->topLevelItem(1)->text(2), QStringLiteral("Layer 1: FF00FF00 ") + arrow + QStringLiteral(" FF112233"));
        QCOMPARE(h->topLevelItem(2)->text(2), QStringLiteral("Layer 1: 80FF0000 ") + arrow + QStringLiteral(" FF00FF00"));
        QVERIFY(h->topLevelItem(0)->text(0).toLongLong() >= h->topLevelItem(2)->text(0).toLongLong());
        QCOMPARE(dock->Watch().entries().first().changes.first().counter, simlink::contentCounter(b1->view()));

        dock->OnCopyHistory();
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(1).endsWith(QStringLiteral("\tLayer 1\t") + QString::number(simlink::contentCounter(b1->view()))
                                     + QStringLiteral("\tFF112233\t00000000")));
        QTest::mouseClick(dock->ClearButton(), Qt::LeftButton);
        QCOMPARE(h->topLevelItemCount(), 0);
    }

    // The paint menu's "&Watch pixel" shows the hidden inspector (as its
    // View entry would, setting included) and pins the pixel where the menu
    // opened, at the view's zoom; the pointer moving elsewhere afterwards
    // does not move the watch.
    void watchFromThePaintMenu()
    {
        QVERIFY(publishTwoLayers());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2));
        MainWindow &w = *fx.window;
        InspectorDock *dock = w.Inspector()->Dock();
        QVERIFY(!dock->isVisible());

        ViewLayer *view = fx.view(1);
        view->SetZoom(2);
        PaintWidget *paint = view->GetPaintWidget();
        QTRY_VERIFY(paint->isVisible());
        // (3, 5) at 200% is layer 1's pixel (1, 2), display (3, 5).
        QVERIFY(chooseFromMenu(paint, QPoint(3, 5), QStringLiteral("&Watch pixel")));
        QVERIFY(dock->isVisible());
        QVERIFY(w.Inspector()->Action()->isChecked());
        QCOMPARE(ReadSetting(SettingKey::ShowPixelInspector), 1);
        QCOMPARE(dock->WatchLabel()->text(), QStringLiteral("Watching 3, 5"));
        QTRY_COMPARE(dock->PositionLabel()->text(), QStringLiteral("Display position: 3, 5"));
        QTest::mouseMove(fx.view(0)->GetPaintWidget(), QPoint(0, 0));

        sim::PublishedBlock *b1 = fx.pub->layer(1);
        const quint32 values[3] = {0xFF00FF00u, 0xFF112233u, 0x00000000u};
        QList<qint32> counters;
        for (int i = 0; i < 3; ++i) {
            b1->setPixel32(1, 2, values[i]);
            b1->bumpContent();
            counters.append(simlink::contentCounter(b1->view()));
            QTRY_COMPARE(dock->History()->topLevelItemCount(), i + 1);
        }
        const QString arrow = QString(QChar(0x2192));
        QTreeWidget *h = dock->History();
        QCOMPARE(h->topLevelItem(0)->text(2), QStringLiteral("Layer 1: FF112233 ") + arrow + QStringLiteral(" 00000000"));
        QCOMPARE(h->topLevelItem(1)->text(2), QStringLiteral("Layer 1: FF00FF00 ") + arrow + QStringLiteral(" FF112233"));
        QCOMPARE(h->topLevelItem(2)->text(2), QStringLiteral("Layer 1: 80FF0000 ") + arrow + QStringLiteral(" FF00FF00"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(h->topLevelItem(2 - i)->text(1), QString::number(counters.at(i)));

        // Watching again from the composite view, with the dock already
        // shown: the watch restarts there and the setting is not rewritten.
        QSettings().remove(QLatin1String(SettingKey::ShowPixelInspector));
        PaintWidget *composite = w.CompositeView()->GetPaintWidget();
        QVERIFY(chooseFromMenu(composite, QPoint(6, 1), QStringLiteral("&Watch pixel")));
        QCOMPARE(dock->WatchLabel()->text(), QStringLiteral("Watching 6, 1"));
        QCOMPARE(h->topLevelItemCount(), 0);
        QVERIFY(!hasSetting(SettingKey::ShowPixelInspector));
    }

    void snapshotEntryNeedsASimulation()
    {
        const QString dir = fx.env.root() + QStringLiteral("/menu-snap");
        SetFolderChooser([dir](QWidget *) { return dir; });
        MainWindow &w = fx.newWindow();
        QMenu *file = fx.menu(QStringLiteral("&File"));
        QVERIFY(file);
        const QList<QAction *> actions = file->actions();
        QCOMPARE(actions.size(), 11);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("Save &snapshot..."));
        QVERIFY(actions.at(1)->isSeparator());
        QCOMPARE(actions.at(2)->text(), QStringLiteral("Compare with snapshot..."));
        QCOMPARE(actions.at(3)->text(), QStringLiteral("Stop comparing"));
        QVERIFY(actions.at(4)->isSeparator());
        QCOMPARE(actions.at(5)->text(), QStringLiteral("Record &input..."));
        QCOMPARE(actions.at(6)->text(), QStringLiteral("Stop &recording"));
        QCOMPARE(actions.at(7)->text(), QStringLiteral("Re&play input..."));
        QCOMPARE(actions.at(8)->text(), QStringLiteral("Stop replayin&g"));
        QVERIFY(actions.at(9)->isSeparator());
        QCOMPARE(actions.at(10)->text(), QStringLiteral("E&xit"));
        QAction *save = w.Snapshot()->Action();
        QVERIFY(!save->isEnabled());
        w.show();

        QVERIFY(publishTwoLayers());
        QTRY_VERIFY(save->isEnabled());
        save->trigger();
        QCOMPARE(w.StatusText(),
                 QStringLiteral("Snapshot saved to %1").arg(QDir::toNativeSeparators(QDir(dir).absolutePath())));
        QVERIFY(QFile::exists(dir + QStringLiteral("/scene.json")));
        QVERIFY(QFile::exists(dir + QStringLiteral("/composite.png")));

        // The simulation ends while the folder is being chosen: the views
        // stay until the chooser has returned, and the snapshot says so.
        bool keptViews = false;
        SetFolderChooser([&](QWidget *) {
            fx.pub->tearDown();
            keptViews = QTest::qWaitFor([&] { return w.TeardownPending(); }) && !w.LayerViews().isEmpty();
            return dir + QStringLiteral("-late");
        });
        QSignalSpy finished(w.Snapshot(), &SnapshotAction::finished);
        save->trigger();
        QVERIFY(keptViews);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("No simulation found."));
        QTRY_VERIFY(w.LayerViews().isEmpty());
        QVERIFY(!save->isEnabled());
        QVERIFY(!ModalScope::IsOpen());
    }
};

QTEST_MAIN(TestInspectorWindow)
#include "tst_inspectorwindow.moc"
