// Layers left out of the composite view through its context menu: the view
// paints, copies and reports the composite without them, checked against a
// composite the test builds from the blocks' bytes; the layer's own view and
// block stay as they were; the choice comes back after a restart of the same
// configuration only; the pixel inspector's composite row follows it.
#include "app/comparemode.h"
#include "app/inspectorhost.h"
#include "base/settings.h"
#include "app/snapshotaction.h"
#include "imaging/referencediff.h"
#include "inspector/inspectordock.h"
#include "rawdecode.h"
#include "referencepaint.h"
#include "snapshot/snapshot.h"
#include "views/infowidgets.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTableWidget>

using fixture::at;
using fixture::chooseFromMenu;
using fixture::menuNamed;
using fixture::rightClick;

namespace {

constexpr quint32 Background = 0x00604020u; // library format: opaque #204060

// The texts of the composite menu's layer entries, "!" before an unticked one.
QStringList layerEntries(PaintWidget *paint)
{
    QStringList entries;
    const bool opened = rightClick(paint, QPoint(1, 1), [&](QMenu *menu) {
        if (QMenu *layers = menuNamed(menu, QStringLiteral("La&yers")))
            for (QAction *a : layers->actions())
                entries << (a->isChecked() ? QString() : QStringLiteral("!")) + a->text();
    });
    return opened ? entries : QStringList{QStringLiteral("menu not opened")};
}

QString hex(QRgb c)
{
    return QStringLiteral("%1").arg(c, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

class TestCompositeLayers : public QObject
{
    Q_OBJECT

    WindowFixture fx;

    // A 48 x 36 display over a background colour: layer 0 (40 x 30) and
    // layer 1 (30 x 20 at (10, 8)) with every alpha level, layer 2 an
    // indexed 20 x 12 layer at (-4, 20); extra 8 x 8 layers after them.
    bool publishScene(int extraLayers = 0)
    {
        QList<sim::LayerSpec> specs{sim::LayerSpec::of(40, 30), sim::LayerSpec::of(30, 20),
                                    sim::LayerSpec::of(20, 12, 16, 8)};
        specs[1].xPos = 10;
        specs[1].yPos = 8;
        specs[2].xPos = -4;
        specs[2].yPos = 20;
        for (int n = 0; n < extraLayers; ++n)
            specs << sim::LayerSpec::of(8, 8);
        if (!fx.publish(specs, QSize(48, 36)))
            return false;
        fx.pub->layer(0)->setBkColor(Background);
        fixture::fillVaried32(fx.pub->layer(0), 40, 30, 1);
        fixture::fillVaried32(fx.pub->layer(1), 30, 20, 2);
        fixture::fillIndexed(fx.pub->layer(2), 20, 12, 16, 3);
        for (int n = 0; n < 3; ++n)
            fx.pub->layer(n)->bumpContent();
        return true;
    }

    ViewComposite *composite() const { return fx.window->CompositeView(); }

    // The composite of display rectangle r without the layers in leftOut,
    // decoded from the blocks by the test.
    QImage reference(QRect r, const QList<int> &leftOut) const
    {
        QList<rawdecode::Block> blocks;
        for (ViewLayer *v : fx.window->LayerViews())
            blocks << rawdecode::Block{v->GetRecord().base(), v->GetRecord().size()};
        return rawdecode::compositeImage(blocks, rawdecode::Rules{fx.window->alphaMode, fx.window->layerCount}, r,
                                         leftOut);
    }

    // What the composite's paint widget shows against the reference painting
    // without those layers; empty when equal.
    QString paintDifference(const QList<int> &leftOut) const
    {
        PaintWidget *paint = composite()->GetPaintWidget();
        const QRect r = fixture::shownRect(composite());
        const QImage shown = fixture::renderWidget(paint, r);
        const QImage expected =
            fixture::renderWith(paint, r, [&](QPainter &p) { referencePaintComposite(p, paint, leftOut); });
        return fixture::firstDifference(shown, expected);
    }

private Q_SLOTS:
    void init() { fx.reset(); }
    void cleanup()
    {
        SetFolderChooser(FolderChooser());
        fx.clear();
    }

    // Both paths of the paint (rows composed straight into the output, and
    // the image a highlighted selection needs), at zoom 1 and 3 with the
    // grid, the copies and the status line leave out what the user unticked;
    // layer 0 left out keeps the display's background colour.
    void leftOutLayersAreLeftOutOfEverythingTheViewShows()
    {
        QVERIFY(publishScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        PaintWidget *paint = composite()->GetPaintWidget();
        QCOMPARE(layerEntries(paint), (QStringList{"Layer &0", "Layer &1", "Layer &2"}));

        QVERIFY(chooseFromMenu(paint, QPoint(2, 2), QStringLiteral("Layer &1")));
        QCOMPARE(layerEntries(paint), (QStringList{"Layer &0", "!Layer &1", "Layer &2"}));
        for (bool selected : {false, true}) {
            // The selected rectangle alone: the selection's frame is a
            // widget of its own, drawn over the paint.
            if (selected)
                paint->setSelectedRect(QRect(6, 5, 25, 20));
            for (int zoom : {1, 3}) {
                composite()->SetZoom(zoom);
                composite()->ShowGrid(true);
                QCoreApplication::processEvents();
                const QString diff = paintDifference({1});
                QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("zoom %1 selection %2: %3")
                                                        .arg(zoom).arg(selected).arg(diff)));
            }
        }
        // Layer 1's own view still shows it, and its block holds its pixels.
        PaintWidget *layer1 = fx.view(1)->GetPaintWidget();
        const QRect r1 = fixture::shownRect(fx.view(1));
        QCOMPARE(fixture::firstDifference(fixture::renderWidget(layer1, r1),
                                          fixture::renderWith(layer1, r1, [&](QPainter &p) {
                                              referencePaintLayer(p, layer1);
                                          })),
                 QString());

        // At zoom 3: the selection's copy, a pixel's colour (copied and in
        // the status line) where layer 1 would lie.
        const QImage selection = reference(QRect(6, 5, 25, 20), {1});
        QVERIFY(chooseFromMenu(paint, at(1, 1, 3), QStringLiteral("&Copy to clipboard")));
        const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(copied.size(), QSize(75, 60));
        for (int y = 0; y < copied.height(); ++y)
            for (int x = 0; x < copied.width(); ++x)
                QCOMPARE(hex(copied.pixel(x, y)), hex(selection.pixel(x / 3, y / 3)));
        const QRgb under = reference(QRect(15, 12, 1, 1), {1}).pixel(0, 0);
        QVERIFY(chooseFromMenu(paint, at(15, 12, 3), QStringLiteral("Copy co&lor")));
        QCOMPARE(QApplication::clipboard()->text(), hex(under));
        QTest::mouseMove(paint, at(16, 12, 3));
        QTest::mouseMove(paint, at(15, 12, 3));
        QTRY_VERIFY2(fx.window->StatusText().contains(QStringLiteral("ARGB=%1 %2 %3 %4")
                                                          .arg(hex(under).mid(0, 2), hex(under).mid(2, 2),
                                                               hex(under).mid(4, 2), hex(under).mid(6, 2))),
                     qPrintable(fx.window->StatusText()));

        // Layer 0 out as well: where no other layer lies, the background.
        QVERIFY(chooseFromMenu(paint, at(1, 1, 3), QStringLiteral("Layer &0")));
        QCOMPARE(paintDifference({0, 1}), QString());
        QCOMPARE(hex(reference(QRect(2, 2, 1, 1), {0, 1}).pixel(0, 0)), QStringLiteral("FF204060"));
        QVERIFY(chooseFromMenu(paint, at(2, 2, 3), QStringLiteral("Copy co&lor")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FF204060"));

        // Layer 1 back in.
        QVERIFY(chooseFromMenu(paint, at(1, 1, 3), QStringLiteral("Layer &1")));
        QCOMPARE(paintDifference({0}), QString());
    }

    // The choice is part of the composite's saved state: the same
    // configuration after a restart gets it back, another one starts with
    // every layer. Under multi-display the entries name displays.
    void choiceComesBackWithTheSameConfiguration()
    {
        WriteSetting(SettingKey::MultiDisplay, 1);
        QVERIFY(publishScene());
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        QVERIFY(chooseFromMenu(composite()->GetPaintWidget(), QPoint(2, 2), QStringLiteral("Display &2")));

        QVERIFY(fx.endSimulation());
        QVERIFY(publishScene());
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        QCOMPARE(layerEntries(composite()->GetPaintWidget()),
                 (QStringList{"Display &0", "Display &1", "!Display &2"}));
        QCOMPARE(paintDifference({2}), QString());

        QVERIFY(fx.endSimulation());
        QVERIFY(publishScene(1));
        QVERIFY(fx.waitForViews(4, WindowFixture::WithComposite));
        QCOMPARE(layerEntries(composite()->GetPaintWidget()),
                 (QStringList{"Display &0", "Display &1", "Display &2", "Display &3"}));
        QCOMPARE(paintDifference({}), QString());
    }

    // Compared live with a snapshot of every layer, the composite marks
    // exactly the pixels that leaving a layer out changed, also when the
    // choice comes back after a restart; the layer's own view stays
    // identical.
    void comparisonMarksWhatTheViewShows()
    {
        QVERIFY(publishScene());
        const QString dir = fx.env.root() + QStringLiteral("/reference");
        QCOMPARE(snapshot::saveSnapshot(dir).status, snapshot::Saved);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        SetFolderChooser([dir](QWidget *) { return dir; });
        fx.action(QStringLiteral("&File"), QStringLiteral("Compare with snapshot..."))->trigger();
        QVERIFY(fx.window->Comparison()->Active());
        const auto strip = [](ViewWidget *view) { return view->GetInfoWidget()->CompareLabel()->text(); };
        QCOMPARE(strip(composite()), QStringLiteral("identical"));

        const QImage all = reference(QRect(0, 0, 48, 36), {});
        const QImage without = reference(QRect(0, 0, 48, 36), {1});
        int differing = 0;
        QPoint marked;
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < 48; ++x)
                if (all.pixel(x, y) != without.pixel(x, y) && differing++ == 0)
                    marked = QPoint(x, y);
        QVERIFY(differing > 0);
        const QString counted = QStringLiteral("%1 pixels differ").arg(differing);
        QVERIFY(chooseFromMenu(composite()->GetPaintWidget(), QPoint(2, 2), QStringLiteral("Layer &1")));
        QCOMPARE(strip(composite()), counted);
        QCOMPARE(strip(fx.view(1)), QStringLiteral("identical"));
        const QImage shown = fixture::renderWidget(composite()->GetPaintWidget(), QRect(marked, QSize(1, 1)),
                                                   QImage::Format_ARGB32);
        QCOMPARE(hex(shown.pixel(0, 0)), hex(DiffHighlight));

        QVERIFY(fx.endSimulation());
        QVERIFY(publishScene());
        QVERIFY(fx.waitForViews(3, WindowFixture::WithComposite));
        QCOMPARE(strip(composite()), counted);
        QVERIFY(chooseFromMenu(composite()->GetPaintWidget(), QPoint(2, 2), QStringLiteral("Layer &1")));
        QCOMPARE(strip(composite()), QStringLiteral("identical"));
    }

    // The inspector's composite row blends only the layers the view shows,
    // over the background when layer 0 is left out too.
    void inspectorCompositeRowFollowsTheChoice()
    {
        QVERIFY(fx.publish({sim::LayerSpec::of(8, 8), sim::LayerSpec::of(4, 4)}, QSize(8, 8)));
        sim::PublishedBlock *l0 = fx.pub->layer(0);
        l0->setBkColor(Background);
        l0->fill32(0xFF0000FFu);
        fx.pub->layer(1)->fill32(0xFFFF0000u);
        QVERIFY(fx.openWindow());
        QVERIFY(fx.waitForViews(2, WindowFixture::WithComposite));
        fx.window->Inspector()->Action()->trigger();
        QTableWidget *table = fx.window->Inspector()->Dock()->Table();
        PaintWidget *paint = composite()->GetPaintWidget();
        const auto compositeCell = [table] {
            QTableWidgetItem *item = table->item(2, 4);
            return item ? item->text() : QString();
        };
        QTest::mouseMove(paint, QPoint(2, 2));
        QTRY_COMPARE(compositeCell(), QStringLiteral("FFFF0000"));
        QVERIFY(chooseFromMenu(paint, QPoint(2, 2), QStringLiteral("Layer &1")));
        QTRY_COMPARE(compositeCell(), QStringLiteral("FF0000FF"));
        QVERIFY(chooseFromMenu(paint, QPoint(2, 2), QStringLiteral("Layer &0")));
        QTRY_COMPARE(compositeCell(), QStringLiteral("FF204060"));
        // The layer rows still show each layer's own pixel.
        QCOMPARE(table->item(1, 4)->text(), QStringLiteral("FFFF0000"));
    }
};

QTEST_MAIN(TestCompositeLayers)
#include "tst_compositelayers.moc"
