#include "paint/magnify.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Eight pixels at a time where the processor has AVX2 (chosen at run time).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define NOXEL_PAINT_AVX2 1
#include <immintrin.h>
#endif

namespace {

// About 256 KiB of band buffer: composed rows stay in the cache between
// composing and copying them to the device.
constexpr qint64 BandPixels = 64 * 1024;

#if defined(__SSE2__)
// Four pixels at a time with the same rounding as byteMul: each 16-bit lane
// holds one channel times one alpha.
inline __m128i byteMul4(__m128i x, __m128i alpha16)
{
    const __m128i mask = _mm_set1_epi32(0x00FF00FF);
    const __m128i half = _mm_set1_epi16(0x80);
    __m128i ag = _mm_srli_epi16(x, 8);
    __m128i rb = _mm_and_si128(x, mask);
    ag = _mm_mullo_epi16(ag, alpha16);
    rb = _mm_mullo_epi16(rb, alpha16);
    rb = _mm_add_epi16(rb, _mm_srli_epi16(rb, 8));
    ag = _mm_add_epi16(ag, _mm_srli_epi16(ag, 8));
    rb = _mm_srli_epi16(_mm_add_epi16(rb, half), 8);
    ag = _mm_andnot_si128(mask, _mm_add_epi16(ag, half));
    return _mm_or_si128(ag, rb);
}

// Each pixel's alpha in both 16-bit lanes of the pixel.
inline __m128i alphaLanes(__m128i p)
{
    __m128i a = _mm_srli_epi16(p, 8);
    a = _mm_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
    return _mm_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
}
#endif

#if defined(NOXEL_PAINT_AVX2)
__attribute__((target("avx2"))) inline __m256i byteMul8(__m256i x, __m256i alpha16)
{
    const __m256i mask = _mm256_set1_epi32(0x00FF00FF);
    const __m256i half = _mm256_set1_epi16(0x80);
    __m256i ag = _mm256_srli_epi16(x, 8);
    __m256i rb = _mm256_and_si256(x, mask);
    ag = _mm256_mullo_epi16(ag, alpha16);
    rb = _mm256_mullo_epi16(rb, alpha16);
    rb = _mm256_add_epi16(rb, _mm256_srli_epi16(rb, 8));
    ag = _mm256_add_epi16(ag, _mm256_srli_epi16(ag, 8));
    rb = _mm256_srli_epi16(_mm256_add_epi16(rb, half), 8);
    ag = _mm256_andnot_si256(mask, _mm256_add_epi16(ag, half));
    return _mm256_or_si256(ag, rb);
}

__attribute__((target("avx2"))) inline __m256i alphaLanes8(__m256i p)
{
    __m256i a = _mm256_srli_epi16(p, 8);
    a = _mm256_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
    return _mm256_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
}

// The three row operations below, eight pixels at a time; each returns how
// many pixels it did, the rest is left to the caller.
__attribute__((target("avx2"))) int premultiplyRowAvx2(const quint32 *src, quint32 *out, int n)
{
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + k));
        const __m256i m = byteMul8(x, alphaLanes8(x));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k),
                            _mm256_or_si256(_mm256_andnot_si256(alphaMask, m), _mm256_and_si256(x, alphaMask)));
    }
    return k;
}

__attribute__((target("avx2"))) int blendRowAvx2(const quint32 *p, quint32 *out, int n)
{
    const __m256i full = _mm256_set1_epi16(255);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i src = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + k));
        const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(out + k));
        const __m256i inv = _mm256_sub_epi16(full, alphaLanes8(src));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k), _mm256_add_epi32(src, byteMul8(dst, inv)));
    }
    return k;
}

__attribute__((target("avx2"))) int premultiplyBlendRowAvx2(const quint32 *src, quint32 *out, int n)
{
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i full = _mm256_set1_epi16(255);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + k));
        const __m256i a = alphaLanes8(x);
        const __m256i p = _mm256_or_si256(_mm256_andnot_si256(alphaMask, byteMul8(x, a)), _mm256_and_si256(x, alphaMask));
        const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(out + k));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k),
                            _mm256_add_epi32(p, byteMul8(dst, _mm256_sub_epi16(full, a))));
    }
    return k;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

