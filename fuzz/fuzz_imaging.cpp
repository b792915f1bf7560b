// libFuzzer target for the imaging: random headers, block sizes, alignments,
// alpha-mode bytes, layer counts, layouts and rectangles go to every entry
// point. Besides the sanitizers it checks that no read changes a block, that
// a non-null result covers its rectangle, and that single-pixel reads agree
// with rectangle reads.
//
// Input: alphaMode u8, layerCount u8, flags u8 (bits 0-1: layers - 1,
// bits 2-3: misalignment of the blocks), then per layer a flags byte
// (bit 0: block shorter than a header, bit 1: a layout of its own follows)
// and 17 fields (xSize, ySize, vxSize, vySize, bitsPerPixel, NumColors, xOrg,
// yOrg, layerAlpha, xPos, yPos, bkColor, compositeSize, keyColorMin,
// keyColorMax, transMode, pixel bytes), the own layout (indexed u8,
// bytesPerPixel, rowPixels, originX, originY, negativeIsNone u8, format u8,
// bytesPerLine), then up to 16 operations: op u8, layer u8, left, top,
// width, height. A field is a tag byte: tag & 3 = 0 gives tag >> 2 (0..63),
// 1 an unsigned 16-bit value, 2 a signed 16-bit value, 3 a 32-bit value
// (little-endian). Palettes and pixels are the input bytes repeated.
#include "imaging/layerimage.h"
#include "simlink/layerblock.h"

#include <QPainter>

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void finding() { __builtin_trap(); }

