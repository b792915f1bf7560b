// The row composition of the paint widgets on plain buffers: an image row
// magnified by whole blocks from any position and blended over a row, and
// the grid's pixels of a row, against a per-pixel statement of each.
#include "imaging/pixelkernels.h"
#include "paint/magnify.h"
#include "paint/rowcompose.h"

#include <QRandomGenerator>
#include <QtTest>

#include <vector>

using namespace magnify;

namespace {

quint32 mul255(quint32 x, quint32 a)
{
    const quint32 t = x * a;
    return (t + (t >> 8) + 0x80) >> 8;
}

// Source-over of a premultiplied pixel, per channel with Qt's rounding.
quint32 refBlend(quint32 p, quint32 d)
{
    quint32 r = 0;
    for (int shift = 0; shift < 32; shift += 8)
        r |= mul255((d >> shift) & 0xFF, 255 - (p >> 24)) << shift;
    return p + r;
}

QImage randomImage(int w, int h, QImage::Format format, quint32 seed, bool opaque)
{
    QRandomGenerator rng(seed);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const quint32 pick = rng.bounded(4u);
            const quint32 a = opaque || pick == 0 ? 255u : pick == 1 ? 0u : rng.bounded(256u);
            image.setPixel(x, y, (a << 24) | (rng.generate() & 0x00FFFFFFu));
        }
    if (format == QImage::Format_Indexed8) {
        QImage indexed(w, h, QImage::Format_Indexed8);
        QVector<QRgb> table;
        // Without the promise of opacity indices 200 ... 255 have no entry.
        for (int i = 0; i < (opaque ? 256 : 200); ++i)
            table << image.pixel(i % w, (i / w) % h);
        indexed.setColorTable(table);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                indexed.setPixel(x, y, rng.bounded(256u));
        return indexed;
    }
    return image.convertToFormat(format);
}

// The premultiplied colour of image pixel (x, y).
quint32 premultipliedAt(const QImage &image, int x, int y)
{
    if (image.format() == QImage::Format_Indexed8) {
        const int index = image.pixelIndex(x, y);
        return index < image.colorCount() ? qPremultiply(image.color(index)) : 0u;
    }
    if (image.format() == QImage::Format_ARGB32_Premultiplied)
        return reinterpret_cast<const quint32 *>(image.constScanLine(y))[x];
    return qPremultiply(image.pixel(x, y));
}

} // namespace

