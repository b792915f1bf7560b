// Pointer events over real views on a publisher's blocks: the status line,
// the pointer input read back from the blocks (layer, virtual screen,
// composite), the palette highlight, the hand tool's cursors and scrolling.
#include "dialogs/buttons.h"
#include "dialogs/scale.h"
#include "views/viewvirtlayer.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QSignalSpy>

using namespace fixture;

namespace {

Qt::CursorShape overrideShape()
{
    const QCursor *c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::BitmapCursor;
}

} // namespace

class TestPointer : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    MainWindow *window = nullptr;
    sim::Publisher *pub = nullptr;

    void pointOutside(ViewWidget *view) { QTest::mouseMove(view, QPoint(1, 1)); }

private Q_SLOTS:
    void init()
    {
        fx.reset();
        SetScale(1.0f);
        window = &fx.openHost();
        pub = fx.pub.get();
    }
    void cleanup()
    {
        fx.clear();
        SetScale(0);
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));
    }

    void statusTextsNameTheColourFormatAndThePressState()
    {
        const sim::LayerSpec s = spec(20, 10);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        b->fill32(0xFF000000);
        b->setPixel32(3, 4, 0xFF123456);
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        view->SetZoom(2);
        QVERIFY(showOffPointer(view.get(), QSize(60, 40)));
        PaintWidget *pw = view->GetPaintWidget();

        window->layerCount = 1;
        view->GetZoomCombo()->setFocus();
        QTest::mouseMove(pw, at(3, 4, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, RGB=12 34 56)"));
        // Entering takes the keyboard focus, so keys go to this view.
        QCOMPARE(view->focusWidget(), static_cast<QWidget *>(pw));
        window->layerCount = 2;
        QTest::mouseMove(pw, QPoint(6, 8));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, ARGB=FF 12 34 56)"));

        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(3, 4, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, ARGB=FF 12 34 56), Pressed"));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(3, 4, 2));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, ARGB=FF 12 34 56), Released"));
        QTest::mouseMove(pw, QPoint(6, 9));
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, ARGB=FF 12 34 56)"));

        // A right press is no pointer input and changes no state.
        QTest::mousePress(pw, Qt::RightButton, Qt::NoModifier, at(5, 5, 2));
        QTest::mouseRelease(pw, Qt::RightButton, Qt::NoModifier, at(5, 5, 2));
        QCOMPARE(b->pointerPressed(), 0);
        QCOMPARE(window->StatusText(), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, ARGB=FF 12 34 56)"));

        pointOutside(view.get());
        QCOMPARE(window->StatusText(), QStringLiteral("Mouse moved out"));
    }

    void indexedViewsNameAndHighlightTheIndex()
    {
        const sim::LayerSpec s = spec(16, 8, 16, 8);
        sim::PublishedBlock *b = pub->createLayer(1, s);
        QVERIFY(b);
        for (int i = 0; i < 16; ++i)
            b->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x111111));
        b->fill8(0);
        b->setPixel8(5, 6, 7);
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(1, s)));
        view->Refresh();
        window->layerCount = 1;
        QSignalSpy hovered(view.get(), &ViewLayer::IndexHovered);
        QVERIFY(showOffPointer(view.get(), QSize(40, 40)));
        PaintWidget *pw = view->GetPaintWidget();

        QTest::mouseMove(pw, at(5, 6, 1));
        QCOMPARE(window->StatusText(),
                 QStringLiteral("[Layer 1]: WM_MOUSEMOVE (x=5, y=6, RGB=77 77 77, Index #7)"));
        QVERIFY(!hovered.isEmpty());
        QCOMPARE(hovered.last().first().toInt(), 7);
        QTest::mouseMove(pw, at(4, 6, 1));
        QCOMPARE(hovered.last().first().toInt(), 0);
        pointOutside(view.get());
        QCOMPARE(hovered.last().first().toInt(), 0xFFFF);
    }

    void pointerInputIsWrittenIntoTheLayerBlock()
    {
        const sim::LayerSpec s = spec(40, 30);
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        view->SetZoom(4);
        QVERIFY(showOffPointer(view.get(), QSize(200, 150)));
        PaintWidget *pw = view->GetPaintWidget();
        const auto fields = [b] { return QList<int>{b->pointerX(), b->pointerY(), b->pointerPressed()}; };

        // Widget (30, 23) at zoom 4 is pixel (7, 5).
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, QPoint(30, 23));
        QCOMPARE(fields(), QList<int>({7, 5, 1}));
        QTest::mouseMove(pw, at(9, 6, 4));
        QCOMPARE(fields(), QList<int>({9, 6, 1}));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(9, 6, 4));
        QCOMPARE(fields(), QList<int>({9, 6, 0}));
        QTest::mouseMove(pw, at(11, 2, 4));
        QCOMPARE(fields(), QList<int>({11, 2, 0}));

        // With a tool on, presses are the tool's and nothing reaches the block.
        view->GetSelectionButton()->click();
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(1, 1, 4));
        QTest::mouseMove(pw, at(3, 3, 4));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(3, 3, 4));
        view->GetHandButton()->click();
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, at(2, 2, 4));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, at(2, 2, 4));
        QCOMPARE(fields(), QList<int>({11, 2, 0}));
        pointOutside(view.get());
    }

    void virtualScreenWritesVisibleWindowCoordinates()
    {
        sim::LayerSpec s = spec(320, 240);
        s.vxSize = 320;
        s.vySize = 480;
        sim::PublishedBlock *b = pub->createLayer(0, s);
        QVERIFY(b);
        b->setXOrg(0);
        b->setYOrg(240);
        ViewLayer layer(window, infoOf(0, s));
        std::unique_ptr<ViewVirtLayer> virt(new ViewVirtLayer(nullptr, &layer));
        QVERIFY(showOffPointer(virt.get(), QSize(330, 300)));
        scrollTo(virt.get(), 0, 200);
        PaintWidget *pw = virt->GetPaintWidget();
        QCOMPARE(pw->size(), QSize(320, 480));

        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, QPoint(10, 250));
        QCOMPARE(QList<int>({b->pointerX(), b->pointerY(), b->pointerPressed()}), QList<int>({10, 10, 1}));
        // Above the visible window the position is negative, not clipped.
        QTest::mouseMove(pw, QPoint(12, 230));
        QCOMPARE(QList<int>({b->pointerX(), b->pointerY(), b->pointerPressed()}), QList<int>({12, -10, 1}));
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, QPoint(12, 230));
        QCOMPARE(b->pointerPressed(), 0);
        pointOutside(virt.get());
    }

    void compositeWritesIntoTheFirstLayersBlock()
    {
        const sim::LayerSpec s0 = spec(64, 48);
        sim::LayerSpec s1 = spec(20, 10);
        s1.xPos = 8;
        s1.yPos = 8;
        sim::PublishedBlock *b0 = pub->createLayer(0, s0);
        sim::PublishedBlock *b1 = pub->createLayer(1, s1);
        QVERIFY(b0 && b1);
        b0->setCompositeSize(64, 48);
        ViewLayer v0(window, infoOf(0, s0));
        ViewLayer v1(window, infoOf(1, s1));
        QList<ViewLayer *> list{&v0, &v1};
        std::unique_ptr<ViewComposite> composite(new ViewComposite(nullptr, &list));
        composite->SetZoom(2);
        QVERIFY(showOffPointer(composite.get(), QSize(140, 100)));

        QTest::mousePress(composite->GetPaintWidget(), Qt::LeftButton, Qt::NoModifier, at(12, 13, 2));
        QCOMPARE(QList<int>({b0->pointerX(), b0->pointerY(), b0->pointerPressed()}), QList<int>({12, 13, 1}));
        QCOMPARE(QList<int>({b1->pointerX(), b1->pointerY(), b1->pointerPressed()}), QList<int>({0, 0, 0}));
        QTest::mouseRelease(composite->GetPaintWidget(), Qt::LeftButton, Qt::NoModifier, at(12, 13, 2));
        pointOutside(composite.get());
    }

    void handToolScrollsAndRestoresItsCursors()
    {
        const sim::LayerSpec s = spec(200, 150);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        QVERIFY(showOffPointer(view.get(), QSize(100, 80)));
        PaintWidget *pw = view->GetPaintWidget();
        QScrollBar *h = view->GetScrollArea()->horizontalScrollBar();
        QScrollBar *v = view->GetScrollArea()->verticalScrollBar();
        scrollTo(view.get(), 30, 10);

        view->GetHandButton()->click();
        QTest::mouseMove(pw, QPoint(90, 40));
        QCOMPARE(overrideShape(), Qt::OpenHandCursor);
        QTest::mousePress(pw, Qt::LeftButton, Qt::NoModifier, QPoint(90, 40));
        QCOMPARE(overrideShape(), Qt::ClosedHandCursor);
        // Twenty device pixels to the left: the content follows the pointer.
        QTest::mouseMove(pw, QPoint(70, 40));
        QCOMPARE(h->value(), 50);
        QCOMPARE(v->value(), 10);
        QTest::mouseRelease(pw, Qt::LeftButton, Qt::NoModifier, QPoint(90, 40));
        QCOMPARE(overrideShape(), Qt::OpenHandCursor);
        pointOutside(view.get());
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));

        // Switching the tool off over the widget takes its cursor along.
        QTest::mouseMove(pw, QPoint(60, 40));
        QCOMPARE(overrideShape(), Qt::OpenHandCursor);
        view->GetHandButton()->click();
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));
        pointOutside(view.get());
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));
    }

    void leavingRestoresBothToolsCursors()
    {
        const sim::LayerSpec s = spec(50, 40);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        QVERIFY(showOffPointer(view.get(), QSize(60, 50)));
        view->handOn = true;
        view->selectionOn = true;
        QTest::mouseMove(view->GetPaintWidget(), QPoint(20, 20));
        QCOMPARE(view->GetPaintWidget()->ToolCursorCount(), 2);
        QCOMPARE(overrideShape(), Qt::CrossCursor);
        pointOutside(view.get());
        QCOMPARE(view->GetPaintWidget()->ToolCursorCount(), 0);
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));
        view->handOn = false;
        view->selectionOn = false;
    }

    void viewTornDownUnderThePointerLeavesNoCursor()
    {
        const sim::LayerSpec s = spec(50, 40);
        QVERIFY(pub->createLayer(0, s));
        std::unique_ptr<ViewLayer> view(new ViewLayer(nullptr, infoOf(0, s)));
        QVERIFY(showOffPointer(view.get(), QSize(60, 50)));
        view->GetSelectionButton()->click();
        QTest::mouseMove(view->GetPaintWidget(), QPoint(20, 20));
        QCOMPARE(overrideShape(), Qt::CrossCursor);
        view.reset();
        QCOMPARE(QGuiApplication::overrideCursor(), static_cast<QCursor *>(nullptr));
    }
};

QTEST_MAIN(TestPointer)
#include "tst_pointer.moc"