class Input
{
public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t u16() { return uint16_t(u8() | (u8() << 8)); }
    uint32_t u32() { return uint32_t(u16()) | (uint32_t(u16()) << 16); }
    int32_t field()
    {
        const uint8_t tag = u8();
        switch (tag & 3) {
        case 0:
            return tag >> 2;
        case 1:
            return u16();
        case 2:
            return int16_t(u16());
        default:
            return int32_t(u32());
        }
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A block in heap memory of exactly its size (the sanitizer guards both ends),
// at an offset of 0..3 bytes from the allocation so that unaligned pixels are
// read too.
struct FuzzBlock
{
    std::unique_ptr<uint8_t[]> storage;
    uint8_t *base = nullptr;
    qint64 size = 0;
    unsigned misalign = 0;
    std::vector<uint8_t> copy;
    BlockView view() const { return BlockView(base, size); }
};

void put32(uint8_t *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

QImage::Format formatOf(uint8_t v)
{
    static const QImage::Format formats[] = {QImage::Format_ARGB32, QImage::Format_Indexed8, QImage::Format_Invalid,
                                             QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                                             QImage::Format_Mono};
    return formats[v % (sizeof(formats) / sizeof(formats[0]))];
}

int clampInt(qint64 v) { return int(std::clamp<qint64>(v, INT_MIN, INT_MAX)); }

void checkCovers(const CImage &image, int l, int t, int r, int b)
{
    if (image.isNull())
        return;
    if (image.width() != qint64(r) - l + 1 || image.height() != qint64(b) - t + 1)
        finding();
    if (image.left != l || image.top != t || image.right != r || image.bottom != b)
        finding();
    if (qint64(image.sizeInBytes()) > MaxImageBytes)
        finding();
}

// Every rewrite of a returned image works on the tool's own pixels.
void exercise(const CImage &image, Input &in)
{
    if (image.isNull())
        return;
    CImage a = image;
    a.invertAlpha();
    a.setAlpha(in.field());
    const QRgb lower = in.u32(), upper = in.u32();
    a.clearColorRange(lower, upper);
    CImage argb = image.toArgb32();
    if (!argb.isNull()) {
        const int l = in.field(), t = in.field(), w = in.field(), h = in.field();
        argb.shadeOutside(l, t, clampInt(qint64(l) + w - 1), clampInt(qint64(t) + h - 1));
    }
    if (image.format() == QImage::Format_ARGB32 && image.width() <= 4096 && image.height() <= 4096) {
        CImage painted = image;
        QPainter(&painted).fillRect(0, 0, 3, 3, QColor(1, 2, 3, 4));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    ImageRules rules;
    rules.alphaMode = in.u8();
    rules.layerCount = in.u8();
    const uint8_t flags = in.u8();
    const int layerCount = 1 + (flags & 3);
    const unsigned misalign = (flags >> 2) & 3;

    std::vector<FuzzBlock> blocks(static_cast<size_t>(layerCount));
    std::vector<LayerLayout> own(static_cast<size_t>(layerCount));
    size_t fillPos = 0;
    for (int n = 0; n < layerCount; ++n) {
        FuzzBlock &fb = blocks[size_t(n)];
        const uint8_t layerFlags = in.u8();
        int32_t f[17];
        for (int32_t &v : f)
            v = in.field();
        const qint64 pixelBytes = qint64(uint32_t(f[16]) % (1u << 18));
        fb.size = (layerFlags & 1) ? pixelBytes % 4096 : 4096 + pixelBytes;
        fb.misalign = misalign;
        fb.storage.reset(new uint8_t[size_t(fb.size + misalign + 1)]);
        fb.base = fb.storage.get() + misalign;
        // Pixels and palette from the input, repeated; the fields on top.
        if (size == 0) {
            std::memset(fb.base, 0, size_t(fb.size));
        } else {
            size_t from = fillPos % size;
            for (qint64 i = 0; i < fb.size;) {
                const size_t chunk = std::min(size - from, size_t(fb.size - i));
                std::memcpy(fb.base + i, data + from, chunk);
                i += qint64(chunk);
                from = 0;
            }
        }
        fillPos += 7919;
        if (fb.size >= 4096) {
            std::memset(fb.base, 0, 296);
            fb.base[0] = 1;
            static const qint64 offsets[16] = {32, 36, 40, 44, 52, 56, 92, 96, 100, 104, 108, 116, 120, 124, 128, 132};
            for (int i = 0; i < 16; ++i) {
                if (offsets[i] == simlink::Offset::LayerAlpha)
                    fb.base[offsets[i]] = uint8_t(f[i]);
                else
                    put32(fb.base + offsets[i], uint32_t(f[i]));
            }
        }
        fb.copy.assign(fb.base, fb.base + fb.size);
        // The bytes around the block belong to nobody.
        ASAN_POISON_MEMORY_REGION(fb.storage.get(), misalign);
        ASAN_POISON_MEMORY_REGION(fb.base + fb.size, 1);

        LayerLayout &l = own[size_t(n)];
        l = visibleLayerLayout(fb.view());
        if (layerFlags & 2) {
            l.indexed = in.u8() & 1;
            l.bytesPerPixel = in.field();
            l.rowPixels = in.field();
            l.originX = in.field();
            l.originY = in.field();
            l.negativeIsNone = in.u8() & 1;
            l.format = formatOf(in.u8());
            l.bytesPerLine = in.field();
        }
    }

    QList<CompositeLayer> layers;
    for (FuzzBlock &fb : blocks)
        layers.append({visibleLayerLayout(fb.view()), readPalette(fb.view(), rules.alphaMode)});

    for (int op = 0; op < 16 && !in.atEnd(); ++op) {
        const uint8_t kind = in.u8();
        const size_t n = in.u8() % size_t(layerCount);
        const BlockView block = blocks[n].view();
        const int l = in.field(), t = in.field(), w = in.field(), h = in.field();
        const int r = clampInt(qint64(l) + w - 1), b = clampInt(qint64(t) + h - 1);
        // Images of more than 256 Ki pixels that are still within the limit
        // cost much time and teach the fuzzer nothing new
        // (the tests build one at the limit); beyond the limit reads are
        // cheap and stay in.
        const qint64 area = (qint64(r) - l + 1) * (qint64(b) - t + 1);
        if (area > (qint64(1) << 18) && area <= MaxImageBytes)
            continue;
        const QVector<QRgb> palette = readPalette(block, rules.alphaMode);
        switch (kind % 6) {
        case 0:
        case 1:
        case 2: {
            const LayerLayout layout = kind % 6 == 0 ? visibleLayerLayout(block)
                                     : kind % 6 == 1 ? virtualLayerLayout(block)
                                                     : own[n];
            const CImage image = readLayerImage(layout, palette, rules, l, t, r, b);
            checkCovers(image, l, t, r, b);
            exercise(image, in);
            pixelOffset(layout, l, t);
            break;
        }
        case 3: {
            // One pixel, three ways.
            const LayerLayout &layout = (kind & 8) ? own[n] : visibleLayerLayout(block);
            const QRgb color = readPixelColor(layout, palette, rules, l, t);
            const int index = readPixelIndex(layout, l, t);
            if (index < 0 || index > 255)
                finding();
            const CImage one = readLayerImage(layout, palette, rules, l, t, l, t);
            checkCovers(one, l, t, l, t);
            const QRgb fromImage = one.isNull() ? 0 : one.toArgb32().pixel(0, 0);
            if (fromImage != color)
                finding();
            break;
        }
        case 4: {
            const CImage image = readCompositeImage(layers, blocks[0].view(), rules, l, t, r, b);
            checkCovers(image, l, t, r, b);
            if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
                finding();
            // A pixel of the rectangle equals the composite of that pixel alone.
            if (!image.isNull()) {
                const int x = int(uint32_t(in.field()) % uint32_t(image.width()));
                const int y = int(uint32_t(in.field()) % uint32_t(image.height()));
                const CImage one = readCompositeImage(layers, blocks[0].view(), rules, l + x, t + y, l + x, t + y);
                if (one.isNull() || one.pixel(0, 0) != image.pixel(x, y))
                    finding();
            }
            exercise(image, in);
            break;
        }
        default: {
            const QRect c = contentRect(QSize(l, t), w, QSize(h, in.field()), in.field(), in.field());
            if (c.width() < 0 || c.height() < 0)
                finding();
            break;
        }
        }
    }

    for (FuzzBlock &fb : blocks) {
        if (fb.size > 0 && std::memcmp(fb.base, fb.copy.data(), size_t(fb.size)) != 0)
            finding();
        ASAN_UNPOISON_MEMORY_REGION(fb.storage.get(), fb.misalign);
        ASAN_UNPOISON_MEMORY_REGION(fb.base + fb.size, 1);
    }
    return 0;
}