// Premultiplies n ARGB32 pixels (qPremultiply's rounding).
void premultiplyRow(const quint32 *src, quint32 *out, int n)
{
    int k = 0;
#if defined(NOXEL_PAINT_AVX2)
    if (haveAvx2())
        k = premultiplyRowAvx2(src, out, n);
#endif
#if defined(__SSE2__)
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    for (; k + 4 <= n; k += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + k));
        const __m128i m = byteMul4(x, alphaLanes(x));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k),
                         _mm_or_si128(_mm_andnot_si128(alphaMask, m), _mm_and_si128(x, alphaMask)));
    }
#endif
    for (; k < n; ++k)
        out[k] = qPremultiply(src[k]);
}

// out[k] = p[k] source-over out[k] for n pixels.
void blendRow(const quint32 *p, quint32 *out, int n)
{
    int k = 0;
#if defined(NOXEL_PAINT_AVX2)
    if (haveAvx2())
        k = blendRowAvx2(p, out, n);
#endif
#if defined(__SSE2__)
    const __m128i full = _mm_set1_epi16(255);
    for (; k + 4 <= n; k += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + k));
        const __m128i inv = _mm_sub_epi16(full, alphaLanes(src));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), _mm_add_epi32(src, byteMul4(dst, inv)));
    }
#endif
    for (; k < n; ++k)
        out[k] = p[k] + byteMul(out[k], 255u - (p[k] >> 24));
}

// out[k] = premultiplied src[k] source-over out[k], ARGB32 source, in one pass.
void premultiplyBlendRow(const quint32 *src, quint32 *out, int n)
{
    int k = 0;
#if defined(NOXEL_PAINT_AVX2)
    if (haveAvx2())
        k = premultiplyBlendRowAvx2(src, out, n);
#endif
#if defined(__SSE2__)
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i full = _mm_set1_epi16(255);
    for (; k + 4 <= n; k += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + k));
        const __m128i a = alphaLanes(x);
        const __m128i p = _mm_or_si128(_mm_andnot_si128(alphaMask, byteMul4(x, a)), _mm_and_si128(x, alphaMask));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(out + k));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), _mm_add_epi32(p, byteMul4(dst, _mm_sub_epi16(full, a))));
    }
#endif
    for (; k < n; ++k) {
        const quint32 p = qPremultiply(src[k]);
        out[k] = p + byteMul(out[k], 255u - (p >> 24));
    }
}

// Floor division for the grid and image arithmetic (positions may lie left of
// the origin).
inline qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// The widget rectangle the image covers, clipped to clip; 64-bit so that a
// huge image or scale cannot overflow.
QRect imageArea(const MagnifyScene &s, const QRect &clip)
{
    if (s.image.isNull() || s.scale < 1 || clip.isEmpty())
        return QRect();
    const qint64 x0 = qMax<qint64>(s.imagePos.x(), clip.left());
    const qint64 y0 = qMax<qint64>(s.imagePos.y(), clip.top());
    const qint64 x1 = qMin<qint64>(qint64(s.imagePos.x()) + qint64(s.image.width()) * s.scale - 1, clip.right());
    const qint64 y1 = qMin<qint64>(qint64(s.imagePos.y()) + qint64(s.image.height()) * s.scale - 1, clip.bottom());
    if (x1 < x0 || y1 < y0)
        return QRect();
    return QRect(QPoint(int(x0), int(y0)), QPoint(int(x1), int(y1)));
}

bool gridShown(const MagnifyScene &s)
{
    return s.grid && s.zoom >= 3;
}

// The image in a format the row compositor reads directly.
const QImage &readableImage(const MagnifyScene &s, MagnifyCache &cache)
{
    switch (s.image.format()) {
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB32:
        return s.image;
    case QImage::Format_Indexed8: {
        // Premultiplied table of 256 entries; indices without an entry
        // show as transparent.
        const QVector<QRgb> table = s.image.colorTable();
        cache.lut.resize(256);
        for (int i = 0; i < 256; ++i)
            cache.lut[i] = i < table.size() ? qPremultiply(table[i]) : 0u;
        return s.image;
    }
    default:
        cache.converted = s.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return cache.converted;
    }
}

// One row of the image as premultiplied pixels, for source columns
// [first, last].
struct SourceRow
{
    QImage::Format format;
    const uchar *line;
    const quint32 *lut;

