// The palette panel of an indexed layer: grid shape, swatch size, marking,
// status text, the copy menu, its strip and its state.
#include "modalwait.h"
#include "viewfixture.h"

#include "dialogs/buttons.h"
#include "dialogs/scale.h"
#include "palette/colorarea.h"
#include "palette/palettewidget.h"
#include "views/infowidgets.h"
#include "views/viewlayer.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QtTest>

#include <memory>
#include <numeric>

using namespace fixture;

class TestPalette : public QObject, ViewFixture
{
    Q_OBJECT

private:
    std::unique_ptr<ViewLayer> view;
    std::unique_ptr<PaletteWidget> panel;

    PaletteWidget *makePanel(int numColors, int layer = 0, bool highlight = true)
    {
        panel.reset();
        view.reset();
        sim::LayerSpec s = spec(16, 16, numColors, 8);
        sim::PublishedBlock *b = pub->createLayer(layer, s);
        if (!b)
            return nullptr;
        for (int i = 0; i < numColors; ++i)
            b->setPaletteEntry(i, 0xFF000000u | quint32(i));
        view = layerView(layer, s);
        panel = palettePanel(view.get(), highlight);
        return panel.get();
    }

    // The area as QWidget::render paints it (its window background, then
    // its contents), on an opaque image.
    static QImage renderArea(ColorArea *area)
    {
        QImage image(area->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        area->render(&image);
        return image;
    }

    // What the area looked like when every swatch widget painted itself:
    // the window background, then per swatch, clipped to its cell, the fill
    // and black outline inset by 2 and 3, and for the marked one a
    // half-transparent blue frame and a line along its top.
    static QImage referenceArea(ColorArea *area, const QVector<quint32> &colors)
    {
        QImage image(area->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(area->palette().color(QPalette::Window));
        QPainter p(&image);
        for (ColorItem *item : area->Items()) {
            const int i = item->GetIndex();
            p.save();
            p.translate(item->pos());
            p.setClipRect(item->rect());
            const QRect swatch = item->rect().adjusted(2, 2, -3, -3);
            p.fillRect(swatch, QColor(i < colors.size() ? colors.at(i) : 0u));
            p.setPen(Qt::black);
            p.drawRect(swatch);
            if (i == area->Highlighted()) {
                QPen pen(QColor(0, 0, 255, 127));
                pen.setWidth(2);
                p.setPen(pen);
                p.drawRect(item->rect().adjusted(1, 1, -1, -1));
                p.drawLine(0, 0, 15, 0);
            }
            p.restore();
        }
        return image;
    }

    // Shows the panel as a window of its own and waits for its first paint.
    static bool showAlone(PaletteWidget *p)
    {
        p->setParent(nullptr);
        p->show();
        return QTest::qWaitForWindowExposed(p);
    }

    // Row and column of every swatch, in index order.
    static QList<QPoint> cells(PaletteWidget *p)
    {
        QList<QPoint> out;
        auto *grid = qobject_cast<QGridLayout *>(p->GetColorArea()->layout());
        for (ColorItem *item : p->GetColorArea()->Items()) {
            int row = 0, column = 0, rs = 0, cs = 0;
            grid->getItemPosition(grid->indexOf(item), &row, &column, &rs, &cs);
            out << QPoint(column, row);
        }
        return out;
    }

private Q_SLOTS:
    void init()
    {
        SetScale(1.0f);
        panel.reset();
        view.reset();
        reset();
    }
    void cleanup()
    {
        panel.reset();
        view.reset();
        clear();
        SetScale(0);
    }

    void gridHasTheSquareRootOfColumns()
    {
        const struct
        {
            int n, columns, rows;
        } shapes[] = {{256, 16, 16}, {16, 4, 4}, {15, 3, 5}, {5, 2, 3}, {2, 1, 2}, {1, 1, 1}};
        for (const auto &shape : shapes) {
            PaletteWidget *p = makePanel(shape.n);
            QVERIFY(p);
            const QList<QPoint> c = cells(p);
            QCOMPARE(c.size(), shape.n);
            int maxColumn = 0, maxRow = 0;
            for (int i = 0; i < c.size(); ++i) {
                QCOMPARE(c[i], QPoint(i % shape.columns, i / shape.columns));
                maxColumn = qMax(maxColumn, c[i].x());
                maxRow = qMax(maxRow, c[i].y());
            }
            QCOMPARE(maxColumn + 1, shape.columns);
            QCOMPARE(maxRow + 1, shape.rows);
        }
        // Five entries: rows of 2, 2 and 1.
        QCOMPARE(cells(makePanel(5)).last(), QPoint(0, 2));
    }

    void swatchesScaleWithTheDisplay()
    {
        QCOMPARE(makePanel(4)->GetColorArea()->Items().first()->size(), QSize(16, 16));
        SetScale(1.25f);
        QCOMPARE(makePanel(4)->GetColorArea()->Items().first()->size(), QSize(20, 20));
    }

    void swatchPaintsItsColourOpaque()
    {
        PaletteWidget *p = makePanel(4);
        QVERIFY(showAlone(p));
        ColorArea *area = p->GetColorArea();
        pub->layer(0)->setPaletteEntry(2, 0x20123456);
        pub->layer(0)->bumpPalette();
        ColorItem *item = area->Items().at(2);
        const QPoint at = item->pos();
        QImage img = renderArea(area);
        QCOMPARE(img.pixel(at + QPoint(8, 8)), 0xFF123456u);
        QCOMPARE(img.pixel(at + QPoint(2, 2)), 0xFF000000u); // the outline
        p->HighlightIndex(2);
        img = renderArea(area);
        QVERIFY(img.pixel(at + QPoint(8, 0)) != QColor(p->palette().color(QPalette::Window)).rgba());
        QVERIFY(qBlue(img.pixel(at + QPoint(8, 0))) > qRed(img.pixel(at + QPoint(8, 0))));
        // A palette change the simulation announces shows on the next use.
        pub->layer(0)->setPaletteEntry(2, 0xFF00FF00);
        pub->layer(0)->bumpPalette();
        QCOMPARE(item->GetColor(), 0xFF00FF00u);
        QCOMPARE(renderArea(area).pixel(at + QPoint(8, 8)), 0xFF00FF00u);
    }

    // The panel paints in one pass what the swatches used to paint one by
    // one, pixel for pixel: any alpha, marked or not, at two display scales
    // and for a full and a short last row.
    void panelLooksAsEverySwatchPaintedItself()
    {
        for (const float scale : {1.0f, 1.25f}) {
            for (const int n : {256, 5}) {
                SetScale(scale);
                PaletteWidget *p = makePanel(n);
                QVERIFY(p && showAlone(p));
                ColorArea *area = p->GetColorArea();
                quint32 x = 0x12345678u;
                for (int i = 0; i < n; ++i) {
                    x = x * 1664525u + 1013904223u;
                    pub->layer(0)->setPaletteEntry(i, x);
                }
                pub->layer(0)->bumpPalette();
                view->Refresh();
                const QVector<quint32> colors = view->GetPalette();
                for (const int marked : {-1, 0, n - 1, n / 2}) {
                    p->HighlightIndex(marked);
                    const QImage painted = renderArea(area);
                    const QImage reference = referenceArea(area, colors);
                    for (int y = 0; y < painted.height(); ++y)
                        for (int x = 0; x < painted.width(); ++x) {
                            const QRgb a = painted.pixel(x, y);
                            QVERIFY2(qAlpha(a) == 255 && a == reference.pixel(x, y),
                                     qPrintable(QStringLiteral("scale %1, %2 colours, marked %3: (%4, %5) is %6, not %7")
                                                    .arg(scale)
                                                    .arg(n)
                                                    .arg(marked)
                                                    .arg(x)
                                                    .arg(y)
                                                    .arg(a, 8, 16)
                                                    .arg(reference.pixel(x, y), 8, 16)));
                        }
                }
            }
        }
    }

    // A palette change repaints the swatches whose colour changed and
    // nothing else; a moved mark repaints the two swatches concerned, all
    // in the area's paint events.
    void paletteChangeRepaintsOnlyTheChangedSwatches()
    {
        PaletteWidget *p = makePanel(256);
        QVERIFY(showAlone(p));
        ColorArea *area = p->GetColorArea();
        struct Recorder : QObject
        {
            QList<QRegion> regions;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    regions << static_cast<QPaintEvent *>(e)->region();
                return false;
            }
        } recorder, swatches;
        area->installEventFilter(&recorder);
        for (ColorItem *item : area->Items())
            item->installEventFilter(&swatches);
        const auto cell = [area](int i) { return QRegion(area->Items().at(i)->geometry()); };
        const auto nextPaint = [&recorder] {
            QTest::qWait(50);
            const QRegion all = std::accumulate(recorder.regions.cbegin(), recorder.regions.cend(), QRegion());
            recorder.regions.clear();
            return all;
        };
        nextPaint();

        pub->layer(0)->setPaletteEntry(5, 0xFFABCDEF);
        pub->layer(0)->setPaletteEntry(200, 0xFF102030);
        pub->layer(0)->bumpPalette();
        view->Refresh();
        QCOMPARE(nextPaint(), cell(5) + cell(200));
        // A counter change with the same colours, or an alpha byte alone
        // (swatches are opaque), repaints nothing.
        pub->layer(0)->setPaletteEntry(7, 0x00000007);
        pub->layer(0)->bumpPalette();
        view->Refresh();
        QCOMPARE(nextPaint(), QRegion());
        // Entries rewritten without a counter change keep the kept palette.
        pub->layer(0)->setPaletteEntry(9, 0xFFFFFFFF);
        view->Refresh();
        QCOMPARE(nextPaint(), QRegion());
        pub->layer(0)->bumpPalette();
        view->Refresh();
        QCOMPARE(nextPaint(), cell(9));

        p->HighlightIndex(30);
        QCOMPARE(nextPaint(), cell(30));
        p->HighlightIndex(31);
        QCOMPARE(nextPaint(), cell(30) + cell(31));
        p->HighlightIndex(-1);
        QCOMPARE(nextPaint(), cell(31));
        // The area paints the swatches; their widgets get no paint events.
        QCOMPARE(swatches.regions.size(), 0);
    }

    void paletteIsReadAgainOnlyWhenItsCounterChanges()
    {
        PaletteWidget *p = makePanel(4);
        ColorItem *item = p->GetColorArea()->Items().at(3);
        QCOMPARE(item->GetColor(), 0xFF000003u);
        // Entries rewritten without the counter: the kept palette stays.
        pub->layer(0)->setPaletteEntry(3, 0xFF00FF00);
        QCOMPARE(item->GetColor(), 0xFF000003u);
        QCOMPARE(view->GetPalette().at(3), 0xFF000003u);
        pub->layer(0)->bumpPalette();
        QCOMPARE(item->GetColor(), 0xFF00FF00u);
        // The alpha-mode byte is part of the read: a change shows at once.
        host->alphaMode = 0;
        QCOMPARE(item->GetColor(), 0x0000FF00u);
        // A detached view has no palette.
        view->DetachBlock();
        QCOMPARE(view->GetPalette().size(), 0);
    }

    void markingFollowsTheIndexOnlyWhenEnabled()
    {
        PaletteWidget *p = makePanel(16, 0, false);
        ColorArea *area = p->GetColorArea();
        p->HighlightIndex(3);
        QCOMPARE(area->Highlighted(), quint16(0xFFFF));
        p->SetHighlightEnabled(true);
        p->HighlightIndex(3);
        QVERIFY(area->Items().at(3)->IsHighlighted());
        p->HighlightIndex(4);
        QVERIFY(!area->Items().at(3)->IsHighlighted() && area->Items().at(4)->IsHighlighted());
        // An index that names no swatch changes nothing.
        p->HighlightIndex(200);
        p->HighlightIndex(0x10004);
        QCOMPARE(area->Highlighted(), quint16(4));
        QVERIFY(area->Items().at(4)->IsHighlighted());
        p->HighlightIndex(-1);
        QCOMPARE(area->Highlighted(), quint16(0xFFFF));
        QVERIFY(!area->Items().at(4)->IsHighlighted());
        p->HighlightIndex(7);
        p->SetHighlightEnabled(false);
        p->HighlightIndex(0xFFFF);
        QVERIFY(area->Items().at(7)->IsHighlighted());
        // The layer view passes the index on.
        p->SetHighlightEnabled(true);
        view->HighlightIndex(9);
        QVERIFY(area->Items().at(9)->IsHighlighted());
    }

    void statusTextAndCopyMenu()
    {
        PaletteWidget *p = makePanel(16, 1);
        pub->layer(1)->setPaletteEntry(5, 0xFFFF0000);
        pub->layer(1)->setPaletteEntry(6, 0x801A2B3C);
        pub->layer(1)->bumpPalette();
        ColorItem *five = p->GetColorArea()->Items().at(5);
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), five->mapToGlobal(QPointF(4, 4)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(five, &move);
        QCOMPARE(host->StatusText(), QStringLiteral("[Palette 1]: RGB=FF 00 00 (Index #5)"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(five, &leave);
        QCOMPARE(host->StatusText(), QStringLiteral("Mouse moved out"));

        // Right click, then the menu entry, as a user does.
        auto chooseFromMenu = [](const QString &entry, QStringList *tips) {
            return modalwait::whenOpen<QMenu>([entry, tips](QMenu *menu) {
                for (QAction *a : menu->actions()) {
                    *tips << a->text() + QLatin1Char('|') + a->statusTip();
                    if (a->text() == entry)
                        a->trigger();
                }
                menu->close();
            });
        };
        ColorItem *six = p->GetColorArea()->Items().at(6);
        QStringList tips;
        auto ran = chooseFromMenu(QStringLiteral("Copy &color"), &tips);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(3, 3), six->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(six, &menuEvent);
        QVERIFY(*ran);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1A2B3C"));
        QCOMPARE(tips, QStringList({QStringLiteral("Copy &color|Copy color in hexadecimal to clipboard."),
                                    QStringLiteral("Copy &index|Copy index to clipboard.")}));
        ColorItem *seven = p->GetColorArea()->Items().at(7);
        ran = chooseFromMenu(QStringLiteral("Copy &index"), &tips);
        QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(3, 3), seven->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(seven, &again);
        QVERIFY(*ran);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("7"));
    }

    void textsAndCopiesReadThePaletteAsItIsNow()
    {
        PaletteWidget *p = makePanel(16, 1);
        pub->layer(1)->setPaletteEntry(4, 0xFF444444);
        pub->layer(1)->bumpPalette();
        ColorItem *four = p->GetColorArea()->Items().at(4);
        QCOMPARE(four->GetColor(), 0xFF444444u);
        // Rewritten without a counter change: painting keeps the kept
        // palette, but the status text and the copy show the entry now.
        pub->layer(1)->setPaletteEntry(4, 0xFFFF0000);
        QCOMPARE(four->GetColor(), 0xFF444444u);
        QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), four->mapToGlobal(QPointF(4, 4)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(four, &move);
        QCOMPARE(host->StatusText(), QStringLiteral("[Palette 1]: RGB=FF 00 00 (Index #4)"));
        auto ran = modalwait::whenOpen<QMenu>([](QMenu *menu) {
            for (QAction *a : menu->actions())
                if (a->text() == QStringLiteral("Copy &color"))
                    a->trigger();
            menu->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(3, 3), four->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(four, &menuEvent);
        QVERIFY(*ran);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("FF0000"));
        // Under the inverted-alpha convention, and beyond a NumColors that
        // shrank meanwhile (the entry no longer exists: black).
        host->alphaMode = 0;
        QCOMPARE(four->CurrentColor(), 0x00FF0000u);
        pub->layer(1)->setNumColors(3);
        QCOMPARE(four->CurrentColor(), 0u);
    }

    void stripStateAndPaletteButton()
    {
        PaletteWidget *p = makePanel(256);
        auto *strip = p->findChild<PaletteInfoWidget *>();
        QVERIFY(strip);
        QCOMPARE(strip->NameLabel()->text(), QStringLiteral("Palette #0"));
        QCOMPARE(strip->CountLabel()->text(), QStringLiteral("NumColors: 256"));
        QCOMPARE(strip->NameLabel()->toolTip(), QStringLiteral("Palette of Layer #0"));
        QCOMPARE(strip->CountLabel()->toolTip(), QStringLiteral("Number of colors in the palette"));
        QCOMPARE(p->GetId(), 0x40000000);
        QCOMPARE(p->GetColorCount(), 256);

        // The layer view's palette button is disabled while the panel shows;
        // it brings a hidden panel back and disables itself again.
        QAbstractButton *button = view->GetPaletteButton();
        QVERIFY(button && !button->isEnabled());
        p->hide();
        view->SetPaletteButtonDisabled(false);
        button->click();
        QVERIFY(!p->isHidden());
        QVERIFY(!button->isEnabled());

        ViewState state;
        state.zoom = 9;
        p->hide();
        p->SaveState(&state);
        QCOMPARE(state.id, 0x40000000);
        QVERIFY(state.hidden);
        QCOMPARE(int(state.zoom), 0);
        p->show();
        p->RestoreState(&state);
        QVERIFY(p->isHidden());
        p->SaveState(nullptr);
        p->RestoreState(nullptr);

        // Minimal view keeps only the swatches.
        p->setParent(nullptr);
        p->show();
        p->SetMinimal(true);
        host->minimalView = 1;
        QVERIFY(!strip->isVisible());
        QCOMPARE(p->sizeHint(), p->GetColorArea()->sizeHint());
        p->SetMinimal(false);
        host->minimalView = 0;
        QVERIFY(strip->isVisible());
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
