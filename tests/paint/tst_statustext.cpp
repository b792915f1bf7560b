// Status line texts and clipboard rules of the paint widgets, as plain
// functions: RGB against ARGB, the index part, the press states, the
// selection texts, the colour text and the magnified copy with its bound.
#include "imaging/layerimage.h"
#include "paint/copyrules.h"
#include "paint/statustext.h"

#include <QtTest>

namespace {

PointerStatus at(StatusKind kind, int x, int y)
{
    PointerStatus s;
    s.title = QStringLiteral("Layer 0");
    s.kind = kind;
    s.x = x;
    s.y = y;
    s.layerWidth = 40;
    s.layerHeight = 30;
    s.color = 0xFF123456;
    return s;
}

} // namespace

class TestStatusText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pixelTextByLayerCountAndIndex()
    {
        QCOMPARE(PixelText(3, 4, 0xFF123456, 1, -1), QStringLiteral("(x=3, y=4, RGB=12 34 56)"));
        QCOMPARE(PixelText(3, 4, 0xFF123456, 2, -1), QStringLiteral("(x=3, y=4, ARGB=FF 12 34 56)"));
        QCOMPARE(PixelText(3, 4, 0x0A0B0C0D, 1, 7), QStringLiteral("(x=3, y=4, RGB=0B 0C 0D, Index #7)"));
        QCOMPARE(PixelText(0, 0, 0x00FFFFFF, 3, 0), QStringLiteral("(x=0, y=0, ARGB=00 FF FF FF, Index #0)"));
    }

    void kindsAndPrefix()
    {
        PointerStatus s = at(StatusPointer, 3, 4);
        QCOMPARE(PointerStatusText(s), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, RGB=12 34 56)"));
        s.pointerState = 1;
        QCOMPARE(PointerStatusText(s), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, RGB=12 34 56), Pressed"));
        s.pointerState = 2;
        QCOMPARE(PointerStatusText(s), QStringLiteral("[Layer 0]: WM_MOUSEMOVE (x=3, y=4, RGB=12 34 56), Released"));

        QCOMPARE(PointerStatusText(at(StatusHand, 3, 4)), QStringLiteral("[Layer 0]: (x=3, y=4, RGB=12 34 56)"));
        QCOMPARE(PointerStatusText(at(StatusSelectionHover, 3, 4)), QStringLiteral("[Layer 0]: (x=3, y=4, RGB=12 34 56)"));
        QCOMPARE(PointerStatusText(at(StatusInSelection, 3, 4)),
                 QStringLiteral("[Layer 0]: (x=3, y=4, RGB=12 34 56) (in selection)"));

        // A drag from pixel (2, 3) to the pointer at (5, 7) covers 2..4 by 3..6;
        // the end point shown is exclusive.
        s = at(StatusSelecting, 5, 7);
        s.selection = QRect(2, 3, 3, 4);
        QCOMPARE(PointerStatusText(s), QStringLiteral("[Layer 0]: Selection from (2, 3) to (5, 7)"));
        // Just pressed: an empty selection ends where it starts.
        s.selection = QRect(2, 3, 0, 0);
        QCOMPARE(PointerStatusText(s), QStringLiteral("[Layer 0]: Selection from (2, 3) to (2, 3)"));

        QCOMPARE(PointerStatusText(at(StatusSelectionMoved, 6, 1)), QStringLiteral("[Layer 0]: Selection moved to (6, 1)"));
        QCOMPARE(MouseMovedOutText(), QStringLiteral("Mouse moved out"));
    }

    void outsideTheLayerShowsNothing()
    {
        QVERIFY(PointerStatusText(at(StatusPointer, -1, 0)).isEmpty());
        QVERIFY(PointerStatusText(at(StatusPointer, 0, -1)).isEmpty());
        QVERIFY(PointerStatusText(at(StatusHand, 40, 0)).isEmpty());
        QVERIFY(PointerStatusText(at(StatusHand, 0, 30)).isEmpty());
        QVERIFY(!PointerStatusText(at(StatusHand, 39, 29)).isEmpty());
    }

    void colourText()
    {
        QCOMPARE(ColorClipboardText(0xFFFF0000), QStringLiteral("FFFF0000"));
        QCOMPARE(ColorClipboardText(0x0000000A), QStringLiteral("0000000A"));
    }

    void magnifiedCopyOwnsItsPixels()
    {
        // An image wrapping foreign memory, as a frame buffer is wrapped.
        quint32 frame[4 * 2] = {0xFF000001, 0x80000002, 0x00000003, 0xFF000004,
                                0xFF000005, 0xFF000006, 0xFF000007, 0xFF000008};
        const QImage wrapped(reinterpret_cast<const uchar *>(frame), 4, 2, 16, QImage::Format_ARGB32);

        const QImage one = MagnifiedCopy(wrapped, 1);
        QCOMPARE(one.size(), QSize(4, 2));
        QVERIFY(one.constBits() != reinterpret_cast<const uchar *>(frame));
        frame[0] = 0xFFFFFFFF;
        QCOMPARE(one.pixel(0, 0), 0xFF000001u);

        const QImage three = MagnifiedCopy(wrapped, 3);
        QCOMPARE(three.size(), QSize(12, 6));
        QCOMPARE(three.format(), QImage::Format_ARGB32);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x)
                QCOMPARE(three.pixel(x, y), frame[(y / 3) * 4 + x / 3]);

        // Indexed images come out as 32-bit colours.
        QImage indexed(2, 1, QImage::Format_Indexed8);
        indexed.setColorTable({0xFFFF0000, 0x00000000});
        indexed.setPixel(0, 0, 0);
        indexed.setPixel(1, 0, 1);
        const QImage fromIndexed = MagnifiedCopy(indexed, 2);
        QCOMPARE(fromIndexed.pixel(1, 1), 0xFFFF0000u);
        QCOMPARE(fromIndexed.pixel(3, 0), 0x00000000u);
    }

    void copyMessagesAndTheBound()
    {
        QImage area(10, 4, QImage::Format_ARGB32);
        area.fill(0xFF00FF00);
        const QRect sel(7, 8, 10, 4);
        ClipboardCopy copy = CopyForClipboard(area, 3, QStringLiteral("Layer 0"), &sel);
        QCOMPARE(copy.image.size(), QSize(30, 12));
        QCOMPARE(copy.message, QStringLiteral("Copied area from (7, 8) to (16, 11) to clipboard."));

        copy = CopyForClipboard(area, 1, QStringLiteral("Layer 0"), nullptr);
        QCOMPARE(copy.message, QStringLiteral("Copied Layer 0 to clipboard."));

        copy = CopyForClipboard(QImage(), 2, QStringLiteral("Layer 0"), nullptr);
        QVERIFY(copy.image.isNull());
        QVERIFY(copy.message.isEmpty());

        // 4096 x 4096 at zoom 4 would be 1 GiB: nothing is copied, and it says so.
        QVERIFY(FitsMagnified(4096, 4096, 2));      // exactly 256 MiB
        QVERIFY(!FitsMagnified(4096, 4097, 2));
        QVERIFY(!FitsMagnified(4096, 4096, 4));
        QVERIFY(!FitsMagnified(qint64(1) << 40, 1, 16));
        QImage big(4096, 4096, QImage::Format_Indexed8);
        const QRect whole(0, 0, 4096, 4096);
        copy = CopyForClipboard(big, 4, QStringLiteral("Layer 0"), &whole);
        QVERIFY(copy.image.isNull());
        QCOMPARE(copy.message, QStringLiteral("Selection too large to copy at this zoom."));
        QVERIFY(MagnifiedCopy(big, 4).isNull());
    }
};

QTEST_MAIN(TestStatusText)
#include "tst_statustext.moc"
