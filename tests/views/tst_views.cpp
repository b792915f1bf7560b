// The three kinds of view on a publisher's blocks, used as a person uses
// them: the zoom controls and tool buttons, the refresh by the layer's
// counters, the saved state, titles, identifiers, pixel addresses, the
// information strips and the scroll areas.
#include "modalwait.h"
#include "viewfixture.h"

#include "dialogs/buttons.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/scale.h"
#include "palette/palettewidget.h"
#include "views/infowidgets.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace fixture;

namespace {

LayerInfoWidget *stripOf(QWidget *view)
{
    return view->findChild<LayerInfoWidget *>();
}

} // namespace

class TestViews : public QObject, ViewFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        SetScale(1.0f);
        reset();
    }
    void cleanup()
    {
        clear();
        SetScale(0);
    }

    void zoomControlsAndGridButtonFollowTheZoom()
    {
        const sim::LayerSpec s = spec(40, 30);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(host, infoOf(0, s));
        QComboBox *combo = view.GetZoomCombo();
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        QCOMPARE(texts.join(' '), QStringLiteral("100% 200% 300% 400% 500% 600% 800% 1000% 1200% 1600%"));
        QCOMPARE(combo->toolTip(), QStringLiteral("Zoom level"));

        QAbstractButton *in = buttonWithTip(&view, QStringLiteral("Zoom in"));
        QAbstractButton *out = buttonWithTip(&view, QStringLiteral("Zoom out"));
        QAbstractButton *reset = buttonWithTip(&view, QStringLiteral("Reset zoom"));
        QAbstractButton *grid = buttonWithTip(&view, QStringLiteral("<b>Grid</b>"));
        QVERIFY(in && out && reset && grid);
        QCOMPARE(reset->text(), QStringLiteral("1:1"));
        // A new view: 100%, nothing to zoom out or reset, no grid yet.
        QCOMPARE(combo->currentText(), QStringLiteral("100%"));
        QVERIFY(!out->isEnabled() && !reset->isEnabled() && !grid->isEnabled() && !grid->isChecked());
        QVERIFY(in->isEnabled());
        QCOMPARE(view.GetPaintWidget()->size(), QSize(40, 30));

        in->click();
        QCOMPARE(view.GetZoom(), 2);
        QVERIFY(!grid->isEnabled());
        in->click();
        QCOMPARE(view.GetZoom(), 3);
        QVERIFY(grid->isEnabled() && out->isEnabled() && reset->isEnabled());
        QCOMPARE(view.GetPaintWidget()->size(), QSize(120, 90));
        grid->click();
        QVERIFY(view.gridOn && grid->isChecked());
        out->click();
        QCOMPARE(view.GetZoom(), 2);
        // Below 300% the button is disabled, but a grid that was on stays on.
        QVERIFY(!grid->isEnabled() && view.gridOn);

        for (int i = 0; i < 12; ++i)
            if (in->isEnabled())
                in->click();
        QCOMPARE(view.GetZoom(), 16);
        QCOMPARE(combo->currentIndex(), 9);
        QVERIFY(!in->isEnabled());
        reset->click();
        QCOMPARE(view.GetZoom(), 1);
        QVERIFY(!out->isEnabled() && !reset->isEnabled());

        // Only the ten factors select anything.
        view.SetZoom(8);
        QCOMPARE(combo->currentText(), QStringLiteral("800%"));
        view.SetZoom(7);
        view.SetZoom(0);
        view.SetZoom(-1);
        QCOMPARE(view.GetZoom(), 8);
        QCOMPARE(view.GetZoom(), 8);
    }

    void handAndSelectionToolsExcludeEachOther()
    {
        const sim::LayerSpec s = spec(20, 20);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(host, infoOf(0, s));
        QAbstractButton *hand = buttonWithTip(&view, QStringLiteral("<b>Hand Tool</b>"));
        QAbstractButton *select = buttonWithTip(&view, QStringLiteral("<b>Selection Tool</b>"));
        QVERIFY(hand && select);
        select->click();
        QVERIFY(view.selectionOn && !view.handOn);
        view.SetSelection(2, 3, 4, 5);
        QCOMPARE(view.GetPaintWidget()->validSelection(), QRect(2, 3, 4, 5));
        hand->click();
        QVERIFY(view.handOn && !view.selectionOn && !select->isChecked());
        QVERIFY(!view.GetPaintWidget()->validSelection().isValid());
        select->click();
        QVERIFY(view.selectionOn && !view.handOn && !hand->isChecked());
        select->click();
        QVERIFY(!view.selectionOn && !view.handOn);
    }

    void refreshRepaintsOnlyOnChange()
    {
        sim::LayerSpec s = spec(30, 20, 16, 8);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        ViewLayer view(host, infoOf(0, s));
        QVERIFY(view.Refresh()); // the first tick always repaints
        QVERIFY(!view.Refresh());
        b->bumpContent();
        QVERIFY(view.Refresh());
        QVERIFY(!view.Refresh());
        b->bumpPalette();
        QVERIFY(view.Refresh());
        QVERIFY(!view.Refresh());
        view.forceRefresh = true;
        QVERIFY(view.Refresh());
        QVERIFY(!view.forceRefresh);
        QVERIFY(!view.Refresh());

        // A grown layer: the paint widget follows the record's size at the
        // current zoom; the view's image size stays as built.
        view.SetZoom(2);
        b->setXSize(35);
        b->bumpContent();
        QVERIFY(view.Refresh());
        QCOMPARE(view.GetPaintWidget()->size(), QSize(70, 40));
        QCOMPARE(view.imageWidth, 30);
        view.SetZoom(1);
        QCOMPARE(view.GetPaintWidget()->size(), QSize(30, 20));
    }

    void stateIsSavedAndRestored()
    {
        const sim::LayerSpec s = spec(200, 150);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view(new ViewLayer(host, infoOf(0, s)));
        showWithViewport(view.get(), QSize(100, 80));
        view->SetZoom(4);
        view->gridOn = true;
        view->gridColor = 0xFF112233;
        view->gridMode = 1;
        scrollTo(view.get(), 37, 22);
        view->SetSelectionRect(5, 6, 14, 9);
        ViewState saved;
        saved.selLeft = 99;
        view->SaveState(&saved);
        QCOMPARE(saved.id, 0x10000000);
        QCOMPARE(int(saved.zoom), 4);
        QCOMPARE(saved.scrollX, 36);
        QCOMPARE(saved.scrollY, 20);
        QCOMPARE(saved.gridColor, 0xFF112233u);
        QCOMPARE(saved.gridMode, 1);
        QVERIFY(saved.gridOn && !saved.hidden);
        QCOMPARE(QRect(QPoint(saved.selLeft, saved.selTop), QPoint(saved.selRight, saved.selBottom)),
                 QRect(5, 6, 10, 4));
        view->SaveState(nullptr);

        std::unique_ptr<ViewLayer> again(new ViewLayer(host, infoOf(0, s)));
        showWithViewport(again.get(), QSize(100, 80));
        saved.hidden = true;
        again->RestoreState(&saved);
        again->RestoreState(nullptr);
        QCOMPARE(again->GetZoom(), 4);
        QCOMPARE(again->GetZoomCombo()->currentText(), QStringLiteral("400%"));
        QVERIFY(again->gridOn);
        QCOMPARE(again->gridColor, 0xFF112233u);
        QCOMPARE(again->gridMode, 1);
        QVERIFY(again->isHidden());
        QCOMPARE(again->GetPaintWidget()->validSelection(), QRect(5, 6, 10, 4));
        // The scroll bars are set a moment later, once the layout has settled.
        QTRY_COMPARE(again->GetScrollArea()->horizontalScrollBar()->value(), 36);
        QCOMPARE(again->GetScrollArea()->verticalScrollBar()->value(), 20);

        // No selection is (0, 0, -1, -1) and restores none.
        std::unique_ptr<ViewLayer> plain(new ViewLayer(host, infoOf(0, s)));
        ViewState none;
        plain->SaveState(&none);
        QCOMPARE(QList<int>({none.selLeft, none.selTop, none.selRight, none.selBottom}), QList<int>({0, 0, -1, -1}));
        plain->RestoreState(&none);
        QVERIFY(!plain->GetPaintWidget()->validSelection().isValid());
    }

    void sizesFollowTheDisplayScale()
    {
        const sim::LayerSpec s = spec(20, 20);
        QVERIFY(pub->createLayer(0, s));
        for (const auto &c : {qMakePair(1.0f, QSize(80, 32)), qMakePair(1.5f, QSize(120, 48))}) {
            SetScale(c.first);
            ViewLayer view(host, infoOf(0, s));
            QCOMPARE(view.GetZoomCombo()->size(), c.second);
            QCOMPARE(buttonWithTip(&view, QStringLiteral("Zoom in"))->size(), QSize(c.second.height(), c.second.height()));
        }
    }

    void newViewsTakeTheHostsDefaultGrid()
    {
        // The host's settings members, not a copy of them, give a new view
        // its grid colour and mode.
        const sim::LayerSpec s = spec(20, 20);
        QVERIFY(pub->createLayer(0, s));
        host->defaultGridColor = 0xFF123456u;
        host->defaultGridMode = 1;
        QCOMPARE(host->DefaultGrid(), qMakePair(0xFF123456u, 1));
        ViewLayer view(host, infoOf(0, s));
        QCOMPARE(view.gridColor, 0xFF123456u);
        QCOMPARE(view.gridMode, 1);
        host->defaultGridMode = 0;
        ViewLayer other(host, infoOf(0, s));
        QCOMPARE(other.gridMode, 0);
        QCOMPARE(host->LayerWord(), QStringLiteral("Layer"));
        host->multiDisplay = 1;
        QCOMPARE(host->LayerWord(), QStringLiteral("Display"));
    }

    void gridColourDialogEditsTheView()
    {
        const sim::LayerSpec s = spec(20, 20);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(host, infoOf(0, s));
        QString title;
        auto answered = modalwait::whenOpen<GridColorDialog>([&title](GridColorDialog *dialog) {
            title = dialog->windowTitle();
            for (QRadioButton *r : dialog->findChildren<QRadioButton *>())
                if (r->text() == QStringLiteral("&Inverted pixels (XOR)"))
                    QTest::mouseClick(r, Qt::LeftButton);
            for (QPushButton *b : dialog->findChildren<QPushButton *>())
                if (b->text() == QStringLiteral("OK"))
                    QTest::mouseClick(b, Qt::LeftButton);
        });
        QCOMPARE(view.gridMode, 0);
        buttonWithTip(&view, QStringLiteral("<b>Grid Color</b>"))->click();
        QVERIFY(*answered);
        QCOMPARE(title, QStringLiteral("Grid color of Layer 0"));
        QCOMPARE(view.gridMode, 1);
    }

    void titlesIdentifiersAndStrips()
    {
        sim::LayerSpec s0 = spec(320, 240, 0, 16);
        sim::LayerSpec s1 = spec(320, 240, 256, 8);
        s1.vxSize = 640;
        s1.vySize = 480;
        s1.xPos = 12;
        s1.yPos = 34;
        sim::LayerSpec s2 = spec(320, 240, 0, 16);
        sim::PublishedBlock *b0 = pub->createLayer(0, s0);
        QVERIFY(b0 && pub->createLayer(1, s1) && pub->createLayer(2, s2));
        b0->setCompositeSize(800, 480);
        ViewLayer v0(host, infoOf(0, s0));
        ViewLayer v1(host, infoOf(1, s1));
        ViewLayer v2(host, infoOf(2, s2));
        ViewVirtLayer virt(host, &v1);
        QList<ViewLayer *> list{&v0, &v1, &v2};
        ViewComposite composite(host, &list);

        QCOMPARE(v0.GetTitle(), QStringLiteral("Layer 0"));
        QCOMPARE(v1.GetTitle(), QStringLiteral("Vis. Layer 1"));
        QCOMPARE(virt.GetTitle(), QStringLiteral("Virt. Layer 1"));
        QCOMPARE(composite.GetTitle(), QStringLiteral("Composite View"));
        QCOMPARE(v2.GetId(), 0x10000002);
        QCOMPARE(virt.GetId(), 0x30000001);
        QCOMPARE(composite.GetId(), 0x20000000);
        QCOMPARE(composite.GetIndex(), -1);
        QCOMPARE(v1.VirtView(), &virt);
        QVERIFY(!v0.IsVisibleArea() && v1.IsVisibleArea() && !virt.IsVisibleArea());
        QVERIFY(v1.IsIndexed() && !virt.IsIndexed() && !v0.IsIndexed());
        QCOMPARE(virt.imageWidth, 640);
        QCOMPARE(virt.imageHeight, 480);
        QCOMPARE(composite.imageWidth, 800);
        QCOMPARE(composite.imageHeight, 480);

        // Layer form: bold name, size, position, depth.
        LayerInfoWidget *strip = stripOf(&v2);
        QCOMPARE(strip->NameLabel()->text(), QStringLiteral("Layer #2"));
        QVERIFY(strip->NameLabel()->styleSheet().contains(QStringLiteral("font-weight: bold")));
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("320 x 240"));
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(0 | 0)"));
        QCOMPARE(strip->DepthLabel()->text(), QStringLiteral("16 bpp"));
        QCOMPARE(strip->SizeLabel()->toolTip(), QStringLiteral("X- and Y-size of the layer"));
        QCOMPARE(strip->PosLabel()->toolTip(), QStringLiteral("Position of the layer"));
        QCOMPARE(strip->DepthLabel()->toolTip(), QStringLiteral("Color depth of the layer"));
        strip = stripOf(&v1);
        QCOMPARE(strip->NameLabel()->text(), QStringLiteral("Vis. Layer #1"));
        QCOMPARE(strip->NameLabel()->toolTip(), QStringLiteral("Visible Layer #1"));
        QCOMPARE(strip->DepthLabel()->text(), QStringLiteral("8 bpp (Indexed)"));
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(12 | 34)"));
        strip = stripOf(&virt);
        QCOMPARE(strip->NameLabel()->text(), QStringLiteral("Virt. Layer #1"));
        QCOMPARE(strip->NameLabel()->toolTip(), QStringLiteral("Virtual Layer #1"));
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("640 x 480"));
        QCOMPARE(strip->SizeLabel()->toolTip(), QStringLiteral("Virtual X- and Y-size of the layer"));
        QCOMPARE(strip->DepthLabel()->text(), QStringLiteral("8 bpp"));
        strip = stripOf(&composite);
        QCOMPARE(strip->NameLabel()->text(), QStringLiteral("Composite View"));
        QCOMPARE(strip->SizeLabel()->text(), QStringLiteral("800 x 480"));
        QCOMPARE(strip->PosLabel()->text(), QStringLiteral("(0 | 0)"));
        QCOMPARE(strip->DepthLabel()->text(), QStringLiteral("16 bpp"));

        // Display wording: the layer views and strips say Display, the
        // virtual-layer title keeps Layer.
        host->multiDisplay = 1;
        ViewLayer d0(host, infoOf(0, s0));
        QCOMPARE(d0.GetTitle(), QStringLiteral("Display 0"));
        QCOMPARE(stripOf(&d0)->NameLabel()->text(), QStringLiteral("Display #0"));
        QCOMPARE(stripOf(&d0)->SizeLabel()->toolTip(), QStringLiteral("X- and Y-size of the display"));
        QCOMPARE(virt.GetTitle(), QStringLiteral("Virt. Layer 1"));
        virt.UpdateInfo();
        QCOMPARE(stripOf(&virt)->NameLabel()->text(), QStringLiteral("Virt. Display #1"));
        QCOMPARE(stripOf(&virt)->SizeLabel()->toolTip(), QStringLiteral("Virtual X- and Y-size of the display"));
    }

    void pixelAddressesStayInsideTheBlock()
    {
        // 320 x 240 visible at (10, 20) of a 640 x 480 virtual screen.
        sim::LayerSpec s = spec(320, 240);
        s.vxSize = 640;
        s.vySize = 480;
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        b->setXOrg(10);
        b->setYOrg(20);
        ViewLayer view(host, infoOf(0, s));
        ViewVirtLayer virt(host, &view);
        const uchar *base = view.GetRecord().base();
        QCOMPARE(view.GetPixelAddress(QPoint(1, 2), false), base + 4096 + 4 * (320 * 2 + 1) + 4 * (10 + 20 * 320));
        QCOMPARE(view.GetPixelAddress(QPoint(-1, 0), false), static_cast<const uchar *>(nullptr));
        QCOMPARE(view.GetPixelAddress(QPoint(0, -1), true), static_cast<const uchar *>(nullptr));
        // Widget points are divided by the zoom with rounding: (6, 9) / 4 = (2, 2).
        view.SetZoom(4);
        QCOMPARE(view.GetPixelAddress(QPoint(6, 9), true), view.GetPixelAddress(QPoint(2, 2), false));
        QCOMPARE(virt.GetPixelAddress(QPoint(3, 4), false), base + 4096 + 4 * (320 * 4 + 3));
        // Beyond the block there is no address, however the header reads.
        QCOMPARE(virt.GetPixelAddress(QPoint(0, 100000), false), static_cast<const uchar *>(nullptr));
        const uchar *last = view.GetPixelAddress(QPoint(319, 239), false);
        QCOMPARE(last, base + 4096 + 4 * (320 * 239 + 319) + 4 * (10 + 20 * 320));
        QVERIFY(last + 4 <= base + b->size());
        b->setXOrg(1 << 29);
        QCOMPARE(view.GetPixelAddress(QPoint(0, 0), false), static_cast<const uchar *>(nullptr));

        // The composite does not come from one frame buffer.
        b->setCompositeSize(320, 240);
        QList<ViewLayer *> list{&view};
        ViewComposite composite(host, &list);
        QCOMPARE(composite.GetPixelAddress(QPoint(0, 0), false), static_cast<const uchar *>(nullptr));
        QCOMPARE(composite.GetRecord(), view.GetRecord());
    }

    void indexedLayersAndTheirPalette()
    {
        sim::LayerSpec full = spec(8, 8, 256, 8);
        sim::LayerSpec tooMany = spec(8, 8, 257, 8);
        sim::LayerSpec none = spec(8, 8, 0, 8);
        sim::LayerSpec deep = spec(10, 8, 16, 16);
        sim::PublishedBlock *b0 = pub->createLayer(0, full);
        QVERIFY(b0 && pub->createLayer(1, tooMany) && pub->createLayer(2, none) && pub->createLayer(3, deep));
        b0->setPaletteEntry(5, 0x00FF0000);
        ViewLayer v0(host, infoOf(0, full));
        ViewLayer v1(host, infoOf(1, tooMany));
        ViewLayer v2(host, infoOf(2, none));
        ViewLayer v3(host, infoOf(3, deep));
        QVERIFY(v0.IsIndexed() && !v1.IsIndexed() && !v2.IsIndexed() && v3.IsIndexed());
        QCOMPARE(v0.GetImageFormat(), int(QImage::Format_Indexed8));
        QCOMPARE(v0.GetBytesPerLine(), 8);
        QCOMPARE(v1.GetImageFormat(), int(QImage::Format_ARGB32));
        QCOMPARE(v1.GetBytesPerLine(), 32);
        QCOMPARE(v3.GetImageFormat(), 0);
        QCOMPARE(v3.GetBytesPerLine(), 0);
        QCOMPARE(v3.GetPaintWidget()->contentImage().isNull(), true);
        // Indexed views address one byte per pixel.
        QCOMPARE(v0.GetPixelAddress(QPoint(3, 1), false), v0.GetRecord().base() + 4096 + 8 + 3);

        QCOMPARE(v0.GetPalette().size(), 256);
        QCOMPARE(v0.GetPalette().at(5), 0x00FF0000u);
        host->alphaMode = 0; // stored inverted: flipped on the way in
        QCOMPARE(v0.GetPalette().at(5), 0xFFFF0000u);

        // Only an indexed view gets the palette button; none in minimal view.
        QVERIFY(buttonWithTip(&v0, QStringLiteral("<b>Toggle Palette</b>")));
        QVERIFY(!buttonWithTip(&v1, QStringLiteral("<b>Toggle Palette</b>")));
        host->minimalView = 1;
        ViewLayer minimal(host, infoOf(0, full));
        QVERIFY(!buttonWithTip(&minimal, QStringLiteral("<b>Toggle Palette</b>")));
    }

    void minimalViewHidesTheToolbar()
    {
        const sim::LayerSpec s = spec(50, 40);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(host, infoOf(0, s));
        view.setParent(nullptr);
        view.show();
        QCOMPARE(view.frameStyle(), int(QFrame::StyledPanel | QFrame::Sunken));
        const QSize full = view.sizeHint();
        view.SetMinimal(true);
        host->minimalView = 1;
        QCOMPARE(view.frameStyle(), 0);
        QVERIFY(!stripOf(&view)->isVisible());
        QVERIFY(!view.GetZoomCombo()->isVisible());
        QVERIFY(!buttonWithTip(&view, QStringLiteral("Zoom in"))->isVisible());
        QVERIFY(view.GetScrollArea()->isVisible());
        QCOMPARE(view.sizeHint(), view.GetScrollArea()->sizeHint());
        QVERIFY(full.width() > view.sizeHint().width() && full.height() > view.sizeHint().height());
        view.SetMinimal(false);
        host->minimalView = 0;
        QVERIFY(view.GetZoomCombo()->isVisible());
        QCOMPARE(view.sizeHint(), full);
    }

    void closeButtonsAskTheHostToHideTheirView()
    {
        sim::LayerSpec s = spec(16, 16, 16, 8);
        s.vxSize = 32;
        QVERIFY(pub->createLayer(2, s));
        ViewLayer layer(host, infoOf(2, s));
        ViewVirtLayer virt(host, &layer);
        QList<ViewLayer *> list{&layer};
        ViewComposite composite(host, &list);
        PaletteWidget panel(host, &layer, false);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        for (QWidget *w : {static_cast<QWidget *>(&layer), static_cast<QWidget *>(&virt),
                           static_cast<QWidget *>(&composite), static_cast<QWidget *>(&panel)}) {
            CloseButton *close = w->findChild<CloseButton *>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(close);
            QTest::mouseClick(close, Qt::LeftButton);
        }
        using Kind = FakeViewHost::ViewKind;
        const QList<FakeViewHost::ShowCall> expected{
            {Kind::Layer, 2, false, true}, {Kind::Virt, 2, false, true},
            {Kind::Layer, -1, false, true}, {Kind::Palette, 2, false, true}};
        QVERIFY(host->showCalls == expected);
    }

    void scrollAreasAskForTheirContent()
    {
        const sim::LayerSpec s = spec(50, 40);
        QVERIFY(pub->createLayer(0, s));
        ViewLayer view(host, infoOf(0, s));
        CScrollArea *area = view.GetScrollArea();
        QCOMPARE(area->sizeHint(), QSize(50, 40) + QSize(2 * area->lineWidth(), 2 * area->lineWidth()));
        view.SetZoom(3);
        QCOMPARE(area->sizeHint(), QSize(150, 120) + QSize(2 * area->lineWidth(), 2 * area->lineWidth()));
        QCOMPARE(area->focusPolicy(), Qt::NoFocus);

        LayerScrollArea outer(host);
        QCOMPARE(outer.sizeHint().height(), 2 * outer.lineWidth());
        QLabel *inner = new QLabel(QStringLiteral("a grid of views"));
        outer.setWidget(inner);
        QCOMPARE(outer.sizeHint().width(),
                 inner->sizeHint().width() + 2 * outer.lineWidth() + outer.verticalScrollBar()->sizeHint().width());
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
