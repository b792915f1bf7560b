// The records behind update flashes and the heat map: which pixels of a
// change count, the fade, the ten-second window of two buckets, the ramp,
// the rates, and the exact blend.
#include "imaging/changemarks.h"

#include <QtTest>

namespace {

// A row of 32-bit pixels before and after a change, as a FrameCopy hands
// them over for the span first..last.
struct Row
{
    QVector<quint32> before;
    QVector<quint32> after;
    explicit Row(int width, quint32 value = 0xFF102030u) : before(width, value), after(width, value) {}
    SpanBytes span(int row, int first, int last) const
    {
        return SpanBytes{row, first, last, reinterpret_cast<const uchar *>(before.constData() + first),
                         reinterpret_cast<const uchar *>(after.constData() + first), 4};
    }
};

CImage opaqueImage(int left, int top, int width, int height, QRgb color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return CImage(image, left, top, left + width - 1, top + height - 1);
}

} // namespace

class TestChangeMarks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blendIsExactSourceOver()
    {
        // Opaque pixel: (c * a + p * (255 - a)) / 255, rounded.
        QCOMPARE(blendOver(0xFF000000u, 0xFF00FFFFu, 160), qRgba(0, 160, 160, 255));
        QCOMPARE(blendOver(0xFFFF0000u, 0xFF00FFFFu, 51), qRgba(204, 51, 51, 255));
        QCOMPARE(blendOver(0xFF123456u, 0xFF00FFFFu, 0), 0xFF123456u);
        // A transparent pixel takes the highlight's colour at its alpha.
        QCOMPARE(blendOver(0x00FF0000u, 0xFF00FFFFu, 160), qRgba(0, 255, 255, 160));
        // Half-transparent: alpha a + pa (1 - a), colour weighted by both.
        QCOMPARE(qAlpha(blendOver(0x80FF0000u, 0xFF00FFFFu, 128)), 192);
    }

    void flashMarksOnlyChangedPixelsAndFades()
    {
        UpdateFlash flash;
        flash.reset(QRect(10, 20, 8, 4), 1000);
        Row row(8);
        row.after[2] = 0xFFFFFFFFu;
        row.after[5] = 0xFFFFFFFFu;
        // The span covers 2..5, left of the area: nothing is marked.
        flash.addSpan(row.span(21, 2, 5), 1100);
        QVERIFY(flash.fadingArea(1100).isEmpty());

        CImage image = opaqueImage(0, 20, 8, 2, 0xFF000000u);
        flash.apply(image, 1100);
        // Layer x 2 lies outside the covered area (10 ...): untouched.
        QCOMPARE(image.pixel(2, 1), 0xFF000000u);

        // Inside the area, pixels 3 and 4 of the span did not change.
        UpdateFlash inside;
        inside.reset(QRect(0, 20, 8, 4), 1000);
        inside.addSpan(row.span(21, 2, 5), 1100);
        QCOMPARE(inside.fadingArea(1100), QRect(QPoint(2, 21), QPoint(5, 21)));
        CImage fresh = opaqueImage(0, 20, 8, 2, 0xFF000000u);
        inside.apply(fresh, 1100);
        QCOMPARE(fresh.pixel(2, 1), blendOver(0xFF000000u, UpdateFlash::Color, UpdateFlash::StartAlpha));
        QCOMPARE(fresh.pixel(3, 1), 0xFF000000u);
        QCOMPARE(fresh.pixel(5, 1), blendOver(0xFF000000u, UpdateFlash::Color, UpdateFlash::StartAlpha));
        QCOMPARE(fresh.pixel(2, 0), 0xFF000000u);

        // Half a second later at half the alpha; gone after one second.
        CImage half = opaqueImage(0, 20, 8, 2, 0xFF000000u);
        inside.apply(half, 1600);
        QCOMPARE(half.pixel(2, 1), blendOver(0xFF000000u, UpdateFlash::Color, UpdateFlash::StartAlpha / 2));
        CImage late = opaqueImage(0, 20, 8, 2, 0xFF000000u);
        inside.apply(late, 2100);
        QCOMPARE(late.pixel(2, 1), 0xFF000000u);
        QVERIFY(inside.fadingArea(2100).isEmpty());

        // Records beyond the image limit are refused, not allocated.
        UpdateFlash huge;
        huge.reset(QRect(0, 0, 65535, 65535), 0);
        QVERIFY(huge.area().isEmpty());
        HeatCounts hugeHeat;
        hugeHeat.reset(QRect(0, 0, 65535, 65535), 0);
        QVERIFY(hugeHeat.area().isEmpty());
        QCOMPARE(hugeHeat.changes(0, 0, 0), -1);

        // A span reaching past the area is cut to it.
        inside.addSpan(Row(8).span(30, 0, 7), 2200);
        QVERIFY(inside.fadingArea(2200).isEmpty());
    }

    void heatCountsTheLastTenSeconds()
    {
        HeatCounts heat;
        heat.reset(QRect(0, 0, 4, 1), 0);
        Row row(4);
        // Four changes within the first bucket: pixel 0 every time, pixel 1
        // once, pixels 2 and 3 never.
        for (int n = 0; n < 4; ++n) {
            heat.beginChange(n * 1000);
            row.after[0] = 0xFF000000u + quint32(n + 1);
            row.after[1] = n == 3 ? 0xFFFFFFFFu : row.before[1];
            heat.addSpan(row.span(0, 0, 1));
            row.before = row.after;
        }
        QCOMPARE(heat.changes(0, 0, 4000), 4);
        QCOMPARE(heat.changes(1, 0, 4000), 1);
        QCOMPARE(heat.changes(2, 0, 4000), 0);
        QCOMPARE(heat.changes(4, 0, 4000), -1);
        QCOMPARE(heat.updatesPerSecond(4000), 1.0);
        // 4 + 1 changed pixels of 4 bytes over four seconds.
        QCOMPARE(heat.bytesPerSecond(4000), 5.0);

        CImage image = opaqueImage(0, 0, 4, 1, 0xFF306090u);
        heat.apply(image, 4000);
        QCOMPARE(image.pixel(0, 0), HeatCounts::rampColor(255));
        QCOMPARE(image.pixel(1, 0), HeatCounts::rampColor(64));
        QCOMPARE(image.pixel(2, 0), qRgba(0x10, 0x20, 0x30, 255));

        // Seven seconds in, the first bucket counts in 3/5: 4 * 0.6 = 2.4.
        QCOMPARE(heat.changes(0, 0, 7000), 2);
        // Ten seconds after its start it no longer counts.
        QCOMPARE(heat.changes(0, 0, 10000), 0);
        // The rates slide over the changes themselves: the last one, at
        // 3 s, leaves the window at 13 s.
        QCOMPARE(heat.updatesPerSecond(12000), 0.1);
        QCOMPARE(heat.updatesPerSecond(13000), 0.0);
        // A long pause drops both buckets at once.
        heat.beginChange(30000);
        QCOMPARE(heat.changes(0, 0, 30000), 0);
    }

    void heatRampRunsFromBlueToRed()
    {
        QCOMPARE(HeatCounts::rampColor(1), qRgb(1, 1, 254));
        QCOMPARE(HeatCounts::rampColor(128), qRgb(255, 255, 0));
        QCOMPARE(HeatCounts::rampColor(255), qRgb(255, 0, 0));
        // Saturated counts: a pixel changed in every change stays red.
        HeatCounts heat;
        heat.reset(QRect(0, 0, 1, 1), 0);
        Row row(1);
        for (int n = 0; n < 400; ++n) {
            heat.beginChange(n * 10);
            row.after[0] = quint32(n);
            heat.addSpan(row.span(0, 0, 0));
            row.before = row.after;
        }
        CImage image = opaqueImage(0, 0, 1, 1, 0xFF000000u);
        heat.apply(image, 3990);
        QCOMPARE(image.pixel(0, 0), HeatCounts::rampColor(255));
    }
};

QTEST_MAIN(TestChangeMarks)
#include "tst_changemarks.moc"