class TestRowCompose : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void expandRepeatsEachPixel()
    {
        const std::vector<quint32> src{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        for (int scale = 1; scale <= 7; ++scale)
            for (int skip = 0; skip < scale; ++skip)
                for (int n = 1; n + skip <= int(src.size()) * scale; n += 3) {
                    std::vector<quint32> out(size_t(n) + 1, 0);
                    expandRow(src.data(), out.data(), skip, scale, n);
                    for (int i = 0; i < n; ++i)
                        QCOMPARE(out[size_t(i)], src[size_t((skip + i) / scale)]);
                    QCOMPARE(out[size_t(n)], 0u);
                }
    }

    void sourceRowBlendsMagnified_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("opaque");
        for (const auto format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32,
                                  QImage::Format_Indexed8})
            for (const bool opaque : {false, true})
                QTest::addRow("format %d%s", int(format), opaque ? " opaque" : "") << int(format) << opaque;
    }

    void sourceRowBlendsMagnified()
    {
        QFETCH(int, format);
        QFETCH(bool, opaque);
        const QImage original = randomImage(23, 2, QImage::Format(format), quint32(format), opaque);
        const imaging::KernelSet initial = imaging::kernelSet();
        QVector<quint32> scratch;
        for (int set = 0; set <= int(imaging::bestKernelSet()); ++set) {
            imaging::setKernelSet(imaging::KernelSet(set));
            for (int scale = 1; scale <= 5; ++scale)
                for (const int dx : {0, 3, -7, -2 * scale - 1}) {
                    MagnifyScene s;
                    s.image = original;
                    s.imagePos = QPoint(dx, 0);
                    s.scale = scale;
                    s.imageOpaque = opaque || format == QImage::Format_RGB32;
                    MagnifyCache cache;
                    const QImage &image = readableImage(s, cache);
                    const SourceRow row{image.format(), image.constScanLine(1), cache.lut.constData()};
                    // Widget columns x0 ... x0 + 59, of which the image covers area.
                    const int x0 = -5;
                    const QRect area = imageArea(s, QRect(x0, 0, 60, 2)) & QRect(x0 + 2, 0, 51, 2);
                    QVERIFY(!area.isEmpty());
                    std::vector<quint32> out(60), before(60);
                    for (int i = 0; i < 60; ++i)
                        before[size_t(i)] = out[size_t(i)] = 0xFF000000u | quint32(i * 0x030507);
                    blendSourceRow(out.data(), x0, area, s, row, scratch);
                    for (int i = 0; i < 60; ++i) {
                        const int x = x0 + i;
                        quint32 expected = before[size_t(i)];
                        if (x >= area.left() && x <= area.right())
                            expected = refBlend(premultipliedAt(original, int(floorDiv(x - dx, scale)), 1), expected);
                        if (out[size_t(i)] != expected)
                            QFAIL(qPrintable(QStringLiteral("set %1, scale %2, dx %3, column %4: %5, expected %6")
                                                 .arg(set).arg(scale).arg(dx).arg(x)
                                                 .arg(out[size_t(i)], 8, 16).arg(expected, 8, 16)));
                    }
                }
        }
        imaging::setKernelSet(initial);
    }

    void gridRowsHitEveryZoomthPixelOnce()
    {
        for (const int mode : {0, 1})
            for (const int zoom : {3, 4, 7}) {
                MagnifyScene s;
                s.grid = true;
                s.zoom = zoom;
                s.gridMode = mode;
                s.gridColor = 0x00123456u;
                s.origin = QPoint(6, 9);
                QVERIFY(gridShown(s));
                QCOMPARE(gridRowOf(s, true, 8), NoGridRow);
                QCOMPARE(gridRowOf(s, false, 9), NoGridRow);
                QCOMPARE(gridRowOf(s, true, 9 + zoom), LineRow);
                QCOMPARE(gridRowOf(s, true, 10 + zoom), ColumnRow);
                const int x0 = 2, x1 = 40;
                for (const GridRow kind : {LineRow, ColumnRow}) {
                    std::vector<quint32> out(size_t(x1 - x0 + 1), 0xFF102030u);
                    applyGridRow(out.data(), x0, x1, s, kind);
                    for (int x = x0; x <= x1; ++x) {
                        const bool hit = x >= 6 && (kind == LineRow || (x - 6) % zoom == 0);
                        const quint32 line = mode == 0 ? 0xFF123456u : 0xFFEFDFCFu;
                        QCOMPARE(out[size_t(x - x0)], hit ? line : 0xFF102030u);
                    }
                }
            }
        MagnifyScene small;
        small.grid = true;
        small.zoom = 2;
        QVERIFY(!gridShown(small));
    }

    void backgroundShowsWhereNoOpaqueImagePixelCovers()
    {
        // Against a per-pixel statement: a widget pixel of the exposed
        // rectangle shows the background unless an image pixel with alpha
        // 255 covers it.
        QRandomGenerator rng(7);
        int shows = 0, hidden = 0;
        for (const QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
                                            QImage::Format_Indexed8, QImage::Format_RGB32}) {
            for (int round = 0; round < 300; ++round) {
                MagnifyScene s;
                s.widgetSize = QSize(40, 30);
                s.scale = 1 + int(rng.bounded(4u));
                s.image = randomImage(1 + int(rng.bounded(9u)), 1 + int(rng.bounded(7u)), format, rng.generate(),
                                      round % 2 == 0);
                if (round % 4 == 0 && format != QImage::Format_Indexed8) {
                    // One see-through pixel in an opaque image.
                    s.image.setPixel(int(rng.bounded(quint32(s.image.width()))),
                                     int(rng.bounded(quint32(s.image.height()))), 0x80FFFFFFu);
                }
                s.imagePos = QPoint(int(rng.bounded(12u)) - 4, int(rng.bounded(12u)) - 4);
                const QRect e(int(rng.bounded(44u)) - 2, int(rng.bounded(34u)) - 2, 1 + int(rng.bounded(6u)),
                              1 + int(rng.bounded(6u)));
                bool expected = false;
                const QRect inWidget = e & QRect(QPoint(0, 0), s.widgetSize);
                for (int y = inWidget.top(); y <= inWidget.bottom() && !expected; ++y)
                    for (int x = inWidget.left(); x <= inWidget.right() && !expected; ++x) {
                        const int ix = int(floorDiv(x - s.imagePos.x(), s.scale));
                        const int iy = int(floorDiv(y - s.imagePos.y(), s.scale));
                        expected = !s.image.rect().contains(ix, iy)
                                   || (format != QImage::Format_RGB32 && premultipliedAt(s.image, ix, iy) >> 24 != 255);
                    }
                QCOMPARE(backgroundShows(e, s), expected);
                (expected ? shows : hidden) += 1;
            }
        }
        QVERIFY(shows > 100 && hidden > 100);

        // An image promised opaque covers; no image covers nothing.
        MagnifyScene s;
        s.widgetSize = QSize(10, 10);
        s.image = randomImage(10, 10, QImage::Format_ARGB32, 3, false);
        s.imageOpaque = true;
        QVERIFY(!backgroundShows(QRect(0, 0, 10, 10), s));
        s.image = QImage();
        QVERIFY(backgroundShows(QRect(0, 0, 10, 10), s));
        QVERIFY(!backgroundShows(QRect(20, 20, 5, 5), s));
    }
};

QTEST_MAIN(TestRowCompose)
#include "tst_rowcompose.moc"
