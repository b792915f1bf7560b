// The paint widget's context menu, opened by real right clicks on the views
// of a published simulation: its items, tips and enabled states, what each
// copy puts on the system clipboard, and the zoom, grid, fit-window and
// close commands; the simulation ending while the menu is open.
#include "dialogs/modalscope.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QPointer>

using fixture::chooseFromMenu;
using fixture::menuItem;
using fixture::rightClick;

namespace {

constexpr quint32 Red = 0xFFFF0000u;

// Opaque, different at every pixel; pure red at (7, 5).
quint32 layerPixel(int x, int y)
{
    if (x == 7 && y == 5)
        return Red;
    return 0xFF000000u | quint32(x & 0xFF) << 16 | quint32(y & 0xFF) << 8 | quint32((x * 7 + y) & 0xFF);
}

// What the menu showed, noted inside its event loop and checked after it.
struct MenuSeen
{
    QString title;
    QStringList texts;        // top-level items, separators as "-"
    QStringList zoomTexts;
    QStringList disabled;     // texts of disabled items, zoom items included
    QMap<QString, QString> tips;
    bool gridChecked = false;
};

MenuSeen look(QMenu *menu)
{
    MenuSeen seen;
    seen.title = menu->title();
    for (QAction *a : menu->actions()) {
        seen.texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        if (!a->isEnabled())
            seen.disabled << a->text();
        if (!a->statusTip().isEmpty())
            seen.tips.insert(a->text(), a->statusTip());
        if (a->text() == QStringLiteral("&Grid"))
            seen.gridChecked = a->isChecked();
        if (QMenu *sub = a->menu()) {
            for (QAction *z : sub->actions()) {
                seen.zoomTexts << z->text();
                if (!z->isEnabled())
                    seen.disabled << z->text();
            }
        }
    }
    return seen;
}

} // namespace

