// Layer reads: formats, strides, the alpha convention, the transparency
// modes, visible-window addressing, single pixels, and bounded reads of
// malformed blocks.
#include "imaging/layerimage.h"
#include "imagecompare.h"
#include "rawlayer.h"

#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <climits>

namespace {

// Every pixel of the image as 32-bit ARGB (through the colour table for an
// indexed image).
QRgb at(const CImage &image, int x, int y) { return image.toArgb32().pixel(x, y); }

} // namespace

class TestLayerImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paletteSizeDecidesTheFormat()
    {
        RawLayer indexed(4, 2, 256, 8);
        for (int i = 0; i < 256; ++i)
            indexed.setPalette(i, 0xFF000000u | quint32(i));
        indexed.setPixel8(3, 1, 200);
        const CImage a = readVisible(indexed.view(), rulesOf(255, 2), 0, 0, 3, 1);
        QCOMPARE(a.format(), QImage::Format_Indexed8);
        QCOMPARE(a.colorCount(), 256);
        QCOMPARE(a.pixelIndex(3, 1), 200);
        QCOMPARE(a.pixel(3, 1), 0xFF0000C8u);

        // 257 and 0 colours: four bytes a pixel, the palette is ignored.
        for (int count : {257, 0, -3}) {
            RawLayer rgb(4, 2, count, 8);
            rgb.setPixel32(3, 1, 0x80ABCDEF);
            const CImage b = readVisible(rgb.view(), rulesOf(255, 2), 0, 0, 3, 1);
            QCOMPARE(b.format(), QImage::Format_ARGB32);
            QCOMPARE(b.pixel(3, 1), 0x80ABCDEFu);
        }
    }

    void indexedLayersStoreOneBytePerPixelAtAnyDepth()
    {
        // A 4-bpp layer of width 10: rows are 10 bytes apart, not 5.
        for (int depth : {1, 2, 4, 8}) {
            RawLayer layer(10, 3, 16, depth);
            for (int i = 0; i < 16; ++i)
                layer.setPalette(i, 0xFF000000u | quint32(i * 0x111111));
            layer.setPixel8(9, 1, 5);
            layer.setPixel8(0, 2, 7);
            QCOMPARE(visibleLayerLayout(layer.view()).bytesPerLine, 10);
            const CImage image = readVisible(layer.view(), rulesOf(255, 2), 0, 1, 9, 2);
            QCOMPARE(image.pixelIndex(9, 0), 5);
            QCOMPARE(image.pixelIndex(0, 1), 7);
            QCOMPARE(image.pixelIndex(1, 1), 0);
            QCOMPARE(readPixelIndex(visibleLayerLayout(layer.view()), 9, 1), 5);
        }
        // Other depths cannot be shown: nothing to draw, no colour.
        for (int depth : {16, 3, 0, 32}) {
            RawLayer layer(10, 3, 16, depth);
            layer.setPalette(0, 0xFFFFFFFF);
            QVERIFY(readVisible(layer.view(), rulesOf(255, 2), 0, 0, 9, 2).isNull());
            QCOMPARE(readPixelColor(visibleLayerLayout(layer.view()), readPalette(layer.view(), 255), rulesOf(255, 2), 1, 1), 0u);
        }
    }

    void invertedAlphaConventionIsFlippedOnce()
    {
        RawLayer rgb(2, 1);
        rgb.setPixel32(0, 0, 0x00FF0000); // stored opaque red
        rgb.setPixel32(1, 0, 0xFF00FF00); // stored transparent green
        const CImage flipped = readVisible(rgb.view(), rulesOf(0, 2), 0, 0, 1, 0);
        QCOMPARE(flipped.pixel(0, 0), 0xFFFF0000u);
        QCOMPARE(flipped.pixel(1, 0), 0x0000FF00u);
        const CImage plain = readVisible(rgb.view(), rulesOf(1, 2), 0, 0, 1, 0);
        QCOMPARE(plain.pixel(0, 0), 0x00FF0000u);

        // Indexed: the inversion reaches the pixels through the table only.
        RawLayer pal(2, 1, 2, 8);
        pal.setPalette(0, 0x00FF0000);
        pal.setPalette(1, 0xFF00FF00);
        pal.setPixel8(1, 0, 1);
        QCOMPARE(readPalette(pal.view(), 0), QVector<QRgb>({0xFFFF0000, 0x0000FF00}));
        QCOMPARE(readPalette(pal.view(), 7), QVector<QRgb>({0x00FF0000, 0xFF00FF00}));
        const CImage image = readVisible(pal.view(), rulesOf(0, 2), 0, 0, 1, 0);
        QCOMPARE(image.colorTable().mid(0, 2), QVector<QRgb>({0xFFFF0000, 0x0000FF00}));
        QCOMPARE(image.pixelIndex(1, 0), 1);
        QCOMPARE(at(image, 0, 0), 0xFFFF0000u);
    }

    void transparencyModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<quint8>("alphaMode");
        QTest::addColumn<int>("layers");
        QTest::addColumn<QRgb>("stored");
        QTest::addColumn<QRgb>("shown");
        QTest::newRow("0, two layers keeps alpha") << 0 << quint8(255) << 2 << QRgb(0x40102030) << QRgb(0x40102030);
        QTest::newRow("0, one layer is opaque") << 0 << quint8(255) << 1 << QRgb(0x40102030) << QRgb(0xFF102030);
        QTest::newRow("0, one layer, inverted") << 0 << quint8(0) << 1 << QRgb(0xFF102030) << QRgb(0xFF102030);
        QTest::newRow("2, constant alpha") << 2 << quint8(255) << 1 << QRgb(0xFF102030) << QRgb(0x99102030);
        QTest::newRow("2, after inversion") << 2 << quint8(0) << 2 << QRgb(0x00102030) << QRgb(0x99102030);
        QTest::newRow("1, keyed") << 1 << quint8(255) << 2 << QRgb(0xFF101010) << QRgb(0x00101010);
        QTest::newRow("1, outside key") << 1 << quint8(255) << 1 << QRgb(0x40102110) << QRgb(0x40102110);
        // The key sees the corrected alpha: stored 00 means opaque here.
        QTest::newRow("1, inverted opaque keyed") << 1 << quint8(0) << 2 << QRgb(0x00101010) << QRgb(0x00101010);
        QTest::newRow("1, inverted transparent, keyed after inverting") << 1 << quint8(0) << 2 << QRgb(0xFF101010) << QRgb(0x00101010);
        QTest::newRow("1, inverted half kept") << 1 << quint8(0) << 2 << QRgb(0x7F302010) << QRgb(0x80302010);
        // Other modes apply nothing, not even the single-layer opacity.
        QTest::newRow("5, one layer") << 5 << quint8(255) << 1 << QRgb(0x40102030) << QRgb(0x40102030);
        QTest::newRow("-1, inverted") << -1 << quint8(0) << 1 << QRgb(0x40102030) << QRgb(0xBF102030);
    }
    void transparencyModes()
    {
        QFETCH(int, mode);
        QFETCH(quint8, alphaMode);
        QFETCH(int, layers);
        QFETCH(QRgb, stored);
        QFETCH(QRgb, shown);
        // Seven pixels so that the vector body and the tail both run.
        RawLayer layer(7, 2);
        layer.fill32(stored);
        layer.setTransMode(mode);
        layer.setLayerAlpha(0x99);
        layer.setKey(0x000000, 0x202020);
        const ImageRules rules = rulesOf(alphaMode, unsigned(layers));
        const CImage image = readVisible(layer.view(), rules, 0, 0, 6, 1);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 7; ++x)
                QCOMPARE(image.pixel(x, y), shown);
        QCOMPARE(readPixelColor(visibleLayerLayout(layer.view()), {}, rules, 6, 1), shown);
    }

    void indexedTransparencyActsOnTheTableOnly()
    {
        RawLayer layer(3, 1, 3, 8);
        layer.setPalette(0, 0x80101010);
        layer.setPalette(1, 0x40FF0000);
        layer.setPalette(2, 0x00101010);
        layer.setPixel8(0, 0, 0);
        layer.setPixel8(1, 0, 1);
        layer.setPixel8(2, 0, 2);
        layer.setKey(0x000000, 0x202020);
        layer.setLayerAlpha(0x99);
        const BlockView block = layer.view();
        const QVector<QRgb> palette = readPalette(block, 255);

        layer.setTransMode(1);
        CImage keyed = readVisible(block, rulesOf(255, 2), 0, 0, 2, 0);
        QCOMPARE(keyed.colorTable().mid(0, 3), QVector<QRgb>({0x00101010, 0x40FF0000, 0x00101010}));
        QCOMPARE(readPixelColor(visibleLayerLayout(block), palette, rulesOf(255, 2), 0, 0), 0x00101010u);
        QCOMPARE(readPixelColor(visibleLayerLayout(block), palette, rulesOf(255, 2), 1, 0), 0x40FF0000u);

        // Constant alpha and the single-layer opacity leave indexed pixels alone.
        for (int mode : {2, 0}) {
            layer.setTransMode(mode);
            const CImage image = readVisible(block, rulesOf(255, 1), 0, 0, 2, 0);
            QCOMPARE(image.colorTable().mid(0, 3), palette);
            QCOMPARE(readPixelColor(visibleLayerLayout(block), palette, rulesOf(255, 1), 1, 0), 0x40FF0000u);
        }
    }

    void indexBeyondThePaletteShowsTransparent()
    {
        RawLayer layer(2, 1, 4, 8);
        for (int i = 0; i < 4; ++i)
            layer.setPalette(i, 0xFF112233);
        layer.setPixel8(1, 0, 200);
        const LayerLayout l = visibleLayerLayout(layer.view());
        const QVector<QRgb> palette = readPalette(layer.view(), 255);
        QCOMPARE(readPixelColor(l, palette, rulesOf(255, 2), 1, 0), 0u);
        QCOMPARE(readPixelIndex(l, 1, 0), 200);
        const CImage image = readLayerImage(l, palette, rulesOf(255, 2), 0, 0, 1, 0);
        QCOMPARE(at(image, 1, 0), 0u);
        QCOMPARE(image.pixel(1, 0), 0u);
        // Drawn directly, the index shows transparent too.
        QImage canvas(2, 1, QImage::Format_ARGB32);
        canvas.fill(0xFF00FF00);
        QPainter(&canvas).drawImage(0, 0, image);
        QCOMPARE(canvas.pixel(1, 0), 0xFF00FF00u);
        QCOMPARE(canvas.pixel(0, 0), 0xFF112233u);
        QCOMPARE(readPixelColor(l, palette, rulesOf(255, 2), 0, 0), 0xFF112233u);
    }

    void visibleWindowFollowsTheOrigin()
    {
        // Virtual 320 x 480, visible 320 x 240, origin (0, 240).
        RawLayer layer(320, 240, 0, 32, qint64(320) * 480 * 4);
        layer.setVirtual(320, 480, 0, 240);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 320; x += 97)
                layer.setPixel32(x, y, 0xFF000000u | quint32(y << 8) | quint32(x));
        const BlockView block = layer.view();
        const CImage visible = readVisible(block, rulesOf(255, 2), 0, 0, 319, 239);
        QCOMPARE(visible.size(), QSize(320, 240));
        QCOMPARE(visible.pixel(0, 0), 0xFF000000u | (240u << 8));
        QCOMPARE(visible.pixel(291, 239), 0xFF000000u | (479u << 8) | 291u);
        QCOMPARE(readPixelColor(visibleLayerLayout(block), {}, rulesOf(255, 2), 97, 10), 0xFF000000u | (250u << 8) | 97u);

        const LayerLayout virt = virtualLayerLayout(block);
        const CImage whole = readLayerImage(virt, {}, rulesOf(255, 2), 0, 0, 319, 479);
        QCOMPARE(whole.size(), QSize(320, 480));
        QCOMPARE(whole.pixel(0, 0), 0xFF000000u);
        QCOMPARE(whole.pixel(194, 479), 0xFF000000u | (479u << 8) | 194u);

        // A horizontal origin shifts the window along the row.
        layer.setVirtual(640, 240, 3, 0);
        layer.setPixel32(3 + 5, 2, 0xFFABCDEF);
        QCOMPARE(readVisible(block, rulesOf(255, 2), 5, 2, 5, 2).pixel(0, 0), 0xFFABCDEFu);
        // The same layer without a virtual screen ignores the origin.
        layer.setVirtual(320, 240, 3, 0);
        QCOMPARE(readVisible(block, rulesOf(255, 2), 8, 2, 8, 2).pixel(0, 0), 0xFFABCDEFu);
    }

    void virtualScreenWiderThanTheLayer()
    {
        // Visible 8 x 4 inside a virtual screen of 20 x 6 at origin (5, 1):
        // the whole virtual screen steps by its own width from row to row.
        RawLayer layer(8, 4, 0, 32, qint64(20) * 6 * 4);
        layer.setVirtual(20, 6, 5, 1);
        for (qint64 i = 0; i < 20 * 6; ++i)
            layer.put32(4096 + 4 * i, 0xFF000000u | quint32(i * 0x010203));
        const rawdecode::Rules raw{255, 2};
        const CImage whole = readLayerImage(virtualLayerLayout(layer.view()), {}, rulesOf(255, 2), 0, 0, 19, 5);
        QCOMPARE(imagecompare::firstDifference(whole, rawdecode::virtualImage(layer.raw(), raw, QRect(0, 0, 20, 6))),
                 QString());
        QCOMPARE(whole.pixel(0, 1), 0xFF000000u | quint32(20 * 0x010203));
        QCOMPARE(whole.pixel(19, 5), 0xFF000000u | quint32(119 * 0x010203));
        const CImage visible = readVisible(layer.view(), rulesOf(255, 2), 0, 0, 7, 3);
        QCOMPARE(imagecompare::firstDifference(visible, rawdecode::visibleImage(layer.raw(), raw, QRect(0, 0, 8, 4))),
                 QString());
    }

    void singlePixelReadsMatchTheImage()
    {
        RawLayer layer(5, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                layer.setPixel32(x, y, 0x01000000u * quint32(x * 60) | quint32(y * 0x101010 + x));
        const BlockView block = layer.view();
        for (int mode : {0, 1, 2}) {
            layer.setTransMode(mode);
            layer.setKey(0x000000, 0x202020);
            layer.setLayerAlpha(0x33);
            for (quint8 alphaMode : {quint8(0), quint8(255)}) {
                const ImageRules rules = rulesOf(alphaMode, 1);
                const CImage image = readVisible(block, rules, 0, 0, 4, 3);
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 5; ++x) {
                        QCOMPARE(readPixelColor(visibleLayerLayout(block), {}, rules, x, y), image.pixel(x, y));
                        QCOMPARE(readVisible(block, rules, x, y, x, y).pixel(0, 0), image.pixel(x, y));
                    }
            }
        }
        const CImage corner = readVisible(block, rulesOf(255, 2), 4, 3, 4, 3);
        QCOMPARE(corner.size(), QSize(1, 1));
        QCOMPARE(QList<int>({corner.left, corner.top, corner.right, corner.bottom}), QList<int>({4, 3, 4, 3}));

        // Negative coordinates have no address in the visible window.
        QVERIFY(readVisible(block, rulesOf(255, 2), -1, 0, 2, 2).isNull());
        QCOMPARE(readPixelIndex(visibleLayerLayout(block), -1, 0), 0);
        QCOMPARE(readPixelIndex(visibleLayerLayout(block), 0, -1), 0);
        QCOMPARE(readPixelColor(visibleLayerLayout(block), {}, rulesOf(255, 2), 0, -1), 0u);
    }

    void contentRectDividesByTheZoom()
    {
        QCOMPARE(contentRect(QSize(402, 300), 4, QSize(6, 0), 320, 240), QRect(QPoint(1, 0), QPoint(100, 74)));
        QCOMPARE(contentRect(QSize(2000, 1000), 2, QSize(0, 0), 320, 240), QRect(0, 0, 320, 240));
        QCOMPARE(contentRect(QSize(15, 15), 16, QSize(32, 16), 320, 240), QRect(2, 1, 0, 0));
        // Extreme inputs keep a representable rectangle.
        const QRect far = contentRect(QSize(INT_MAX, 10), 1, QSize(INT_MAX, INT_MIN), INT_MAX, 5);
        QCOMPARE(far, QRect(0, 0, INT_MAX, 5));
        QCOMPARE(contentRect(QSize(10, 10), 0, QSize(INT_MAX, INT_MAX), 4, 4), QRect(INT_MAX - 4, INT_MAX - 4, 4, 4));
    }

    void unchangedPixelsAreWrappedNotCopied()
    {
        RawLayer layer(64, 32);
        layer.fill32(0x80402010);
        const BlockView block = layer.view();
        const uchar *pixels = block.base() + 4096;
        const CImage wrapped = readVisible(block, rulesOf(255, 2), 2, 3, 41, 30);
        QCOMPARE(wrapped.constBits(), pixels + 4 * (64 * 3 + 2));
        QCOMPARE(wrapped.bytesPerLine(), 64 * 4);

        RawLayer pal(64, 32, 16, 4);
        QCOMPARE(readVisible(pal.view(), rulesOf(255, 2), 1, 1, 9, 9).constBits(), pal.view().base() + 4096 + 65);

        // Any rewriting reads into an image of the tool's own.
        layer.setTransMode(2);
        const CImage copied = readVisible(block, rulesOf(255, 2), 2, 3, 41, 30);
        QVERIFY(copied.constBits() < block.base() || copied.constBits() >= block.base() + block.size());
        QCOMPARE(copied.pixel(0, 0), 0x00402010u);
    }

    void readsStopAtTheEndOfTheBlock()
    {
        // The header claims 10 x 10 true colour; the block holds 2.5 rows.
        RawLayer layer(10, 10, 0, 32, 10 * 4 * 2 + 20);
        layer.fill32(0xFF00FF00);
        const CImage image = readVisible(layer.view(), rulesOf(255, 2), 0, 0, 9, 9);
        QCOMPARE(image.size(), QSize(10, 10));
        QCOMPARE(image.pixel(9, 1), 0xFF00FF00u);
        QCOMPARE(image.pixel(4, 2), 0xFF00FF00u);
        QCOMPARE(image.pixel(5, 2), 0u);
        QCOMPARE(image.pixel(0, 9), 0u);
        QCOMPARE(readPixelColor(visibleLayerLayout(layer.view()), {}, rulesOf(255, 2), 5, 2), 0u);
        // Absent pixels stay transparent even when a rule sets every alpha.
        layer.setTransMode(2);
        layer.setLayerAlpha(200);
        QCOMPARE(readVisible(layer.view(), rulesOf(255, 2), 0, 0, 9, 9).pixel(0, 9), 0u);

        // An indexed read that reaches outside comes back as 32 bits.
        RawLayer pal(10, 10, 2, 8, 25);
        pal.setPalette(0, 0xFF0000FF);
        pal.setPalette(1, 0xFFFF0000);
        pal.setPixel8(4, 2, 1);
        const CImage partial = readVisible(pal.view(), rulesOf(255, 2), 0, 0, 9, 9);
        QCOMPARE(partial.format(), QImage::Format_ARGB32);
        QCOMPARE(partial.pixel(0, 0), 0xFF0000FFu);
        QCOMPARE(partial.pixel(4, 2), 0xFFFF0000u);
        QCOMPARE(partial.pixel(5, 2), 0u);
        QCOMPARE(readPixelIndex(visibleLayerLayout(pal.view()), 4, 2), 1);
        QCOMPARE(readPixelIndex(visibleLayerLayout(pal.view()), 5, 2), 0);
        QCOMPARE(readPixelColor(visibleLayerLayout(pal.view()), readPalette(pal.view(), 255), rulesOf(255, 2), 9, 9), 0u);

        // The virtual screen of an indexed layer is read with 4 bytes a pixel
        // from a pixel area sized for one byte a pixel.
        // The 32 bytes hold the first 8 pixels of row 0; the rest is absent.
        RawLayer small(8, 4, 16, 8);
        small.setVirtual(16, 8, 0, 0);
        std::fill(small.base() + 4096, small.base() + small.size, uchar(0x7F));
        const CImage virt = readLayerImage(virtualLayerLayout(small.view()), {}, rulesOf(255, 2), 0, 0, 15, 7);
        QCOMPARE(virt.size(), QSize(16, 8));
        QCOMPARE(virt.pixel(7, 0), 0x7F7F7F7Fu);
        QCOMPARE(virt.pixel(8, 0), 0u);
        QCOMPARE(virt.pixel(0, 1), 0u);
        QCOMPARE(virt.pixel(15, 7), 0u);
        QCOMPARE(imagecompare::firstDifference(virt, rawdecode::virtualImage(small.raw(), {255, 2}, QRect(0, 0, 16, 8))),
                 QString());
    }

    void malformedHeadersGiveBoundedResults_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("colors");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("xOrg");
        QTest::addColumn<int>("yOrg");
        QTest::newRow("huge") << INT_MAX << INT_MAX << 0 << 32 << 0 << 0;
        QTest::newRow("negative sizes") << -7 << -3 << 0 << 32 << 0 << 0;
        QTest::newRow("negative width, indexed") << INT_MIN << 5 << 256 << 8 << 0 << 0;
        QTest::newRow("absurd origin") << 16 << 16 << 0 << 32 << INT_MAX << INT_MAX;
        QTest::newRow("negative origin") << 16 << 16 << 0 << 32 << INT_MIN << INT_MIN;
        QTest::newRow("origin, indexed") << 16 << 16 << 1 << 1 << INT_MIN << INT_MAX;
        QTest::newRow("257 colours") << 1000 << 1000 << 257 << 8 << 0 << 0;
        QTest::newRow("no colours") << 1000 << 1000 << 0 << 8 << 0 << 0;
        QTest::newRow("256 colours") << 1000 << 1000 << 256 << 8 << 0 << 0;
        QTest::newRow("depth 16") << 1000 << 1000 << 16 << 16 << 0 << 0;
        QTest::newRow("depth 3") << 1000 << 1000 << 16 << 3 << 0 << 0;
    }
    void malformedHeadersGiveBoundedResults()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, colors);
        QFETCH(int, depth);
        QFETCH(int, xOrg);
        QFETCH(int, yOrg);
        RawLayer layer(4, 4, 0, 32, 64);
        layer.fill32(0xFFFFFFFF);
        layer.put32(32, quint32(w));
        layer.put32(36, quint32(h));
        layer.put32(52, quint32(depth));
        layer.put32(56, quint32(colors));
        layer.setVirtual(w / 2 + 1, h, xOrg, yOrg);
        for (int i = 0; i < 256; ++i)
            layer.setPalette(i, 0xFFFFFFFF);
        const BlockView block = layer.view();
        const ImageRules rules = rulesOf(0, 1);
        // Rectangles a view may ask for: a window of the claimed size capped
        // at 64 x 64, a single pixel far away, one at the origin.
        const int rw = qBound(1, w, 64), rh = qBound(1, h, 64);
        for (const LayerLayout &l : {visibleLayerLayout(block), virtualLayerLayout(block)}) {
            const QVector<QRgb> palette = readPalette(block, 0);
            for (const QRect &r : {QRect(0, 0, rw, rh), QRect(INT_MAX - 1, INT_MAX - 1, 1, 1), QRect(3, 3, 1, 1),
                                   QRect(-5, -5, 10, 10)}) {
                const CImage image = readLayerImage(l, palette, rules, r.left(), r.top(), r.right(), r.bottom());
                // Null only without an address (a negative start in the
                // visible window) or for an indexed depth it cannot show.
                const bool visibleWindow = l.negativeIsNone;
                const bool unsupported = visibleWindow && colors >= 1 && colors <= 256 && depth != 1 && depth != 2
                    && depth != 4 && depth != 8;
                const bool noAddress = visibleWindow && (r.left() < 0 || r.top() < 0);
                QCOMPARE(image.isNull(), unsupported || noAddress);
                if (image.isNull())
                    continue;
                QCOMPARE(image.size(), r.size());
                // Every pixel is either a block pixel (white, opaque after the
                // single-layer rule) or absent and fully transparent.
                const QImage argb = image.toArgb32();
                for (int y = 0; y < argb.height(); ++y)
                    for (int x = 0; x < argb.width(); ++x) {
                        const QRgb p = argb.pixel(x, y);
                        QVERIFY2(p == 0 || p == 0x00FFFFFF || p == 0xFFFFFFFF, qPrintable(QString::number(p, 16)));
                    }
            }
            QCOMPARE(readPixelColor(l, palette, rules, INT_MIN, INT_MAX), 0u);
            QVERIFY(readPixelIndex(l, INT_MAX, INT_MAX) == 0);
        }
    }

    void oversizedRequestsGiveNullImages()
    {
        RawLayer layer(65535, 65535, 0, 32, 1024);
        const CImage huge = readVisible(layer.view(), rulesOf(255, 2), 0, 0, 65534, 65534);
        QVERIFY(huge.isNull());
        // Just within the limit (256 MiB of 32-bit pixels) the image exists,
        // transparent beyond the block.
        const CImage limit = readVisible(layer.view(), rulesOf(255, 2), 0, 0, 8191, 8191);
        QCOMPARE(limit.size(), QSize(8192, 8192));
        QVERIFY(readVisible(layer.view(), rulesOf(255, 2), 0, 0, 8192, 8191).isNull());
        // An indexed image at the limit would be four times over it in 32 bits.
        RawLayer pal(16384, 16384, 16, 8, qint64(16384) * 16384);
        const CImage indexed = readVisible(pal.view(), rulesOf(255, 2), 0, 0, 16383, 16383);
        QCOMPARE(indexed.format(), QImage::Format_Indexed8);
        QVERIFY(indexed.toArgb32().isNull());
        QCOMPARE(readVisible(pal.view(), rulesOf(255, 2), 0, 0, 8191, 8191).toArgb32().size(), QSize(8192, 8192));
        QVERIFY(readVisible(layer.view(), rulesOf(255, 2), INT_MIN, 0, INT_MAX, 0).isNull());
        QVERIFY(readVisible(layer.view(), rulesOf(255, 2), 5, 5, 4, 5).isNull());
    }

    void nullBlockGivesNothing()
    {
        const BlockView none;
        QVERIFY(readVisible(none, rulesOf(0, 1), 0, 0, 9, 9).isNull());
        QVERIFY(readPalette(none, 0).isEmpty());
        QCOMPARE(readPixelIndex(visibleLayerLayout(none), 0, 0), 0);
        QCOMPARE(readPixelColor(visibleLayerLayout(none), {}, rulesOf(0, 1), 0, 0), 0u);
    }
};

QTEST_MAIN(TestLayerImage)
#include "tst_layerimage.moc"