    void premultiply(int first, int n, quint32 *out) const
    {
        const quint32 *px = reinterpret_cast<const quint32 *>(line) + first;
        switch (format) {
        case QImage::Format_Indexed8:
            for (int k = 0; k < n; ++k)
                out[k] = lut[line[first + k]];
            break;
        case QImage::Format_ARGB32:
            premultiplyRow(px, out, n);
            break;
        case QImage::Format_RGB32:
            for (int k = 0; k < n; ++k)
                out[k] = px[k] | 0xFF000000u;
            break;
        default:
            std::memcpy(out, px, size_t(n) * 4);
            break;
        }
    }
};

// Prepared background of one compose call: expanded tile rows for the
// columns of the composed rectangle, one per class of identical tile rows.
struct Backdrop
{
    MagnifyScene::Background kind = MagnifyScene::NoBackground;
    quint32 solid = 0xFF000000u;
    int tileWidth = 0;
    int tileHeight = 0;
    const int *rowClass = nullptr;
    const quint32 *rows = nullptr; // tileHeight rows of width columns
    int width = 0;

    int classOf(int y) const { return kind == MagnifyScene::TiledBackground ? rowClass[y % tileHeight] : 0; }
    void fill(quint32 *out, int y) const
    {
        if (kind == MagnifyScene::TiledBackground)
            std::memcpy(out, rows + qint64(classOf(y)) * width, size_t(width) * 4);
        else
            std::fill(out, out + width, solid);
    }
};

Backdrop prepareBackdrop(const MagnifyScene &s, const QRect &c, MagnifyCache &cache)
{
    Backdrop b;
    b.kind = s.background;
    b.width = c.width();
    // Without a background the composed rectangle lies under an opaque
    // image; black keeps a broken promise deterministic.
    b.solid = b.kind == MagnifyScene::SolidBackground ? (s.solidColor | 0xFF000000u) : 0xFF000000u;
    if (b.kind != MagnifyScene::TiledBackground)
        return b;
    QImage tile = s.tile;
    if (tile.isNull()) {
        b.kind = MagnifyScene::SolidBackground;
        b.solid = 0xFF000000u;
        return b;
    }
    if (tile.format() != QImage::Format_ARGB32_Premultiplied)
        tile = tile.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int tw = tile.width();
    const int th = tile.height();
    if (cache.tileKey != s.tile.cacheKey() || cache.tileRowClass.size() != th) {
        cache.tileRowClass.resize(th);
        for (int r = 0; r < th; ++r) {
            cache.tileRowClass[r] = r;
            for (int q = 0; q < r; ++q) {
                if (std::memcmp(tile.constScanLine(q), tile.constScanLine(r), size_t(tw) * 4) == 0) {
                    cache.tileRowClass[r] = cache.tileRowClass[q];
                    break;
                }
            }
        }
        cache.tileKey = s.tile.cacheKey();
    }
    cache.tileRows.resize(qsizetype(th) * b.width);
    for (int r = 0; r < th; ++r) {
        if (cache.tileRowClass[r] != r)
            continue;
        const quint32 *src = reinterpret_cast<const quint32 *>(tile.constScanLine(r));
        quint32 *out = cache.tileRows.data() + qint64(r) * b.width;
        int tx = c.left() % tw;
        for (int i = 0; i < b.width; ++i) {
            out[i] = src[tx] | 0xFF000000u;
            if (++tx == tw)
                tx = 0;
        }
    }
    b.tileWidth = tw;
    b.tileHeight = th;
    b.rowClass = cache.tileRowClass.constData();
    b.rows = cache.tileRows.constData();
    return b;
}

// Writes n output pixels, each source pixel repeated scale times; the first
// source pixel's run starts skip pixels before the first output.
void expandRow(const quint32 *src, quint32 *out, int skip, int scale, int n)
{
    quint32 *o = out;
    quint32 *const end = out + n;
    // The first, possibly partial, run.
    const int head = qMin(scale - skip, n);
    std::fill(o, o + head, *src++);
    o += head;
    switch (scale) {
    case 2:
        for (; end - o >= 2; o += 2, ++src)
            o[0] = o[1] = *src;
        break;
    case 4:
        for (; end - o >= 4; o += 4, ++src)
            o[0] = o[1] = o[2] = o[3] = *src;
        break;
    default:
        for (; end - o >= scale; o += scale, ++src)
            std::fill(o, o + scale, *src);
        break;
    }
    // The last, partial, run (none when the output ended on a run's end:
    // then src points past the row and must not be read).
    if (o < end)
        std::fill(o, end, *src);
}

