// Finding changed spans with a frame copy: exact first and last pixels at
// every row length and with every kernel set the processor offers, what a
// first look, another area or another layout gives, and reads bounded by the
// block.
#include "imaging/framechanges.h"
#include "imaging/pixelkernels.h"
#include "rawlayer.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace imaging;

namespace {

// The spans a brute-force comparison of two pixel buffers gives.
QVector<ChangedSpan> expectedSpans(const std::vector<uchar> &before, const std::vector<uchar> &after, int w, int h,
                                   int bpp, QPoint at)
{
    QVector<ChangedSpan> spans;
    for (int y = 0; y < h; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < w; ++x) {
            const size_t o = (size_t(y) * w + x) * bpp;
            if (std::memcmp(&before[o], &after[o], size_t(bpp)) != 0) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0)
            spans.append(ChangedSpan{at.y() + y, at.x() + first, at.x() + last});
    }
    return spans;
}

std::vector<uchar> pixelArea(RawLayer &layer)
{
    return std::vector<uchar>(layer.base() + 4096, layer.base() + layer.size);
}

bool sameSpans(const QVector<ChangedSpan> &a, const QVector<ChangedSpan> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].row != b[i].row || a[i].first != b[i].first || a[i].last != b[i].last)
            return false;
    return true;
}

} // namespace

