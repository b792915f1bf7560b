// The selection rectangle on a stand-in paint widget: corners as pixel
// boundaries, widget and outline sizes, moving by dragging in whole pixels,
// clamping at the edges, the move cursor, blinking and zoom changes.
#include "selectionfixture.h"
#include "testenv.h"

#include "dialogs/scale.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QtTest>

#include <memory>

namespace {

QString posText(SelectionWidget *strip) { return strip->PosLabel()->text(); }
QString sizeText(SelectionWidget *strip) { return strip->SizeLabel()->text(); }

// Drags the selection with the left button so that the pointer travels from
// host point 'from' to host point 'to' in the given steps, as a hand on
// the mouse does: each event's position is where the pointer is now,
// wherever the selection has moved to in the meantime.
void drag(QWidget *host, SelectionRect *sel, QPoint from, const QList<QPoint> &to)
{
    QTest::mousePress(sel, Qt::LeftButton, Qt::NoModifier, sel->mapFrom(host, from));
    for (const QPoint &p : to)
        QTest::mouseMove(sel, sel->mapFrom(host, p));
    QTest::mouseRelease(sel, Qt::LeftButton, Qt::NoModifier, sel->mapFrom(host, to.last()));
}

// The outline's pixels as drawn now, exact (solid colours, no smoothing).
QImage outline(SelectionArea *area)
{
    QImage image(area->size(), QImage::Format_RGB32);
    image.fill(Qt::red);
    area->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private:
    TestEnvironment env;

private Q_SLOTS:
    void initTestCase() { SetScale(1.0f); }
    void cleanupTestCase() { SetScale(0); }

    void upLeftDrawingEqualsDownRight()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *down = host.startAt({2, 2}, 4);
        down->SetEnd({5, 5});
        const QRect downGeometry = down->geometry();
        const QSize downArea = down->Area()->size();
        const QString downPos = posText(host.strip);

        SelectionRect *up = host.startAt({5, 5}, 4);
        up->SetEnd({2, 2});
        QCOMPARE(up->geometry(), downGeometry);
        QCOMPARE(up->Area()->size(), downArea);
        QCOMPARE(up->GetRect(), QRect(2, 2, 3, 3));
        QCOMPARE(posText(host.strip), downPos);
        QCOMPARE(posText(host.strip), QStringLiteral("(2 | 2)"));
        QCOMPARE(sizeText(host.strip), QStringLiteral("3 x 3"));
        QCOMPARE(host.changes.last(), QRect(2, 2, 3, 3));
        QVERIFY(up->IsValid());
    }

    void clickLeavesEmptySelection()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *sel = host.startAt({3, 3}, 4);
        QVERIFY(sel->IsEmpty());
        QVERIFY(!sel->IsValid());
        QCOMPARE(posText(host.strip), QStringLiteral("(0 | 0)"));
        QCOMPARE(sizeText(host.strip), QStringLiteral("0 x 0"));
        QVERIFY(!host.strip->HasSelection());

        // Dragged back onto the pressed pixel: still nothing to edit.
        sel->SetEnd({6, 6});
        QVERIFY(host.strip->HasSelection());
        sel->SetEnd({3, 3});
        QVERIFY(!sel->IsValid());
        QVERIFY(!host.strip->HasSelection());
        QVERIFY(host.changes.last().isNull());