class TestPaintMenu : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    MainWindow *window = nullptr;

    // A new window on a simulation of one true-colour layer of w x h with
    // layerPixel's pixels and a display of the same size.
    bool start(int w, int h)
    {
        fx.closeWindow();
        if (!fx.publish({sim::LayerSpec::of(w, h)}, QSize(w, h)))
            return false;
        sim::PublishedBlock *l0 = fx.pub->layer(0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                l0->setPixel32(x, y, layerPixel(x, y));
        l0->bumpContent();
        const bool opened = fx.openWindow();
        window = fx.window.get();
        return opened && fx.waitForViews(1, WindowFixture::WithComposite);
    }

    ViewLayer *layerView() { return fx.view(0); }

    static QImage clipboardImage()
    {
        return QApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32);
    }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        QApplication::clipboard()->clear();
        QVERIFY(start(40, 30));
    }

    void cleanup()
    {
        fx.clear();
        QCOMPARE(ModalScope::Depth(), 0);
    }

    // Every item in order with its tip; at zoom 1 the 100% item and the grid
    // are disabled, and so is editing without a selection.
    void itemsTipsAndEnabledStates()
    {
        PaintWidget *paint = layerView()->GetPaintWidget();
        MenuSeen seen;
        QVERIFY(rightClick(paint, QPoint(9, 4), [&](QMenu *menu) { seen = look(menu); }));
        QCOMPARE(seen.title, QStringLiteral("Layer 0"));
        QCOMPARE(seen.texts.join('|'), QStringLiteral("&Zoom|&Grid|&Fit window size to layer|-|&Copy to clipboard|"
                                                      "Copy co&lor|-|&Edit selection...|-|Cl&ose|-|&Watch pixel|-|"
                                                      "Show &updates|&Heat map"));
        QCOMPARE(seen.zoomTexts.join(' '),
                 QStringLiteral("&100% &200% &300% &400% &500% &600% &800% &1000% &1200% &1600%"));
        QCOMPARE(seen.disabled.join('|'), QStringLiteral("&100%|&Grid|&Edit selection..."));
        QCOMPARE(seen.tips.value("&Grid"), QStringLiteral("Toggle the grid of Layer 0."));
        QCOMPARE(seen.tips.value("&Fit window size to layer"),
                 QStringLiteral("Resizes this layer to its entire size (based on the zoom level)."));
        QCOMPARE(seen.tips.value("&Copy to clipboard"), QStringLiteral("Copy the contents of Layer 0 to clipboard."));
        QCOMPARE(seen.tips.value("Copy co&lor"), QStringLiteral("Copy the pixel color at (9,4) in ARGB to clipboard."));
        QCOMPARE(seen.tips.value("&Edit selection..."),
                 QStringLiteral("Edit the position and size of the current selection."));
        QCOMPARE(seen.tips.value("Cl&ose"), QStringLiteral("Close Layer 0."));
        QCOMPARE(seen.tips.value("&Watch pixel"), QStringLiteral("Watch the pixel at (9,4) in the pixel inspector."));
        QCOMPARE(seen.tips.value("&Heat map"),
                 QStringLiteral("Show how often each pixel of Layer 0 changed in the last 10 seconds."));

        // The zoom item sets the zoom; at 300% the pointer position is divided
        // by 3 dropping the remainder, the grid is enabled and 300% is not.
        QVERIFY(chooseFromMenu(paint, QPoint(2, 2), QStringLiteral("&300%")));
        QCOMPARE(layerView()->GetZoom(), 3);
        QCOMPARE(layerView()->GetZoomCombo()->currentIndex(), 2);
        layerView()->SetSelection(1, 1, 2, 2);
        QVERIFY(rightClick(paint, QPoint(29, 17), [&](QMenu *menu) { seen = look(menu); }));
        QCOMPARE(seen.disabled.join('|'), QStringLiteral("&300%"));
        QCOMPARE(seen.tips.value("Copy co&lor"), QStringLiteral("Copy the pixel color at (9,5) in ARGB to clipboard."));
        QCOMPARE(seen.tips.value("&Copy to clipboard"), QStringLiteral("Copy the current selection to clipboard."));
        QVERIFY(!seen.gridChecked);
    }

    // The grid item switches the grid and keeps the view's button in step.
    void gridItemTogglesTheGrid()
    {
        ViewLayer *view = layerView();
        view->SetZoom(4);
        QAbstractButton *button = fixture::buttonWithTip(view, QStringLiteral("<b>Grid</b>"));
        QVERIFY(button);
        QVERIFY(chooseFromMenu(view->GetPaintWidget(), QPoint(5, 5), QStringLiteral("&Grid")));
        QVERIFY(view->gridOn);
        QVERIFY(button->isChecked());
        MenuSeen seen;
        QVERIFY(rightClick(view->GetPaintWidget(), QPoint(5, 5), [&](QMenu *menu) { seen = look(menu); }));
        QVERIFY(seen.gridChecked);
        QVERIFY(chooseFromMenu(view->GetPaintWidget(), QPoint(5, 5), QStringLiteral("&Grid")));
        QVERIFY(!view->gridOn);
        QVERIFY(!button->isChecked());
    }

    // Copy colour puts the eight hex digits of the pixel under the pointer
    // on the clipboard, for a layer view and for the composite.
    void copyColour()
    {
        QVERIFY(chooseFromMenu(layerView()->GetPaintWidget(), QPoint(7, 5), QStringLiteral("Copy co&lor")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FFFF0000"));
        layerView()->SetZoom(2);
        QVERIFY(chooseFromMenu(layerView()->GetPaintWidget(), QPoint(7, 5), QStringLiteral("Copy co&lor")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("%1").arg(layerPixel(3, 2), 8, 16, QChar('0')).toUpper());

        QApplication::clipboard()->clear();
        QVERIFY(chooseFromMenu(window->CompositeView()->GetPaintWidget(), QPoint(7, 5), QStringLiteral("Copy co&lor")));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FFFF0000"));
    }

    // At zoom 3 a 10 x 4 selection copies a 30 x 12 image of its pixels,
    // each a 3 x 3 block, and reports its area.
    void copySelectionAtZoomThree()
    {
        ViewLayer *view = layerView();
        view->SetZoom(3);
        view->SetSelection(5, 4, 10, 4);
        QVERIFY(chooseFromMenu(view->GetPaintWidget(), QPoint(1, 1), QStringLiteral("&Copy to clipboard")));
        const QImage copied = clipboardImage();
        QCOMPARE(copied.size(), QSize(30, 12));
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 30; ++x)
                QCOMPARE(copied.pixel(x, y), layerPixel(5 + x / 3, 4 + y / 3));
        QCOMPARE(window->StatusText(), QStringLiteral("Copied area from (5, 4) to (14, 7) to clipboard."));
    }

    // Without a selection a layer view copies what it shows: only the part
    // in view when scrolled. The composite always copies the whole display.
    void contentCopyPartialWhenScrolledAndWholeComposite()
    {
        QVERIFY(start(400, 300));
        ViewLayer *view = layerView();
        view->SetZoom(4);
        QScrollBar *h = view->GetScrollArea()->horizontalScrollBar();
        QScrollBar *v = view->GetScrollArea()->verticalScrollBar();
        QTRY_VERIFY(h->maximum() > 100 && v->maximum() > 100);
        h->setValue(80);
        v->setValue(40);
        PaintWidget *paint = view->GetPaintWidget();
        QVERIFY(chooseFromMenu(paint, QPoint(90, 50), QStringLiteral("&Copy to clipboard")));
        QCOMPARE(window->StatusText(), QStringLiteral("Copied Layer 0 to clipboard."));
        const QImage copied = clipboardImage();
        const QSize visible = view->GetVisibleSize();
        QCOMPARE(copied.size(), QSize(visible.width() / 4 * 4, visible.height() / 4 * 4));
        QVERIFY(copied.width() < 1600 && copied.height() < 1200);
        for (int y = 0; y < copied.height(); y += 3)
            for (int x = 0; x < copied.width(); x += 5)
                QCOMPARE(copied.pixel(x, y), layerPixel(20 + x / 4, 10 + y / 4));

        // The composite at zoom 1, scrolled or not: the whole 400 x 300 display.
        ViewComposite *composite = window->CompositeView();
        composite->GetScrollArea()->horizontalScrollBar()->setValue(30);
        QVERIFY(chooseFromMenu(composite->GetPaintWidget(), QPoint(35, 10), QStringLiteral("&Copy to clipboard")));
        QCOMPARE(window->StatusText(), QStringLiteral("Copied Composite View to clipboard."));
        const QImage whole = clipboardImage();
        QCOMPARE(whole.size(), QSize(400, 300));
        for (int y = 0; y < 300; y += 7)
            for (int x = 0; x < 400; x += 3)
                QCOMPARE(whole.pixel(x, y), layerPixel(x, y));
    }

    // A selection whose magnified image would pass the image bound copies
    // nothing and says so.
    void tooLargeSelectionCopiesNothing()
    {
        QVERIFY(start(4000, 300));
        ViewLayer *view = layerView();
        view->SetZoom(16);
        view->SetSelection(0, 0, 4000, 300);
        QApplication::clipboard()->setText(QStringLiteral("kept"));
        QVERIFY(chooseFromMenu(view->GetPaintWidget(), QPoint(3, 3), QStringLiteral("&Copy to clipboard")));
        QCOMPARE(window->StatusText(), QStringLiteral("Selection too large to copy at this zoom."));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
    }

    void closeHidesTheView()
    {
        QVERIFY(chooseFromMenu(layerView()->GetPaintWidget(), QPoint(3, 3), QStringLiteral("Cl&ose")));
        QVERIFY(layerView()->isHidden());
        QVERIFY(chooseFromMenu(window->CompositeView()->GetPaintWidget(), QPoint(3, 3), QStringLiteral("Cl&ose")));
        QVERIFY(window->CompositeView()->isHidden());
    }

    // Fit window: the window takes its size hint, but never more than the
    // screen offers.
    void fitWindowIsBoundedByTheScreen()
    {
        window->resize(360, 310);
        QVERIFY(chooseFromMenu(layerView()->GetPaintWidget(), QPoint(3, 3), QStringLiteral("&Fit window size to layer")));
        // The toolbars make the hint wider than the small screen, not higher.
        QVERIFY(window->sizeHint().height() < window->ScreenLimit().height());
        QTRY_COMPARE(window->size(), window->sizeHint().boundedTo(window->ScreenLimit()));
        QCOMPARE(window->height(), window->sizeHint().height());

        QVERIFY(start(400, 300));
        layerView()->SetZoom(16);
        // The window's hint follows the view's new size once the layouts ran.
        QTRY_VERIFY(window->sizeHint().width() > window->ScreenLimit().width());
        QVERIFY(chooseFromMenu(layerView()->GetPaintWidget(), QPoint(3, 3), QStringLiteral("&Fit window size to layer")));
        QTRY_COMPARE(window->width(), window->ScreenLimit().width());
        QVERIFY(window->height() <= window->ScreenLimit().height());
    }

    // The simulation ends while the menu is open: the views stay until it has
    // closed, its command still runs on a live widget, and the teardown
    // follows afterwards.
    void simulationEndsWhileTheMenuIsOpen()
    {
        QPointer<ViewLayer> guard(layerView());
        PaintWidget *paint = layerView()->GetPaintWidget();
        bool deferred = false;
        bool kept = false;
        QVERIFY(rightClick(paint, QPoint(7, 5), [&](QMenu *menu) {
            fx.pub->tearDown();
            deferred = QTest::qWaitFor([this] { return window->TeardownPending(); }, 5000);
            kept = window->LayerViews().size() == 1;
            if (QAction *a = menuItem(menu, QStringLiteral("Copy co&lor")))
                a->trigger();
            if (QAction *a = menuItem(menu, QStringLiteral("&Copy to clipboard")))
                a->trigger();
        }));
        QVERIFY(deferred);
        QVERIFY(kept);
        QVERIFY(guard);
        // The block is gone: the colour reads as nothing, the content as empty.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("00000000"));
        QTRY_VERIFY(!guard);
        QVERIFY(window->LayerViews().isEmpty());
        QVERIFY(!window->TeardownPending());
    }
};

QTEST_MAIN(TestPaintMenu)
#include "tst_paintmenu.moc"
