#include "imaging/pixelkernels.h"
#include "imaging/simdtargets.h"

namespace imaging {

namespace {

KernelSet detectKernelSet()
{
#if defined(NOXEL_AVX2)
    if (__builtin_cpu_supports("avx2"))
        return KernelSet::Avx2;
#endif
#if defined(NOXEL_SSE2)
    return KernelSet::Sse2;
#else
    return KernelSet::Plain;
#endif
}

KernelSet &activeSet()
{
    static KernelSet set = qEnvironmentVariableIntValue("NOXEL_PLAIN_KERNELS") == 1 ? KernelSet::Plain
                                                                                  : bestKernelSet();
    return set;
}

inline quint32 load32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

#if defined(NOXEL_SSE2)
// byteMul on four pixels: each 16-bit lane holds one channel times one alpha,
// with the same rounding.
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

// Premultiplied x (alpha kept) and source-over of it onto d.
inline __m128i premultiply4(__m128i x, __m128i alpha16)
{
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    return _mm_or_si128(_mm_andnot_si128(alphaMask, byteMul4(x, alpha16)), _mm_and_si128(x, alphaMask));
}
inline __m128i premultiplyBlend4(__m128i x, __m128i d)
{
    const __m128i a = alphaLanes(x);
    return _mm_add_epi32(premultiply4(x, a), byteMul4(d, _mm_sub_epi16(_mm_set1_epi16(255), a)));
}
#endif

#if defined(NOXEL_AVX2)
NOXEL_TARGET_AVX2 inline __m256i byteMul8(__m256i x, __m256i alpha16)
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

NOXEL_TARGET_AVX2 inline __m256i alphaLanes8(__m256i p)
{
    __m256i a = _mm256_srli_epi16(p, 8);
    a = _mm256_shufflelo_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
    return _mm256_shufflehi_epi16(a, _MM_SHUFFLE(3, 3, 1, 1));
}

#endif

// The paint row operations. Each is one pixel step at three widths (plain,
// four lanes, eight lanes) that runRow() drives over a row. A step of a
// blending operation reads out; for those runRow() stores a group of sources
// that are all opaque as they are and leaves out alone under a group whose
// source words all have (word & Op::ClearMask) == 0, which is exactly what
// the full step gives there (byteMul by 0 gives 0, by 255 keeps the value)
// but skips the multiplications: a layer is mostly opaque or transparent.
struct PremultiplyOp
{
    static constexpr bool Blends = false;
    static constexpr quint32 ClearMask = 0;
    static quint32 one(quint32 s, quint32) { return premultiply(s); }
#if defined(NOXEL_SSE2)
    static __m128i four(__m128i s, __m128i) { return premultiply4(s, alphaLanes(s)); }
#endif
#if defined(NOXEL_AVX2)
    NOXEL_TARGET_AVX2 static __m256i eight(__m256i s, __m256i)
    {
        const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
        return _mm256_or_si256(_mm256_andnot_si256(alphaMask, byteMul8(s, alphaLanes8(s))),
                               _mm256_and_si256(s, alphaMask));
    }
#endif
};

// Premultiplied source over out: a source of alpha 0 leaves out alone only
// when it is 0 as a whole.
struct BlendPremultipliedOp
{
    static constexpr bool Blends = true;
    static constexpr quint32 ClearMask = 0xFFFFFFFFu;
    static quint32 one(quint32 p, quint32 d) { return blendPremultiplied(p, d); }
#if defined(NOXEL_SSE2)
    static __m128i four(__m128i p, __m128i d)
    {
        return _mm_add_epi32(p, byteMul4(d, _mm_sub_epi16(_mm_set1_epi16(255), alphaLanes(p))));
    }
#endif
#if defined(NOXEL_AVX2)
    NOXEL_TARGET_AVX2 static __m256i eight(__m256i p, __m256i d)
    {
        return _mm256_add_epi32(p, byteMul8(d, _mm256_sub_epi16(_mm256_set1_epi16(255), alphaLanes8(p))));
    }
#endif
};

// Non-premultiplied source over out: alpha 0 leaves out alone.
struct PremultiplyBlendOp
{
    static constexpr bool Blends = true;
    static constexpr quint32 ClearMask = 0xFF000000u;
    static quint32 one(quint32 s, quint32 d) { return blendPixel(s, d); }
#if defined(NOXEL_SSE2)
    static __m128i four(__m128i s, __m128i d) { return premultiplyBlend4(s, d); }
#endif
#if defined(NOXEL_AVX2)
    NOXEL_TARGET_AVX2 static __m256i eight(__m256i s, __m256i d)
    {
        const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
        const __m256i a = alphaLanes8(s);
        const __m256i p =
            _mm256_or_si256(_mm256_andnot_si256(alphaMask, byteMul8(s, a)), _mm256_and_si256(s, alphaMask));
        return _mm256_add_epi32(p, byteMul8(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a)));
    }
#endif
};

#if defined(NOXEL_AVX2)
// Eight pixels at a time; returns how many pixels it did.
template<typename Op>
NOXEL_TARGET_AVX2 qint64 runRowAvx2(const quint32 *src, quint32 *out, qint64 n)
{
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i clearMask = _mm256_set1_epi32(int(Op::ClearMask));
    qint64 k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + k));
        __m256i *o = reinterpret_cast<__m256i *>(out + k);
        if constexpr (Op::Blends) {
            if (_mm256_testc_si256(s, alphaMask)) { // every alpha 255
                _mm256_storeu_si256(o, s);
                continue;
            }
            if (_mm256_testz_si256(s, clearMask))
                continue;
        }
        const __m256i d = Op::Blends ? _mm256_loadu_si256(o) : _mm256_setzero_si256();
        _mm256_storeu_si256(o, Op::eight(s, d));
    }
    return k;
}
#endif

