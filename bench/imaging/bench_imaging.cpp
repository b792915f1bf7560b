// Speed of the layer reads and the composite, each against memcpy of the
// same number of output bytes between buffers larger than the last-level
// cache, measured in the same run. The ratios are printed at the end.
#include "copybaseline.h"
#include "imaging/layerimage.h"
#include "simlink/layerblock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A layer block in ordinary, 64-byte aligned memory.
class MemoryBlock
{
public:
    MemoryBlock(int w, int h, int numColors, qint64 pixelBytes)
        : m_size(4096 + pixelBytes), m_data(static_cast<uchar *>(std::aligned_alloc(64, size_t((m_size + 63) / 64 * 64))))
    {
        std::memset(m_data, 0, size_t(m_size));
        put32(simlink::Offset::InUse, 1);
        put32(simlink::Offset::XSize, quint32(w));
        put32(simlink::Offset::YSize, quint32(h));
        put32(simlink::Offset::VxSize, quint32(w));
        put32(simlink::Offset::VySize, quint32(h));
        put32(simlink::Offset::BitsPerPixel, numColors ? 8 : 32);
        put32(simlink::Offset::NumColors, quint32(numColors));
        // Pixels of every kind: opaque, translucent, transparent, near black.
        quint32 seed = 12345;
        for (qint64 o = 4096; o + 4 <= m_size; o += 4) {
            seed = seed * 1664525u + 1013904223u;
            put32(o, seed);
        }
        for (int i = 0; i < 256; ++i)
            put32(simlink::Offset::Palette + 4 * i, 0xFF000000u | quint32(i * 0x010101));
    }
    ~MemoryBlock() { std::free(m_data); }
    MemoryBlock(const MemoryBlock &) = delete;
    MemoryBlock &operator=(const MemoryBlock &) = delete;

    BlockView view() const { return BlockView(m_data, m_size); }
    void put32(qint64 offset, quint32 v) { std::memcpy(m_data + offset, &v, 4); }
    void fillAlpha(quint8 alpha)
    {
        for (qint64 o = 4096 + 3; o < m_size; o += 4)
            m_data[o] = alpha;
    }

private:
    qint64 m_size;
    uchar *m_data;
};

ImageRules rules(quint8 alphaMode, unsigned layers)
{
    ImageRules r;
    r.alphaMode = alphaMode;
    r.layerCount = layers;
    return r;
}


constexpr int LayerW = 1920, LayerH = 1080, ReadW = 1280, ReadH = 800;
constexpr int DisplayW = 800, DisplayH = 480;

void BM_Memcpy(benchmark::State &state)
{
    const size_t bytes = size_t(state.range(0));
    CopyBaseline &b = CopyBaseline::instance();
    for (auto _ : state)
        b.copy(bytes);
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(bytes));
}
BENCHMARK(BM_Memcpy)->Arg(ReadW * ReadH * 4)->Arg(3 * DisplayW * DisplayH * 4)->Unit(benchmark::kMicrosecond);

// readImage of a w x h rectangle from a 1920 x 1080 true-colour layer.
void readTrueColor(benchmark::State &state, int transMode, quint8 alphaMode)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    MemoryBlock block(LayerW, LayerH, 0, qint64(LayerW) * LayerH * 4);
    block.put32(simlink::Offset::TransMode, quint32(transMode));
    block.put32(simlink::Offset::LayerAlpha, 0x80);
    block.put32(simlink::Offset::KeyColorMin, 0x000000);
    block.put32(simlink::Offset::KeyColorMax, 0x7F7F7F);
    const LayerLayout layout = visibleLayerLayout(block.view());
    const ImageRules r = rules(alphaMode, 2);
    for (auto _ : state) {
        CImage image = readLayerImage(layout, {}, r, 100, 100, 100 + w - 1, 100 + h - 1);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * w * h * 4);
}
void BM_ReadWrapped(benchmark::State &state) { readTrueColor(state, 0, 255); }
void BM_ReadConstantAlpha(benchmark::State &state) { readTrueColor(state, 2, 0); }
void BM_ReadColorKey(benchmark::State &state) { readTrueColor(state, 1, 255); }
BENCHMARK(BM_ReadWrapped)->Args({ReadW, ReadH})->Args({16, 16})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadConstantAlpha)->Args({ReadW, ReadH})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadColorKey)->Args({ReadW, ReadH})->Unit(benchmark::kMicrosecond);