class TestFrameChanges : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spansAreExactAtEveryRowLengthAndKernelSet()
    {
        const KernelSet initial = kernelSet();
        QRandomGenerator rng(22);
        for (int s = 0; s <= int(bestKernelSet()); ++s) {
            setKernelSet(KernelSet(s));
            for (int colours : {0, 256}) {
                const int bpp = colours ? 1 : 4;
                for (int w = 1; w <= 70; ++w) {
                    const int h = 6;
                    RawLayer layer(w, h, colours, colours ? 8 : 32);
                    for (qint64 o = 4096; o < layer.size; ++o)
                        layer.base()[o] = uchar(rng.generate());
                    FrameCopy copy;
                    const QRect whole(0, 0, w, h);
                    QVERIFY(!copy.update(visibleLayerLayout(layer.view()), whole, nullptr));
                    const std::vector<uchar> before = pixelArea(layer);
                    // Row 0 unchanged; row 1 its first pixel, row 2 its last,
                    // row 3 both ends, rows 4 and 5 random bytes (one byte of
                    // a pixel is enough to change it).
                    auto poke = [&](int x, int y, int byte) { layer.base()[4096 + (qint64(y) * w + x) * bpp + byte] ^= 0x5A; };
                    poke(0, 1, 0);
                    poke(w - 1, 2, bpp - 1);
                    poke(0, 3, bpp - 1);
                    poke(w - 1, 3, 0);
                    for (int y = 4; y < h; ++y)
                        for (int k = 0; k < 2; ++k)
                            poke(int(rng.bounded(w)), y, int(rng.bounded(bpp)));
                    const std::vector<uchar> after = pixelArea(layer);

                    QVector<ChangedSpan> spans;
                    QVector<ChangedSpan> visited;
                    bool bytesRight = true;
                    QVERIFY(copy.update(visibleLayerLayout(layer.view()), whole, &spans,
                                        [&](const ChangedSpan &span, const uchar *was, const uchar *is) {
                                            visited.append(span);
                                            const size_t o = (size_t(span.row) * w + span.first) * bpp;
                                            const size_t n = size_t(span.last - span.first + 1) * bpp;
                                            bytesRight = bytesRight && std::memcmp(was, &before[o], n) == 0
                                                         && std::memcmp(is, &after[o], n) == 0;
                                        }));
                    const QVector<ChangedSpan> expected = expectedSpans(before, after, w, h, bpp, QPoint(0, 0));
                    if (!sameSpans(spans, expected) || !sameSpans(visited, expected) || !bytesRight) {
                        setKernelSet(initial);
                        QFAIL(qPrintable(QStringLiteral("kernel set %1, %2 bytes per pixel, width %3")
                                             .arg(s).arg(bpp).arg(w)));
                    }
                    // The copy took the new pixels: nothing changed since.
                    spans.clear();
                    QVERIFY(copy.update(visibleLayerLayout(layer.view()), whole, &spans));
                    QVERIFY(spans.isEmpty());
                }
            }
        }
        setKernelSet(initial);
    }

    void spansAreLayerPixelsOfTheArea()
    {
        // An area inside a larger layer: rows and columns in layer pixels,
        // and changes outside the area are not seen.
        RawLayer layer(40, 30);
        FrameCopy copy;
        const QRect area(10, 5, 20, 10);
        QVERIFY(!copy.update(visibleLayerLayout(layer.view()), area, nullptr));
        QCOMPARE(copy.area(), area);
        layer.setPixel32(12, 7, 0xFF112233);
        layer.setPixel32(25, 7, 0xFF112233);
        layer.setPixel32(9, 8, 0xFF112233);  // left of the area
        layer.setPixel32(12, 20, 0xFF112233); // below it
        QVector<ChangedSpan> spans;
        QVERIFY(copy.update(visibleLayerLayout(layer.view()), area, &spans));
        QCOMPARE(spans.size(), 1);
        QCOMPARE(spans[0].row, 7);
        QCOMPARE(spans[0].first, 12);
        QCOMPARE(spans[0].last, 25);
    }

    void anotherAreaLayoutOrBlockStartsAgain()
    {
        RawLayer layer(16, 8);
        layer.setVirtual(32, 16, 2, 3);
        RawLayer other(16, 8);
        FrameCopy copy;
        const QRect area(0, 0, 16, 8);
        QVector<ChangedSpan> spans;
        QVERIFY(!copy.update(visibleLayerLayout(layer.view()), area, &spans));
        QVERIFY(copy.update(visibleLayerLayout(layer.view()), area, &spans));
        // Another area, another origin, another block, the virtual layout.
        QVERIFY(!copy.update(visibleLayerLayout(layer.view()), QRect(0, 0, 16, 7), &spans));
        QVERIFY(copy.update(visibleLayerLayout(layer.view()), QRect(0, 0, 16, 7), &spans));
        layer.setVirtual(32, 16, 3, 3);
        QVERIFY(!copy.update(visibleLayerLayout(layer.view()), QRect(0, 0, 16, 7), &spans));
        QVERIFY(!copy.update(visibleLayerLayout(other.view()), QRect(0, 0, 16, 7), &spans));
        QVERIFY(!copy.update(virtualLayerLayout(other.view()), QRect(0, 0, 16, 7), &spans));
        QVERIFY(spans.isEmpty());
        copy.clear();
        QVERIFY(copy.area().isNull());
        QVERIFY(!copy.update(virtualLayerLayout(other.view()), QRect(0, 0, 16, 7), &spans));
    }

    void takenPixelsCountAsSeen()
    {
        RawLayer layer(8, 4);
        FrameCopy copy;
        const QRect area(0, 0, 8, 4);
        copy.update(visibleLayerLayout(layer.view()), area, nullptr);
        layer.setPixel32(1, 1, 0xFFFFFFFF);
        layer.setPixel32(6, 2, 0xFFFFFFFF);
        copy.take(visibleLayerLayout(layer.view()), QRect(0, 0, 4, 4));
        // Under another layout nothing is taken.
        layer.setPixel32(2, 3, 0xFFFFFFFF);
        copy.take(virtualLayerLayout(layer.view()), area);
        QVector<ChangedSpan> spans;
        QVERIFY(copy.update(visibleLayerLayout(layer.view()), area, &spans));
        QCOMPARE(spans.size(), 2);
        QCOMPARE(spans[0].row, 2);
        QCOMPARE(spans[0].first, 6);
        QCOMPARE(spans[1].row, 3);
        QCOMPARE(spans[1].first, 2);
    }

    void readsStayInsideTheBlock()
    {
        // The block holds 2.5 rows of a 10 x 6 layer: the rest is a fixed
        // value, so only pixels inside it can change.
        RawLayer layer(10, 6, 0, 32, 10 * 4 * 2 + 20);
        FrameCopy copy;
        const QRect area(0, 0, 10, 6);
        QVERIFY(!copy.update(visibleLayerLayout(layer.view()), area, nullptr));
        layer.setPixel32(4, 2, 0xFF00FF00);
        layer.setPixel32(9, 0, 0xFF00FF00);
        QVector<ChangedSpan> spans;
        QVERIFY(copy.update(visibleLayerLayout(layer.view()), area, &spans));
        QCOMPARE(spans.size(), 2);
        QCOMPARE(spans[1].row, 2);
        QCOMPARE(spans[1].first, 4);
        QCOMPARE(spans[1].last, 4);

        // No address (a negative corner of the visible window) or an address
        // beyond any block: nothing changes, ever.
        FrameCopy none;
        QVERIFY(!none.update(visibleLayerLayout(layer.view()), QRect(-1, 0, 5, 5), nullptr));
        layer.setPixel32(0, 0, 0xFF0000FF);
        spans.clear();
        QVERIFY(none.update(visibleLayerLayout(layer.view()), QRect(-1, 0, 5, 5), &spans));
        QVERIFY(spans.isEmpty());
        LayerLayout far = visibleLayerLayout(layer.view());
        far.originY = qint64(1) << 40;
        QVERIFY(!none.update(far, area, nullptr));
        QVERIFY(none.update(far, area, &spans));
        QVERIFY(spans.isEmpty());

        // An area beyond the image limit is refused and holds nothing.
        const int side = 9000; // 9000 * 9000 * 4 bytes > 256 MiB
        QVERIFY(!none.update(visibleLayerLayout(layer.view()), QRect(0, 0, side, side), nullptr));
        QVERIFY(none.area().isNull());
        QVERIFY(!none.update(visibleLayerLayout(layer.view()), QRect(), nullptr));
        QVERIFY(!none.update(LayerLayout(), area, nullptr));
    }
};

QTEST_APPLESS_MAIN(TestFrameChanges)
#include "tst_framechanges.moc"
