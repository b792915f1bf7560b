// The block layout as the tool reads it: raw offsets, encodings, bounds.
#include "rawlayer.h"
#include "simlink/input.h"
#include "simlink/layerblock.h"

#include <QtTest>

#include <cstring>
#include <vector>

using namespace simlink;

class TestBlockLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accessorsReadTheDocumentedOffsets()
    {
        RawLayer b = RawLayer::ofBytes(8192);
        b.base()[0] = 1;
        b.put32(0x20, 320);
        b.put32(0x24, 240);
        b.put32(0x28, 640);
        b.put32(0x2C, 480);
        b.put32(0x34, 8);
        b.put32(0x38, 256);
        b.put32(0x3C, 77);
        b.put32(0x40, 78);
        b.put32(0x5C, 5);
        b.put32(0x60, 6);
        b.base()[0x64] = 0x80;
        b.put32(0x68, quint32(-5));
        b.put32(0x6C, 9);
        b.put32(0x74, 0x00FF0000);
        b.put32(0x78, (480u << 16) | 640u);
        b.put32(0x7C, 0x101010);
        b.put32(0x80, 0x202020);
        b.put32(0x84, 2);
        b.put32(0x128 + 4 * 7, 0xFF123456);
        const BlockView v = b.view();
        QCOMPARE(int(inUse(v)), 1);
        QCOMPARE(xSize(v), 320);
        QCOMPARE(ySize(v), 240);
        QCOMPARE(vxSize(v), 640);
        QCOMPARE(vySize(v), 480);
        QCOMPARE(bitsPerPixel(v), 8);
        QCOMPARE(NumColors(v), 256);
        QCOMPARE(contentCounter(v), 77);
        QCOMPARE(paletteCounter(v), 78);
        QCOMPARE(xOrg(v), 5);
        QCOMPARE(yOrg(v), 6);
        QCOMPARE(int(layerAlpha(v)), 0x80);
        QCOMPARE(xPos(v), -5);
        QCOMPARE(yPos(v), 9);
        QCOMPARE(bkColor(v), 0x00FF0000u);
        QCOMPARE(keyColorMin(v), 0x101010u);
        QCOMPARE(keyColorMax(v), 0x202020u);
        QCOMPARE(transMode(v), 2);
        QCOMPARE(paletteEntry(v, 7), 0xFF123456u);
        int w = 0, h = 0;
        QVERIFY(compositeSize(v, &w, &h));
        QCOMPARE(w, 640);
        QCOMPARE(h, 480);
    }

    void nullBlockReadsZero()
    {
        const BlockView none;
        QCOMPARE(xSize(none), 0);
        QCOMPARE(NumColors(none), 0);
        QCOMPARE(transMode(none), 0);
        QCOMPARE(paletteEntry(none, 0), 0u);
        int w = 7;
        QVERIFY(!compositeSize(none, &w));
        QCOMPARE(w, 7);
    }

    void compositeSizeZeroMeansNoComposite()
    {
        RawLayer b = RawLayer::ofBytes(4096);
        int w = -1, h = -1;
        QVERIFY(!compositeSize(b.view(), &w, &h));
        QCOMPARE(w, 0);
        QCOMPARE(h, 0);
        b.put32(0x78, 0xFFFFFFFFu);
        QVERIFY(compositeSize(b.view(), &w, nullptr));
        QCOMPARE(w, 65535); // both halves unsigned
    }

    void indexedByPaletteSize()
    {
        QVERIFY(isIndexedCount(1));
        QVERIFY(isIndexedCount(256));
        QVERIFY(!isIndexedCount(257));
        QVERIFY(!isIndexedCount(0));
        QVERIFY(!isIndexedCount(-1));
    }

    void libraryColorInvertsTransparency()
    {
        // TT 00, blue 00, green 00, red FF: opaque red.
        QCOMPARE(libraryColor(0x000000FFu).rgba(), 0xFFFF0000u);
        // TT 00, blue FF: opaque blue.
        QCOMPARE(libraryColor(0x00FF0000u).rgba(), 0xFF0000FFu);
        // TT FF, no colour: fully transparent black.
        QCOMPARE(libraryColor(0xFF000000u).rgba(), 0x00000000u);
        QCOMPARE(libraryArgb(0x40336699u), 0xBF996633u);
    }

    void inputFieldsAreWrittenAsDocumented()
    {
        RawLayer b = RawLayer::ofBytes(4096);
        setPointer(b.view(), 0, 10, -3, 1);
        QCOMPARE(b.get32(0x50), 10u);
        QCOMPARE(qint32(b.get32(0x54)), -3);
        QCOMPARE(b.get32(0x58), 1u);
        WriteKey(b.view(), 0, 13, 1);
        QCOMPARE(b.get32(0x4C), 0x0001010Du);
        WriteKey(b.view(), 0, 13, 0);
        QCOMPARE(b.get32(0x4C), 0x0001000Du);
        WriteKey(b.view(), 0, 0x1FF, 1); // code taken as a byte
        QCOMPARE(b.get32(0x4C), 0x000101FFu);
        // Nothing else of the header was touched.
        for (size_t i = 0; i < size_t(b.size); ++i)
            if (i < 0x4C || i >= 0x5C)
                QCOMPARE(int(b.base()[i]), 0);
    }

    void blockNames()
    {
        QCOMPARE(layerBlockName(0), QStringLiteral("noXelLCDMap"));
        QCOMPARE(layerBlockName(1), QStringLiteral("noXelLCDMap1"));
        QCOMPARE(layerBlockName(10), QStringLiteral("noXelLCDMap10"));
        QCOMPARE(layerBlockName(12), QStringLiteral("noXelLCDMap12"));
    }

    void shortBlockIsNotAttached()
    {
        RawLayer b = RawLayer::ofBytes(4095);
        b.base()[0] = 1;
        QVERIFY(b.view().isNull());
        QCOMPARE(int(inUse(b.view())), 0);
    }

    void readsNeverLeaveTheBlock()
    {
        RawLayer b = RawLayer::ofBytes(4096 + 16);
        const BlockView v = b.view();
        QVERIFY(v.contains(0, 4112));
        QVERIFY(!v.contains(1, 4112));
        QVERIFY(!v.contains(-1, 1));
        QVERIFY(!v.contains(4112, 1));
        QVERIFY(v.contains(4112, 0));
        QVERIFY(!v.contains(std::numeric_limits<qint64>::max(), 2));
        QVERIFY(!v.contains(8, std::numeric_limits<qint64>::max()));
        QCOMPARE(v.frameBufferSize(), qint64(16));
        QVERIFY(v.frameBytes(0, 16) != nullptr);
        QVERIFY(v.frameBytes(12, 5) == nullptr);
        QVERIFY(v.frameBytes(-4, 4) == nullptr);
        QCOMPARE(v.readUInt32(4110), 0u); // straddles the end
        // The view itself writes nothing; input to a null view is dropped.
        setPointer(BlockView(), 0, 1, 2, 1);
        WriteKey(BlockView(), 0, 13, 1);
        QCOMPARE(int(b.base()[4110]), 0);
    }
};

QTEST_GUILESS_MAIN(TestBlockLayout)
#include "tst_blocklayout.moc"
