// CImage: the rectangle it carries and its pixel-rewriting operations.
#include "imaging/cimage.h"

#include <QPainter>
#include <QtTest>

#include <vector>

namespace {

// A 32-bit image of the given pixels in one row.
CImage row32(const std::vector<QRgb> &pixels, int left = 0, int top = 0)
{
    QImage image(int(pixels.size()), 1, QImage::Format_ARGB32);
    for (int x = 0; x < int(pixels.size()); ++x)
        image.setPixel(x, 0, pixels[size_t(x)]);
    return CImage(image, left, top, left + int(pixels.size()) - 1, top);
}

CImage indexed(const std::vector<uchar> &indices, const QVector<QRgb> &table)
{
    QImage image(int(indices.size()), 1, QImage::Format_Indexed8);
    image.setColorTable(table);
    for (int x = 0; x < int(indices.size()); ++x)
        image.setPixel(x, 0, indices[size_t(x)]);
    return CImage(image, 0, 0, int(indices.size()) - 1, 0);
}

} // namespace

class TestCImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rectangleTravelsWithThePixels()
    {
        const CImage none;
        QVERIFY(none.isNull());
        QCOMPARE(QList<int>({none.left, none.top, none.right, none.bottom}), QList<int>({0, 0, -1, -1}));

        CImage a(QImage(3, 2, QImage::Format_ARGB32), -4, 7, -2, 8);
        CImage b = a;
        QCOMPARE(QList<int>({b.left, b.top, b.right, b.bottom}), QList<int>({-4, 7, -2, 8}));
        CImage c;
        c = a;
        QCOMPARE(c.bottom, 8);
        const CImage converted = CImage(QImage(3, 2, QImage::Format_Indexed8), 1, 2, 3, 3).toArgb32();
        QCOMPARE(converted.format(), QImage::Format_ARGB32);
        QCOMPARE(QList<int>({converted.left, converted.top, converted.right, converted.bottom}),
                 QList<int>({1, 2, 3, 3}));
    }

    void alphaRewritesActOnWordsNotIndices()
    {
        // Seven pixels: the vector body and the scalar tail both run.
        CImage image = row32({0x00FF0000, 0xFF00FF00, 0x12345678, 0x80000000, 0x7F0000FF, 0x01020304, 0xFEFFFFFF});
        image.invertAlpha();
        QCOMPARE(image.pixel(0, 0), 0xFFFF0000u);
        QCOMPARE(image.pixel(1, 0), 0x0000FF00u);
        QCOMPARE(image.pixel(2, 0), 0xED345678u);
        QCOMPARE(image.pixel(6, 0), 0x01FFFFFFu);
        image.setAlpha(0x42);
        for (int x = 0; x < 7; ++x)
            QCOMPARE(qAlpha(image.pixel(x, 0)), 0x42);
        QCOMPARE(image.pixel(5, 0), 0x42020304u);

        // An indexed image gets the alpha convention through its table, which
        // was built already inverted: neither operation touches it.
        CImage pal = indexed({0, 1, 1}, {0x11223344, 0xFF00FF00});
        pal.invertAlpha();
        pal.setAlpha(7);
        QCOMPARE(pal.colorTable(), QVector<QRgb>({0x11223344, 0xFF00FF00}));
        QCOMPARE(pal.pixelIndex(1, 0), 1);
    }

    void colorKeyTestsEachChannelAndSkipsTransparent()
    {
        // Lower 00 00 00, upper 20 20 20 (hex per channel).
        CImage image = row32({0xFF101010, 0xFF102110, 0x00101010, 0xFF202020, 0xFF000000, 0x80201F00, 0xFF211010});
        image.clearColorRange(0x000000, 0x202020);
        QCOMPARE(image.pixel(0, 0), 0x00101010u);
        QCOMPARE(image.pixel(1, 0), 0xFF102110u); // green above the range
        // A transparent pixel in the range keeps its value (whether it is
        // skipped or rewritten cannot be told from its pixel).
        QCOMPARE(image.pixel(2, 0), 0x00101010u);
        QCOMPARE(image.pixel(3, 0), 0x00202020u); // bounds are inclusive
        QCOMPARE(image.pixel(4, 0), 0x00000000u);
        QCOMPARE(image.pixel(5, 0), 0x00201F00u); // alpha is not tested
        QCOMPARE(image.pixel(6, 0), 0xFF211010u); // red above the range

        // Each channel has its own bounds: red 10..30, green 20..40, blue 30..50.
        CImage channels = row32({0xFF103050, 0xFF302030, 0xFF0F3040, 0xFF102F51, 0xFF311F30, 0xFF204130});
        channels.clearColorRange(0xFF102030, 0x00304050); // the top byte of the bounds is ignored
        QCOMPARE(channels.pixel(0, 0), 0x00103050u);
        QCOMPARE(channels.pixel(1, 0), 0x00302030u);
        QCOMPARE(channels.pixel(2, 0), 0xFF0F3040u);
        QCOMPARE(channels.pixel(3, 0), 0xFF102F51u);
        QCOMPARE(channels.pixel(4, 0), 0xFF311F30u);
        QCOMPARE(channels.pixel(5, 0), 0xFF204130u);
    }

    void colorKeyOnIndexedEditsTheUsedTableEntries()
    {
        CImage image = indexed({0, 2, 2, 0}, {0xFF101010, 0xFF151515, 0xFFFF0000});
        image.clearColorRange(0x000000, 0x202020);
        // Entry 0 matches and is used: every pixel of index 0 turns
        // transparent. Entry 1 matches but no pixel uses it.
        QCOMPARE(image.colorTable(), QVector<QRgb>({0x00101010, 0xFF151515, 0xFFFF0000}));
        QCOMPARE(image.pixelIndex(0, 0), 0);
        QCOMPARE(image.pixelIndex(3, 0), 0);
        QCOMPARE(image.toArgb32().pixel(3, 0), 0x00101010u);
        QCOMPARE(image.toArgb32().pixel(1, 0), 0xFFFF0000u);
    }

    void shadeOutsideDarkensOnlyOutsideTheRectangle()
    {
        QImage white(10, 8, QImage::Format_ARGB32);
        white.fill(0xFFFFFFFF);
        // The image shows layer pixels (100, 50)..(109, 57).
        CImage whole(white.copy(), 100, 50, 109, 57);
        whole.shadeOutside(100, 50, 109, 57);
        QCOMPARE(QImage(whole), white);
        whole.shadeOutside(90, 40, 200, 300);
        QCOMPARE(QImage(whole), white);

        CImage outside(white.copy(), 100, 50, 109, 57);
        outside.shadeOutside(0, 0, 5, 5);
        // Black of alpha 100 over white.
        QImage expected = white.copy();
        QPainter(&expected).fillRect(expected.rect(), QColor(0, 0, 0, 100));
        QCOMPARE(QImage(outside), expected);

        CImage part(white.copy(), 100, 50, 109, 57);
        part.shadeOutside(102, 51, 104, 53);
        QCOMPARE(part.pixel(2, 1), 0xFFFFFFFFu);
        QCOMPARE(part.pixel(4, 3), 0xFFFFFFFFu);
        QCOMPARE(part.pixel(1, 1), expected.pixel(0, 0));
        QCOMPARE(part.pixel(5, 3), expected.pixel(0, 0));
        QCOMPARE(part.pixel(2, 4), expected.pixel(0, 0));
        QCOMPARE(part.pixel(9, 7), expected.pixel(0, 0));

        // Absurd coordinates neither overflow nor shade the inside.
        CImage extreme(white.copy(), 100, 50, 109, 57);
        extreme.shadeOutside(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
        QCOMPARE(QImage(extreme), white);
    }

    void rewritingWrappedMemoryNeverWritesThrough()
    {
        std::vector<quint32> memory = {0x00FF0000, 0xFF101010, 0x80808080, 0x00000000};
        const std::vector<quint32> before = memory;
        const QImage wrapped(reinterpret_cast<const uchar *>(memory.data()), 2, 2, 8, QImage::Format_ARGB32);
        CImage image(wrapped, 0, 0, 1, 1);
        image.invertAlpha();
        image.setAlpha(3);
        image.clearColorRange(0, 0xFFFFFF);
        image.shadeOutside(5, 5, 6, 6);
        QCOMPARE(memory, before);
        QVERIFY(image.constBits() != reinterpret_cast<const uchar *>(memory.data()));
    }
};

QTEST_MAIN(TestCImage)
#include "tst_cimage.moc"