// Draws source row pixels over out (columns [area.left, area.right] of the
// widget; out[0] is widget column x0), each source pixel covering scale
// output pixels. The source row is premultiplied and magnified into the
// output's resolution, then blended in one pass without branches (exact
// also for opaque and transparent pixels: byteMul by 0 gives 0, by 255
// keeps the value, as the raster engine's shortcuts do).
void blendSourceRow(quint32 *out, int x0, const QRect &area, const MagnifyScene &s, const SourceRow &row,
                    MagnifyCache &cache)
{
    const int scale = s.scale;
    const int dx = s.imagePos.x();
    const int xBegin = area.left();
    const int xEnd = area.right();
    const int n = xEnd - xBegin + 1;
    const int first = int(floorDiv(qint64(xBegin) - dx, scale));
    const int last = int(floorDiv(qint64(xEnd) - dx, scale));
    const int count = last - first + 1;
    // An opaque image replaces the background: no blend at all.
    const bool opaque = s.imageOpaque;
    quint32 *target = out + (xBegin - x0);
    if (opaque && scale == 1) {
        row.premultiply(first, count, target);
        return;
    }
    if (scale == 1 && row.format == QImage::Format_ARGB32) {
        premultiplyBlendRow(reinterpret_cast<const quint32 *>(row.line) + first, target, n);
        return;
    }
    cache.premultiplied.resize(qsizetype(count) + (scale > 1 && !opaque ? n : 0));
    quint32 *pm = cache.premultiplied.data();
    const quint32 *src = pm;
    if (row.format == QImage::Format_ARGB32_Premultiplied)
        src = reinterpret_cast<const quint32 *>(row.line) + first; // already premultiplied
    else
        row.premultiply(first, count, pm);
    if (scale == 1) {
        blendRow(src, target, n);
        return;
    }
    quint32 *wide = opaque ? target : pm + count;
    expandRow(src, wide, int(qint64(xBegin) - dx - qint64(first) * scale), scale, n);
    if (!opaque)
        blendRow(wide, target, n);
}

// Row classes of the grid: none (grid off or above the origin), a horizontal
// line row, or a row crossed only by the vertical lines.
enum GridRow { NoGridRow = 0, LineRow = 1, ColumnRow = 2 };

GridRow gridRowOf(const MagnifyScene &s, bool gridOn, int y)
{
    if (!gridOn || y < s.origin.y())
        return NoGridRow;
    return ((y - s.origin.y()) % s.zoom == 0) ? LineRow : ColumnRow;
}

void applyGridRow(quint32 *out, int x0, int x1, const MagnifyScene &s, GridRow kind)
{
    if (kind == NoGridRow)
        return;
    const int start = qMax(x0, s.origin.x());
    if (start > x1)
        return;
    const bool invert = s.gridMode == 1;
    const quint32 colour = s.gridColor | 0xFF000000u;
    if (kind == LineRow) {
        quint32 *o = out + (start - x0);
        quint32 *e = out + (x1 - x0) + 1;
        if (invert) {
            for (; o != e; ++o)
                *o ^= 0x00FFFFFFu;
        } else {
            std::fill(o, e, colour);
        }
        return;
    }
    const int z = s.zoom;
    const qint64 k = floorDiv(qint64(start) - s.origin.x() + z - 1, z);
    for (qint64 x = qint64(s.origin.x()) + k * z; x <= x1; x += z) {
        quint32 &o = out[x - x0];
        o = invert ? (o ^ 0x00FFFFFFu) : colour;
    }
}

QImage::Format deviceFormat(QPainter &painter)
{
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (device && device->devType() == QInternal::Image
        && static_cast<QImage *>(device)->format() == QImage::Format_RGB32)
        return QImage::Format_RGB32;
    return QImage::Format_ARGB32_Premultiplied;
}

void ensureBand(MagnifyCache &cache, int width, int rows, QImage::Format format)
{
    if (cache.band.format() != format || cache.band.width() < width || cache.band.height() < rows)
        cache.band = QImage(width, rows, format);
}

int bandRowsFor(int width, int height)
{
    return int(qBound<qint64>(1, BandPixels / qMax(1, width), qint64(height)));
}

