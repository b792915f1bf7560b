#include "imaging/pixelkernels.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define NOXEL_SSE2 1
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

inline quint32 load32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

#ifdef NOXEL_SSE2
// x * a / 255 per 16-bit lane, rounded as Qt rounds: (t + (t >> 8) + 0x80) >> 8.
inline __m128i mulRound(__m128i x, __m128i a)
{
    __m128i t = _mm_mullo_epi16(x, a);
    t = _mm_add_epi16(t, _mm_srli_epi16(t, 8));
    t = _mm_add_epi16(t, _mm_set1_epi16(0x80));
    return _mm_srli_epi16(t, 8);
}
// The alpha lane of each pixel (two pixels of 4 x 16 bits) copied to all four lanes.
inline __m128i broadcastAlpha(__m128i px16)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}
#endif

} // namespace

void applyRulesRow(const uchar *src, quint32 *dst, qint64 n, const PixelRules &r)
{
    qint64 i = 0;
#ifdef NOXEL_SSE2
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i invert = r.invert ? alphaMask : _mm_setzero_si128();
    switch (r.mode) {
    case PixelRules::None:
        for (; i + 4 <= n; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_xor_si128(v, invert));
        }
        break;
    case PixelRules::SetAlpha: {
        // The new alpha replaces the old, so the inversion does not matter.
        const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
        const __m128i alpha = _mm_set1_epi32(int(r.alpha << 24));
        for (; i + 4 <= n; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_or_si128(_mm_and_si128(v, rgbMask), alpha));
        }
        break;
    }
    case PixelRules::ColorKey: {
        // Per byte: lower <= c <= upper, with the alpha byte always in range;
        // a pixel matches when all four bytes are in range and alpha is not 0.
        const __m128i lower = _mm_set1_epi32(int(r.keyLower & 0x00FFFFFFu));
        const __m128i upper = _mm_set1_epi32(int((r.keyUpper & 0x00FFFFFFu) | 0xFF000000u));
        const __m128i ones = _mm_set1_epi32(-1);
        const __m128i zero = _mm_setzero_si128();
        for (; i + 4 <= n; i += 4) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i));
            v = _mm_xor_si128(v, invert);
            const __m128i inRange = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, lower), v),
                                                  _mm_cmpeq_epi8(_mm_min_epu8(v, upper), v));
            const __m128i all = _mm_cmpeq_epi32(inRange, ones);
            const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(v, alphaMask), zero);
            const __m128i match = _mm_andnot_si128(transparent, all);
            v = _mm_andnot_si128(_mm_and_si128(match, alphaMask), v);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), v);
        }
        break;
    }
    }
#endif
    for (; i < n; ++i)
        dst[i] = applyRules(load32(src + 4 * i), r);
}

void expandIndexedRow(const uchar *src, quint32 *dst, qint64 n, const quint32 *table)
{
    qint64 i = 0;
    for (; i + 4 <= n; i += 4) {
        const quint32 a = table[src[i]], b = table[src[i + 1]], c = table[src[i + 2]], d = table[src[i + 3]];
        dst[i] = a;
        dst[i + 1] = b;
        dst[i + 2] = c;
        dst[i + 3] = d;
    }
    for (; i < n; ++i)
        dst[i] = table[src[i]];
}

void blendRowOverPremultiplied(const uchar *src, quint32 *dst, qint64 n)
{
    qint64 i = 0;
#ifdef NOXEL_SSE2
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i rgbMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + 4 * i));
        const __m128i sa = _mm_and_si128(s, alphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, alphaMask)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), s);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, zero)) == 0xFFFF)
            continue;
        // Pixels of alpha 255 and 0 come out as Qt's shortcuts give them:
        // premultiply(s) + byteMul(d, 0) = s and 0 + byteMul(d, 255) = d.
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + i));
        const __m128i sLo = _mm_unpacklo_epi8(s, zero), sHi = _mm_unpackhi_epi8(s, zero);
        const __m128i aLo = broadcastAlpha(sLo), aHi = broadcastAlpha(sHi);
        __m128i ps = _mm_packus_epi16(mulRound(sLo, aLo), mulRound(sHi, aHi));
        ps = _mm_or_si128(_mm_and_si128(ps, rgbMask), sa);
        const __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
        const __m128i dd = _mm_packus_epi16(mulRound(dLo, _mm_sub_epi16(full, aLo)),
                                            mulRound(dHi, _mm_sub_epi16(full, aHi)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_add_epi32(ps, dd));
    }
#endif
    for (; i < n; ++i)
        dst[i] = blendPixel(load32(src + 4 * i), dst[i]);
}

} // namespace imaging