// An 8-bpp indexed read converted to ARGB32, as painting does.
void BM_ReadIndexedToArgb32(benchmark::State &state)
{
    MemoryBlock block(LayerW, LayerH, 256, qint64(LayerW) * LayerH);
    const LayerLayout layout = visibleLayerLayout(block.view());
    const QVector<QRgb> palette = readPalette(block.view(), 255);
    const ImageRules r = rules(255, 2);
    for (auto _ : state) {
        CImage image = readLayerImage(layout, palette, r, 100, 100, 100 + ReadW - 1, 100 + ReadH - 1).toArgb32();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * ReadW * ReadH * 4);
}
BENCHMARK(BM_ReadIndexedToArgb32)->Unit(benchmark::kMicrosecond);

// The 800 x 480 composite of an opaque, a constant-alpha and a colour-keyed layer.
void BM_Composite(benchmark::State &state)
{
    std::vector<std::unique_ptr<MemoryBlock>> blocks;
    for (int n = 0; n < 3; ++n)
        blocks.push_back(std::make_unique<MemoryBlock>(DisplayW, DisplayH, 0, qint64(DisplayW) * DisplayH * 4));
    blocks[0]->fillAlpha(255);
    blocks[0]->put32(simlink::Offset::CompositeSize, (quint32(DisplayH) << 16) | DisplayW);
    blocks[1]->put32(simlink::Offset::TransMode, 2);
    blocks[1]->put32(simlink::Offset::LayerAlpha, 0x80);
    blocks[2]->fillAlpha(255);
    blocks[2]->put32(simlink::Offset::TransMode, 1);
    blocks[2]->put32(simlink::Offset::KeyColorMin, 0x000000);
    blocks[2]->put32(simlink::Offset::KeyColorMax, 0xFFFF7F); // about half the pixels keyed
    QList<CompositeLayer> layers;
    for (const auto &b : blocks)
        layers.append({visibleLayerLayout(b->view()), {}});
    const ImageRules r = rules(255, 3);
    for (auto _ : state) {
        CImage image = readCompositeImage(layers, blocks[0]->view(), r, 0, 0, DisplayW - 1, DisplayH - 1);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(qint64(state.iterations()) * 3 * DisplayW * DisplayH * 4);
}
BENCHMARK(BM_Composite)->Unit(benchmark::kMicrosecond);

// pixelColor of one pixel, on a large and on a small layer.
void BM_PixelColor(benchmark::State &state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    MemoryBlock block(w, h, 0, qint64(w) * h * 4);
    block.put32(simlink::Offset::TransMode, 1);
    const LayerLayout layout = visibleLayerLayout(block.view());
    const ImageRules r = rules(0, 2);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(readPixelColor(layout, {}, r, (i * 7) % w, (i * 3) % h));
        ++i;
    }
}
BENCHMARK(BM_PixelColor)->Args({LayerW, LayerH})->Args({16, 16})->Unit(benchmark::kNanosecond);

void printRatio(const RatioReporter &r, const char *what, const std::string &name, const std::string &base,
                const char *target)
{
    const auto a = r.seconds.find(name), b = r.seconds.find(base);
    if (a == r.seconds.end() || b == r.seconds.end() || b->second <= 0)
        return;
    std::printf("  %-52s %9.4g x %s   (target: %s)\n", what, a->second / b->second, base.c_str(), target);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string copy4 = "BM_Memcpy/" + std::to_string(ReadW * ReadH * 4);
    const std::string copy3 = "BM_Memcpy/" + std::to_string(3 * DisplayW * DisplayH * 4);
    std::printf("\nRatios against memcpy of the same output bytes (buffers beyond the last-level cache):\n");
    printRatio(reporter, "readImage 1280x800, no rewriting (zero-copy)", "BM_ReadWrapped/1280/800", copy4,
               "far below 1, independent of size");
    printRatio(reporter, "readImage 1280x800 vs 16x16, no rewriting", "BM_ReadWrapped/1280/800",
               "BM_ReadWrapped/16/16", "about 1");
    printRatio(reporter, "readImage 1280x800, alpha byte 0, constant alpha", "BM_ReadConstantAlpha/1280/800", copy4,
               "<= 1.5");
    printRatio(reporter, "readImage 1280x800, colour key", "BM_ReadColorKey/1280/800", copy4, "<= 2");
    printRatio(reporter, "indexed 8-bpp 1280x800 read to ARGB32", "BM_ReadIndexedToArgb32", copy4, "<= 3");
    printRatio(reporter, "composite 800x480 of three layers", "BM_Composite", copy3, "<= 4");
    printRatio(reporter, "pixelColor on 1920x1080 vs on 16x16", "BM_PixelColor/1920/1080", "BM_PixelColor/16/16",
               "about 1");
    return 0;
}