// Composes rectangle c completely (background, image, grid) and copies it to
// the device. With no background the image must cover c and be opaque.
void composeRect(QPainter &painter, const QRect &c, const MagnifyScene &s, MagnifyCache &cache, bool gridOn)
{
    const QImage &img = readableImage(s, cache);
    const Backdrop backdrop = prepareBackdrop(s, c, cache);
    const QRect area = imageArea(s, c);
    const int width = c.width();
    const int bandRows = bandRowsFor(width, c.height());
    ensureBand(cache, width, bandRows, deviceFormat(painter));

    SourceRow row{img.format(), nullptr, cache.lut.constData()};
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);

    struct Recent { qint64 key; const quint32 *line; };
    for (int y0 = c.top(); y0 <= c.bottom(); y0 += bandRows) {
        const int rows = qMin(bandRows, c.bottom() - y0 + 1);
        Recent recent[4];
        int recentCount = 0;
        int recentNext = 0;
        for (int r = 0; r < rows; ++r) {
            const int y = y0 + r;
            quint32 *out = reinterpret_cast<quint32 *>(cache.band.scanLine(r));
            const bool inImage = y >= area.top() && y <= area.bottom() && !area.isEmpty();
            const qint64 srcRow = inImage ? floorDiv(qint64(y) - s.imagePos.y(), s.scale) : -1;
            const GridRow gridRow = gridRowOf(s, gridOn, y);
            const qint64 key = ((srcRow + 1) << 20) | (qint64(backdrop.classOf(y)) << 2) | gridRow;
            const quint32 *same = nullptr;
            for (int q = 0; q < recentCount; ++q)
                if (recent[q].key == key)
                    same = recent[q].line;
            if (same) {
                std::memcpy(out, same, size_t(width) * 4);
                continue;
            }
            // An opaque image that covers the row replaces the background.
            if (!inImage || !s.imageOpaque || area.left() > c.left() || area.right() < c.right())
                backdrop.fill(out, y);
            if (inImage) {
                row.line = img.constScanLine(int(srcRow));
                blendSourceRow(out, c.left(), area, s, row, cache);
            }
            applyGridRow(out, c.left(), c.right(), s, gridRow);
            recent[recentNext] = {key, out};
            recentNext = (recentNext + 1) % 4;
            recentCount = qMin(recentCount + 1, 4);
        }
        painter.drawImage(QPoint(c.left(), y0), cache.band, QRect(0, 0, width, rows));
    }
    painter.setCompositionMode(mode);
}

// Magnifies the image over rectangle a (inside the image) without a
// background and draws it source-over onto what the device holds.
void blendImageRect(QPainter &painter, const QRect &a, const MagnifyScene &s, MagnifyCache &cache)
{
    const QImage &img = readableImage(s, cache);
    const int width = a.width();
    const int bandRows = bandRowsFor(width, a.height());
    ensureBand(cache, width, bandRows, QImage::Format_ARGB32_Premultiplied);
    SourceRow row{img.format(), nullptr, cache.lut.constData()};
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (int y0 = a.top(); y0 <= a.bottom(); y0 += bandRows) {
        const int rows = qMin(bandRows, a.bottom() - y0 + 1);
        for (int r = 0; r < rows; ++r) {
            const int y = y0 + r;
            quint32 *out = reinterpret_cast<quint32 *>(cache.band.scanLine(r));
            std::fill(out, out + width, 0u);
            row.line = img.constScanLine(int(floorDiv(qint64(y) - s.imagePos.y(), s.scale)));
            blendSourceRow(out, a.left(), a, s, row, cache);
        }
        painter.drawImage(QPoint(a.left(), y0), cache.band, QRect(0, 0, width, rows));
    }
    painter.setCompositionMode(mode);
}

// Background, image and grid of rectangle e through the painter, for an
// image drawn without magnification.
void paintUnmagnified(QPainter &painter, const QRect &e, const QRect &area, const MagnifyScene &s,
                      MagnifyCache &cache)
{
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (s.background == MagnifyScene::SolidBackground) {
        painter.fillRect(e, QColor::fromRgb(s.solidColor | 0xFF000000u));
    } else if (s.tile.isNull()) {
        painter.fillRect(e, Qt::black);
    } else {
        // A pre-tiled background, copied rather than filled with a texture:
        // the tiles stay anchored at widget (0, 0) by starting the copy at
        // the exposed corner's offset within the tile.
        const int tw = s.tile.width();
        const int th = s.tile.height();
        const QSize need(e.width() + tw, e.height() + th);
        if (cache.tiled.width() < need.width() || cache.tiled.height() < need.height()
            || cache.tiledKey != s.tile.cacheKey()) {
            cache.tiled = QImage(need.expandedTo(cache.tiled.size()), QImage::Format_ARGB32_Premultiplied);
            cache.tiled.fill(0);
            QPainter fill(&cache.tiled);
            fill.fillRect(cache.tiled.rect(), QBrush(s.tile));
            cache.tiledKey = s.tile.cacheKey();
        }
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(e.topLeft(), cache.tiled, QRect(QPoint(e.x() % tw, e.y() % th), e.size()));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!area.isEmpty())
        painter.drawImage(area.topLeft(), s.image, area.translated(-s.imagePos));
    painter.setCompositionMode(mode);
    paintGridRect(painter, e, s);
}