        // Going away clears the strip and tells the host.
        sel->SetEnd({6, 6});
        host.changes.clear();
        delete host.selection;
        host.selection = nullptr;
        QVERIFY(!host.strip->HasSelection());
        QCOMPARE(host.changes, QList<QRect>{QRect()});
    }

    void widgetAndOutlineSizes_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("widget");
        QTest::addColumn<QSize>("area");
        QTest::newRow("zoom 4") << 4 << QSize(13, 9) << QSize(12, 8);
        QTest::newRow("zoom 1") << 1 << QSize(4, 3) << QSize(4, 3);
    }
    void widgetAndOutlineSizes()
    {
        QFETCH(int, zoom);
        QFETCH(QSize, widget);
        QFETCH(QSize, area);
        FakePaintWidget host(20, 15, zoom);
        SelectionRect *sel = host.startAt({0, 0}, zoom);
        sel->SetEnd({3, 2});
        QCOMPARE(sel->size(), widget);
        QCOMPARE(sel->Area()->size(), area);
        QCOMPARE(sel->GetSize(), QSize(3, 2));

        // The same selection rescaled from the other zoom.
        SelectionRect *other = host.startAt({0, 0}, zoom == 4 ? 1 : 4);
        other->SetEnd({3, 2});
        other->SetZoom(zoom);
        QCOMPARE(other->size(), widget);
        QCOMPARE(other->Area()->size(), area);
    }

    void draggingMovesWholePixelsAndCarriesTheRest()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *sel = host.startAt({2, 2}, 4);
        sel->SetEnd({5, 5});
        const QPoint grab(10, 10);
        const auto moveTo = [&](QPoint p) { QTest::mouseMove(sel, sel->mapFrom(&host, p)); };

        QTest::mousePress(sel, Qt::LeftButton, Qt::NoModifier, sel->mapFrom(&host, grab));
        // Three widget pixels: less than a zoom step, nothing moves.
        moveTo(grab + QPoint(3, 0));
        QCOMPARE(sel->GetTopLeft(), QPoint(2, 2));
        // Two more complete one zoom step (3 + 2 = 5, 1 carried).
        moveTo(grab + QPoint(5, 0));
        QCOMPARE(sel->GetTopLeft(), QPoint(3, 2));
        QCOMPARE(host.reports.last(), qMakePair(QPoint(3, 2), StatusSelectionMoved));
        QCOMPARE(posText(host.strip), QStringLiteral("(3 | 2)"));
        QCOMPARE(sizeText(host.strip), QStringLiteral("3 x 3"));
        QCOMPARE(host.changes.last(), QRect(3, 2, 3, 3));
        // The carried pixel and three more make the next step.
        moveTo(grab + QPoint(8, 0));
        QCOMPARE(sel->GetTopLeft(), QPoint(4, 2));
        QTest::mouseRelease(sel, Qt::LeftButton, Qt::NoModifier, sel->mapFrom(&host, grab + QPoint(8, 0)));

        // Released: a move only reports the pixel, it no longer drags.
        const QPoint local = sel->mapFrom(&host, grab + QPoint(10, 0));
        QMouseEvent hover(QEvent::MouseMove, local, sel->mapToGlobal(QPointF(local)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sel, &hover);
        QCOMPARE(host.reports.last().second, StatusInSelection);
        QCOMPARE(sel->GetTopLeft(), QPoint(4, 2));
        QCOMPARE(sel->GetSize(), QSize(3, 3));
    }

    void draggingStopsAtTheEdges()
    {
        FakePaintWidget host(20, 15, 4);   // 80 x 60 widget pixels
        SelectionRect *sel = host.startAt({5, 5}, 4);
        sel->SetEnd({2, 3});                // drawn up-left: 3 x 2 at (2, 3)
        const QPoint grab(12, 16);

        drag(&host, sel, grab, {grab + QPoint(200, 200)});
        QCOMPARE(sel->GetTopLeft(), QPoint(17, 13));
        QCOMPARE(sel->GetRect().right(), 19);   // flush with the right and bottom edges
        QCOMPARE(sel->GetRect().bottom(), 14);
        QCOMPARE(sel->GetSize(), QSize(3, 2));

        const QPoint there = sel->geometry().topLeft() + QPoint(2, 2);
        drag(&host, sel, there, {there - QPoint(300, 300)});
        QCOMPARE(sel->GetTopLeft(), QPoint(0, 0));
        QCOMPARE(sel->GetRect(), QRect(0, 0, 3, 2));

        // After the moves a zoom change keeps the image rectangle.
        sel->SetZoom(2);
        QCOMPARE(sel->GetRect(), QRect(0, 0, 3, 2));
        QCOMPARE(sel->geometry(), QRect(0, 0, 7, 5));
    }

    void pointerInsideReportsThePixel()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *sel = host.startAt({2, 2}, 4);
        sel->SetEnd({6, 5});
        QMouseEvent move(QEvent::MouseMove, QPointF(9, 5), sel->mapToGlobal(QPointF(9, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sel, &move);
        QCOMPARE(host.reports.last(), qMakePair(QPoint(4, 3), StatusInSelection));
    }

    void moveCursorWhileInsideANonEmptySelection()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *empty = host.startAt({1, 1}, 4);
        QEnterEvent enter(QPointF(0, 0), QPointF(0, 0), QPointF(0, 0));
        QApplication::sendEvent(empty, &enter);
        QVERIFY(!QApplication::overrideCursor());

        SelectionRect *sel = host.startAt({1, 1}, 4);
        sel->SetEnd({4, 4});
        QApplication::sendEvent(sel, &enter);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::SizeAllCursor);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(sel, &leave);
        QVERIFY(!QApplication::overrideCursor());

        // Deleted while the pointer is inside: the cursor is not left behind.
        QApplication::sendEvent(sel, &enter);
        delete host.selection;
        host.selection = nullptr;
        QVERIFY(!QApplication::overrideCursor());
    }

    void outlineBlinksInTwoColours()
    {
        FakePaintWidget host(20, 15, 4);
        SelectionRect *sel = host.startAt({0, 0}, 4);
        sel->SetEnd({5, 4});
        QVERIFY(!sel->BlinkPhase());
        QImage image = outline(sel->Area());
        // Along the top edge: first colour white in the dash, the second
        // colour fills the gap.
        QCOMPARE(image.pixel(1, 0), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(5, 0), qRgb(0, 0, 0));

        // The 500 ms timer swaps the order (waited for, bounded).
        QTRY_VERIFY_WITH_TIMEOUT(sel->BlinkPhase(), 5000);
        image = outline(sel->Area());
        QCOMPARE(image.pixel(1, 0), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(5, 0), qRgb(255, 255, 255));
        // The inside stays untouched: the outline is the last pixel pulled in.
        QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!sel->BlinkPhase(), 5000);
    }

    void absurdPixelsDoNotOverflow()
    {
        // A layer width from the simulation far beyond what a widget can show.
        FakePaintWidget host(20, 15, 4);
        SelectionRect *sel = host.startAt({400000000, 1}, 16);
        sel->SetEnd({400000010, 3});
        QVERIFY(sel->x() >= 0);
        QVERIFY(sel->geometry().right() >= sel->x());
    }

    void resizeToAndMoveToSetByNumbers()
    {
        FakePaintWidget host(20, 15, 3);
        SelectionRect *sel = host.startAt({0, 0}, 3);
        sel->SetEnd({10, 10});
        sel->MoveTo(5 * 3, 5 * 3);
        sel->ResizeTo(2 * 3, 2 * 3);
        QCOMPARE(sel->GetRect(), QRect(5, 5, 2, 2));
        QCOMPARE(sel->size(), QSize(6, 6));
        QCOMPARE(sel->Area()->size(), QSize(6, 6));
        QCOMPARE(host.changes.last(), QRect(5, 5, 2, 2));
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
