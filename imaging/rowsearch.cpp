// The kernels that search rows rather than convert them: where two rows
// differ (the changed-area search) and whether a row is opaque.
#include "imaging/pixelkernels.h"
#include "imaging/simdtargets.h"

#include <QtAlgorithms>

#include <cstring>

namespace imaging {

namespace {

inline quint64 load64(const uchar *p)
{
    quint64 v;
    std::memcpy(&v, p, 8);
    return v;
}

// Byte positions counted in memory order, whatever the word's byte order.
inline int firstByteOf(quint64 x)
{
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? qCountTrailingZeroBits(x) / 8 : qCountLeadingZeroBits(x) / 8;
}
inline int lastByteOf(quint64 x)
{
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 7 - qCountLeadingZeroBits(x) / 8 : 7 - qCountTrailingZeroBits(x) / 8;
}

#if defined(NOXEL_AVX2)
// 128 bytes, then 32, at a time from *i on; -1 (with *i at the bytes left)
// when no difference was found. The index lives in a local: through the
// pointer every store of a byte row could alias it.
NOXEL_TARGET_AVX2 inline __m256i differenceAvx2(const uchar *a, const uchar *b, qint64 at)
{
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + at));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + at));
    return _mm256_xor_si256(x, y);
}

NOXEL_TARGET_AVX2 qint64 forwardAvx2(const uchar *a, const uchar *b, qint64 *index, qint64 n)
{
    qint64 i = *index;
    for (; i + 128 <= n; i += 128) {
        _mm_prefetch(reinterpret_cast<const char *>(a + i + 1024), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char *>(b + i + 1024), _MM_HINT_T0);
        const __m256i d = _mm256_or_si256(_mm256_or_si256(differenceAvx2(a, b, i), differenceAvx2(a, b, i + 32)),
                        _mm256_or_si256(differenceAvx2(a, b, i + 64), differenceAvx2(a, b, i + 96)));
        if (!_mm256_testz_si256(d, d))
            break; // found within these 128 bytes by the loop below
    }
    for (; i + 32 <= n; i += 32) {
        const __m256i d = differenceAvx2(a, b, i);
        const quint32 same = quint32(_mm256_movemask_epi8(_mm256_cmpeq_epi8(d, _mm256_setzero_si256())));
        if (same != 0xFFFFFFFFu) {
            *index = i;
            return i + qCountTrailingZeroBits(~same);
        }
    }
    *index = i;
    return -1;
}

// 32 bytes at a time below *end, not below from.
NOXEL_TARGET_AVX2 qint64 backwardAvx2(const uchar *a, const uchar *b, qint64 from, qint64 *end)
{
    for (; *end - 32 >= from; *end -= 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + *end - 32));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + *end - 32));
        const quint32 same = quint32(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
        if (same != 0xFFFFFFFFu)
            return *end - 32 + 31 - qCountLeadingZeroBits(~same);
    }
    return -1;
}
#endif

// First differing byte of a and b in [from, n), or -1.
qint64 scanForward(const uchar *a, const uchar *b, qint64 from, qint64 n)
{
    qint64 i = from;
#if defined(NOXEL_AVX2)
    if (kernelSet() == KernelSet::Avx2) {
        const qint64 k = forwardAvx2(a, b, &i, n);
        if (k >= 0)
            return k;
    }
#endif
#if defined(NOXEL_SSE2)
    if (kernelSet() != KernelSet::Plain) {
        for (; i + 16 <= n; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
            const int same = _mm_movemask_epi8(_mm_cmpeq_epi8(x, y));
            if (same != 0xFFFF)
                return i + qCountTrailingZeroBits(~unsigned(same) & 0xFFFFu);
        }
    }
#endif
    for (; i + 8 <= n; i += 8) {
        const quint64 d = load64(a + i) ^ load64(b + i);
        if (d)
            return i + firstByteOf(d);
    }
    for (; i < n; ++i)
        if (a[i] != b[i])
            return i;
    return -1;
}

// Last differing byte of a and b in [from, n), searched from n down; from
// itself is known to differ.
qint64 scanBackward(const uchar *a, const uchar *b, qint64 from, qint64 n)
{
    qint64 end = n; // bytes [from, end) are still to search
#if defined(NOXEL_AVX2)
    if (kernelSet() == KernelSet::Avx2) {
        const qint64 k = backwardAvx2(a, b, from, &end);
        if (k >= 0)
            return k;
    }
#endif
#if defined(NOXEL_SSE2)
    if (kernelSet() != KernelSet::Plain) {
        for (; end - 16 >= from; end -= 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + end - 16));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + end - 16));
            const unsigned differ = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFFu;
            if (differ)
                return end - 16 + 31 - qCountLeadingZeroBits(differ);
        }
    }
#endif
    for (; end - 8 >= from; end -= 8) {
        const quint64 d = load64(a + end - 8) ^ load64(b + end - 8);
        if (d)
            return end - 8 + lastByteOf(d);
    }
    for (; end > from; --end)
        if (a[end - 1] != b[end - 1])
            return end - 1;
    return from;
}

#if defined(NOXEL_AVX2)
// 32 pixels a step; *i is left at the pixels not tested yet.
NOXEL_TARGET_AVX2 bool opaqueAvx2(const quint32 *px, qint64 *index, qint64 n)
{
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    qint64 i = *index;
    for (; i + 32 <= n; i += 32) {
        const __m256i *v = reinterpret_cast<const __m256i *>(px + i);
        const __m256i all = _mm256_and_si256(_mm256_and_si256(_mm256_loadu_si256(v), _mm256_loadu_si256(v + 1)),
                                             _mm256_and_si256(_mm256_loadu_si256(v + 2), _mm256_loadu_si256(v + 3)));
        if (!_mm256_testc_si256(all, alpha)) {
            *index = i;
            return false;
        }
    }
    *index = i;
    return true;
}
#endif

} // namespace

bool allOpaque(const quint32 *px, qint64 n)
{
    qint64 i = 0;
#if defined(NOXEL_AVX2)
    if (kernelSet() == KernelSet::Avx2 && !opaqueAvx2(px, &i, n))
        return false;
#endif
    // Four words at a time in plain code: one AND chain per word keeps the
    // loads independent.
    quint32 a = 0xFFFFFFFFu, b = a, c = a, d = a;
    for (; i + 4 <= n; i += 4) {
        a &= px[i];
        b &= px[i + 1];
        c &= px[i + 2];
        d &= px[i + 3];
    }
    for (; i < n; ++i)
        a &= px[i];
    return (a & b & c & d) >= 0xFF000000u;
}

bool findDifference(const uchar *a, const uchar *b, qint64 n, qint64 *first, qint64 *last)
{
    const qint64 f = n > 0 ? scanForward(a, b, 0, n) : -1;
    if (f < 0)
        return false;
    *first = f;
    *last = scanBackward(a, b, f, n);
    return true;
}

} // namespace imaging