// The row in the widest kernel set in use, the rest pixel by pixel.
template<typename Op>
void runRow(const quint32 *src, quint32 *out, qint64 n)
{
    qint64 k = 0;
    const KernelSet set = kernelSet();
#if defined(NOXEL_AVX2)
    if (set == KernelSet::Avx2)
        k = runRowAvx2<Op>(src, out, n);
#endif
#if defined(NOXEL_SSE2)
    if (set != KernelSet::Plain) {
        const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
        const __m128i clearMask = _mm_set1_epi32(int(Op::ClearMask));
        const __m128i zero = _mm_setzero_si128();
        for (; k + 4 <= n; k += 4) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + k));
            __m128i *o = reinterpret_cast<__m128i *>(out + k);
            if constexpr (Op::Blends) {
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), alphaMask)) == 0xFFFF) {
                    _mm_storeu_si128(o, s);
                    continue;
                }
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, clearMask), zero)) == 0xFFFF)
                    continue;
            }
            const __m128i d = Op::Blends ? _mm_loadu_si128(o) : zero;
            _mm_storeu_si128(o, Op::four(s, d));
        }
    }
#endif
    (void)set;
    for (; k < n; ++k)
        out[k] = Op::one(src[k], Op::Blends ? out[k] : 0u);
}

} // namespace

KernelSet bestKernelSet()
{
    static const KernelSet best = detectKernelSet();
    return best;
}

KernelSet kernelSet()
{
    return activeSet();
}

void setKernelSet(KernelSet set)
{
    activeSet() = qMin(set, bestKernelSet());
}

void applyRulesRow(const uchar *src, quint32 *dst, qint64 n, const PixelRules &r)
{
    qint64 i = 0;
#if defined(NOXEL_SSE2)
    if (kernelSet() != KernelSet::Plain) {
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
            // Per byte: lower <= c <= upper, with the alpha byte always in
            // range; a pixel matches when all four bytes are in range and
            // alpha is not 0.
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
#if defined(NOXEL_SSE2)
    if (kernelSet() != KernelSet::Plain) {
        const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
        const __m128i zero = _mm_setzero_si128();
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
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), premultiplyBlend4(s, d));
        }
    }
#endif
    for (; i < n; ++i)
        dst[i] = blendPixel(load32(src + 4 * i), dst[i]);
}

void premultiplyRow(const quint32 *src, quint32 *out, qint64 n)
{
    runRow<PremultiplyOp>(src, out, n);
}

void blendPremultipliedRow(const quint32 *p, quint32 *out, qint64 n)
{
    runRow<BlendPremultipliedOp>(p, out, n);
}

void premultiplyBlendRow(const quint32 *src, quint32 *out, qint64 n)
{
    runRow<PremultiplyBlendOp>(src, out, n);
}

} // namespace imaging
