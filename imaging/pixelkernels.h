#pragma once

#include <QtGlobal>
#include <QRgb>

// Row kernels shared by the layer read, the CImage operations, the
// composite and the paint widgets. Each works on a run of pixels; source
// rows may be unaligned (they lie in foreign memory at any byte offset),
// destinations are the tool's own images. Every kernel gives the same pixels
// whichever instruction set runs it.
namespace imaging {

// The instruction sets a kernel may use: plain C++, four pixels at a time
// (SSE2), eight at a time (AVX2, where the processor has it).
enum class KernelSet { Plain, Sse2, Avx2 };

// The best set this build and processor offer.
KernelSet bestKernelSet();
// The set the kernels use: the best one, or Plain when the environment
// variable NOXEL_PLAIN_KERNELS is 1 at the first call (read once, so tests
// can run the path a processor without SIMD takes).
KernelSet kernelSet();
// Replaces the set in use (tests); limited to what bestKernelSet() offers.
void setKernelSet(KernelSet set);

// The rewriting a freshly read 32-bit pixel goes through: the alpha
// convention first, then at most one transparency rule.
struct PixelRules
{
    enum Mode { None, ColorKey, SetAlpha };

    bool invert = false;   // value ^ 0xFF000000
    Mode mode = None;
    quint32 keyLower = 0;  // ColorKey: 0x00RRGGBB bounds, inclusive per channel
    quint32 keyUpper = 0;
    quint32 alpha = 255;   // SetAlpha: the new alpha byte

    bool rewrites() const { return invert || mode != None; }
};

// True when red, green and blue of v each lie within the bounds' channels.
inline bool keyMatches(quint32 v, quint32 lower, quint32 upper)
{
    for (int shift = 0; shift <= 16; shift += 8) {
        const quint32 c = (v >> shift) & 0xFFu;
        if (c < ((lower >> shift) & 0xFFu) || c > ((upper >> shift) & 0xFFu))
            return false;
    }
    return true;
}

// The colour key on one value: a matching value with alpha not 0 keeps its
// RGB bits and loses its alpha.
inline quint32 keyPixel(quint32 v, quint32 lower, quint32 upper)
{
    return ((v & 0xFF000000u) != 0 && keyMatches(v, lower, upper)) ? (v & 0x00FFFFFFu) : v;
}

inline quint32 applyRules(quint32 v, const PixelRules &r)
{
    if (r.invert)
        v ^= 0xFF000000u;
    switch (r.mode) {
    case PixelRules::ColorKey:
        return keyPixel(v, r.keyLower, r.keyUpper);
    case PixelRules::SetAlpha:
        return (r.alpha << 24) | (v & 0x00FFFFFFu);
    case PixelRules::None:
        break;
    }
    return v;
}

// dst[i] = applyRules(pixel i of src) for n pixels; src holds little-endian
// 32-bit values at any alignment. dst may equal src.
void applyRulesRow(const uchar *src, quint32 *dst, qint64 n, const PixelRules &r);

// dst[i] = table[src[i]] for n index bytes.
void expandIndexedRow(const uchar *src, quint32 *dst, qint64 n, const quint32 *table256);

// Source-over of n non-premultiplied ARGB32 pixels (little-endian words at
// any alignment) onto premultiplied ones, with the same integer rounding as
// Qt's raster engine.
void blendRowOverPremultiplied(const uchar *src, quint32 *dst, qint64 n);

// Premultiplies n ARGB32 pixels, with qPremultiply's rounding.
void premultiplyRow(const quint32 *src, quint32 *out, qint64 n);
// out[k] = p[k] source-over out[k] for n premultiplied pixels.
void blendPremultipliedRow(const quint32 *p, quint32 *out, qint64 n);
// out[k] = premultiplied src[k] source-over out[k] for n ARGB32 pixels, in
// one pass.
void premultiplyBlendRow(const quint32 *src, quint32 *out, qint64 n);

// Where two runs of n bytes differ: false when they are equal; otherwise
// *first and *last are the first and the last differing byte. The first is
// searched from the left, the last from the right down to the first, so the
// bytes between the two are not compared and an equal run costs one pass.
bool findDifference(const uchar *a, const uchar *b, qint64 n, qint64 *first, qint64 *last);

// Whether all n ARGB32 pixels have alpha 255.
bool allOpaque(const quint32 *px, qint64 n);

// Qt's premultiplication and byte multiplication (x * a / 255 per channel,
// rounded the way Qt rounds). The scalar definition every kernel matches.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xFF00FFu) * a;
    t = (t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8;
    t &= 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = x + ((x >> 8) & 0xFF00FFu) + 0x800080u;
    x &= 0xFF00FF00u;
    return x | t;
}
inline quint32 premultiply(quint32 x)
{
    const quint32 a = x >> 24;
    return (byteMul(x, a) & 0x00FFFFFFu) | (a << 24);
}
// Source-over of a premultiplied pixel onto a premultiplied pixel.
inline quint32 blendPremultiplied(quint32 p, quint32 d)
{
    return p + byteMul(d, 255u - (p >> 24));
}
// Source-over of a non-premultiplied pixel onto a premultiplied pixel.
inline quint32 blendPixel(quint32 s, quint32 d)
{
    const quint32 a = s >> 24;
    if (a == 255)
        return s;
    if (a == 0)
        return d;
    return premultiply(s) + byteMul(d, 255 - a);
}

} // namespace imaging