UnmagnifiedPath unmagnifiedPath = UnmagnifiedPath::Automatic;

bool useRasterEngineUnmagnified()
{
    switch (unmagnifiedPath) {
    case UnmagnifiedPath::RasterEngine:
        return true;
    case UnmagnifiedPath::Compositor:
        return false;
    case UnmagnifiedPath::Automatic:
        break;
    }
#if defined(NOXEL_PAINT_AVX2)
    return !haveAvx2();
#else
    return true;
#endif
}

} // namespace

void setUnmagnifiedPath(UnmagnifiedPath path)
{
    unmagnifiedPath = path;
}

void paintGridRect(QPainter &painter, const QRect &rect, const MagnifyScene &s)
{
    if (!gridShown(s) || rect.isEmpty())
        return;
    const int z = s.zoom;
    const int ox = s.origin.x();
    const int oy = s.origin.y();
    const int left = qMax(rect.left(), ox);
    const int top = qMax(rect.top(), oy);
    if (left > rect.right() || top > rect.bottom())
        return;
    const QPainter::CompositionMode mode = painter.compositionMode();
    const bool invert = s.gridMode == 1;
    QColor colour;
    if (invert) {
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        colour = Qt::black;
    } else {
        colour = QColor::fromRgb(s.gridColor | 0xFF000000u);
    }
    const qint64 firstRow = qint64(oy) + floorDiv(qint64(top) - oy + z - 1, z) * z;
    const qint64 firstCol = qint64(ox) + floorDiv(qint64(left) - ox + z - 1, z) * z;
    for (qint64 y = firstRow; y <= rect.bottom(); y += z)
        painter.fillRect(QRect(left, int(y), rect.right() - left + 1, 1), colour);
    for (qint64 x = firstCol; x <= rect.right(); x += z) {
        if (!invert) {
            painter.fillRect(QRect(int(x), top, 1, rect.bottom() - top + 1), colour);
            continue;
        }
        // Pieces between the horizontal lines, so no crossing is inverted twice.
        for (qint64 k = floorDiv(qint64(top) - oy, z); qint64(oy) + k * z <= rect.bottom(); ++k) {
            const qint64 a = qMax<qint64>(qint64(oy) + k * z + 1, top);
            const qint64 b = qMin<qint64>(qint64(oy) + (k + 1) * z - 1, rect.bottom());
            if (a <= b)
                painter.fillRect(QRect(int(x), int(a), 1, int(b - a + 1)), colour);
        }
    }
    painter.setCompositionMode(mode);
}

void paintMagnified(QPainter &painter, const QRect &exposed, const MagnifyScene &s, MagnifyCache &cache)
{
    const QRect e = exposed & QRect(QPoint(0, 0), s.widgetSize);
    if (e.isEmpty())
        return;
    const bool gridOn = gridShown(s);
    const QRect area = imageArea(s, e);
    if (s.background != MagnifyScene::NoBackground) {
        if (s.scale == 1 && !s.imageOpaque && useRasterEngineUnmagnified()) {
            // Unmagnified without eight-pixel arithmetic: the raster engine's
            // own fill and blend (which it may spread over several threads)
            // are the fastest way to the same pixels.
            paintUnmagnified(painter, e, area, s, cache);
        } else {
            composeRect(painter, e, s, cache, gridOn);
        }
        return;
    }
    // Without a background only an opaque image fixes its pixels; elsewhere
    // the image blends with what lies beneath and the grid is drawn on top.
    QRegion rest(e);
    if (!area.isEmpty()) {
        if (s.imageOpaque) {
            composeRect(painter, area, s, cache, gridOn);
            rest -= QRegion(area);
        } else {
            blendImageRect(painter, area, s, cache);
        }
    }
    if (gridOn) {
        for (const QRect &r : rest)
            paintGridRect(painter, r, s);
    }
}
