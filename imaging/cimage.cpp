#include "imaging/cimage.h"

#include "imaging/layerimage.h"
#include "imaging/pixelkernels.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>

using imaging::PixelRules;

namespace {

// The formats whose pixels are one QRgb word each.
bool isRgbWord(QImage::Format f)
{
    return f == QImage::Format_ARGB32 || f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

// Runs the rules over every pixel of a 32-bit image. bits() detaches, so an
// image that wraps foreign read-only memory is rewritten in its own copy.
void rewrite(QImage &image, const PixelRules &rules)
{
    if (image.isNull() || !isRgbWord(image.format()))
        return;
    const int w = image.width();
    const int h = image.height();
    uchar *bits = image.bits();
    if (!bits)
        return;
    const qsizetype bpl = image.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<quint32 *>(bits + bpl * y);
        imaging::applyRulesRow(reinterpret_cast<const uchar *>(line), line, w, rules);
    }
}

// Clamps a layer coordinate, shifted into image coordinates, to a range just
// around the image so that region arithmetic cannot overflow; a rectangle
// that lies beyond an edge stays beyond it.
int clampAround(qint64 v, int extent)
{
    return int(std::clamp<qint64>(v, -1, qint64(extent)));
}

} // namespace

CImage::CImage() = default;

CImage::CImage(const QImage &image, int l, int t, int r, int b)
    : QImage(image), left(l), top(t), right(r), bottom(b)
{
}

CImage::~CImage() = default;

void CImage::invertAlpha()
{
    PixelRules rules;
    rules.invert = true;
    rewrite(*this, rules);
}

void CImage::setAlpha(int alpha)
{
    PixelRules rules;
    rules.mode = PixelRules::SetAlpha;
    rules.alpha = quint32(alpha) & 0xFFu;
    rewrite(*this, rules);
}

void CImage::clearColorRange(QRgb lower, QRgb upper)
{
    if (isNull())
        return;
    if (colorCount() != 0) {
        // Only the entries that some pixel uses change, so every pixel of a
        // matching index becomes transparent and the pixels keep their indices.
        if (format() != QImage::Format_Indexed8)
            return;
        bool used[256] = {};
        const int w = width();
        const int h = height();
        for (int y = 0; y < h; ++y) {
            const uchar *line = constScanLine(y);
            for (int x = 0; x < w; ++x)
                used[line[x]] = true;
        }
        QVector<QRgb> table = colorTable();
        bool changed = false;
        for (int i = 0; i < table.size() && i < 256; ++i) {
            if (!used[i])
                continue;
            const QRgb keyed = imaging::keyPixel(table[i], lower, upper);
            if (keyed != table[i]) {
                table[i] = keyed;
                changed = true;
            }
        }
        if (changed)
            setColorTable(table);
        return;
    }
    PixelRules rules;
    rules.mode = PixelRules::ColorKey;
    rules.keyLower = lower;
    rules.keyUpper = upper;
    rewrite(*this, rules);
}

CImage CImage::toArgb32() const
{
    // An indexed image within the size limit may be four times over it
    // once converted: such a conversion gives a null image.
    if (isNull() || qint64(width()) * 4 > MaxImageBytes / std::max(height(), 1))
        return CImage();
    return CImage(convertToFormat(QImage::Format_ARGB32), left, top, right, bottom);
}

void CImage::shadeOutside(int l, int t, int r, int b)
{
    if (isNull())
        return;
    const int w = width();
    const int h = height();
    // Both rectangles in image coordinates; the given one is clamped to just
    // around the image, which keeps what lies inside unchanged.
    const QRect own(QPoint(clampAround(qint64(left) - left, w), clampAround(qint64(top) - top, h)),
                    QPoint(clampAround(qint64(right) - left, w), clampAround(qint64(bottom) - top, h)));
    const QRect given(QPoint(clampAround(qint64(l) - left, w), clampAround(qint64(t) - top, h)),
                      QPoint(clampAround(qint64(r) - left, w), clampAround(qint64(b) - top, h)));
    const QRegion region = QRegion(own).xored(QRegion(given));
    if (region.isEmpty())
        return;
    QPainter painter(this);
    const QColor shade(0, 0, 0, 100);
    for (const QRect &rect : region)
        painter.fillRect(rect, shade);
}
