#include "imaging/changemarks.h"

#include "imaging/layerimage.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr qint64 WindowMs = 2 * HeatCounts::BucketMs;

// The pixel index within area of (x, y), which must lie inside it.
qint64 indexIn(const QRect &area, int x, int y)
{
    return qint64(y - area.top()) * area.width() + (x - area.left());
}

// Calls f(x, index) for each pixel of the span (cut to area) whose bytes
// changed.
template <typename F>
void forChangedPixels(const QRect &area, const SpanBytes &span, F f)
{
    if (span.row < area.top() || span.row > area.bottom() || !span.before || !span.after)
        return;
    const int bpp = span.bytesPerPixel;
    const int first = std::max(span.first, area.left());
    const int last = std::min(span.last, area.right());
    for (int x = first; x <= last; ++x) {
        const qint64 at = qint64(x - span.first) * bpp;
        if (std::memcmp(span.before + at, span.after + at, size_t(bpp)) != 0)
            f(x, indexIn(area, x, span.row));
    }
}

// The rows of image (layer pixels image.left ... right, top ... bottom)
// that lie in area, with the column range: calls f(y, x0, x1, out), out
// pointing at the image's pixel x0 of row y.
template <typename F>
void forImageRows(CImage &image, const QRect &area, F f)
{
    const QRect imageRect(QPoint(image.left, image.top), image.size());
    const QRect both = imageRect & area;
    if (both.isEmpty() || image.depth() != 32)
        return;
    for (int y = both.top(); y <= both.bottom(); ++y) {
        QRgb *out = reinterpret_cast<QRgb *>(image.scanLine(y - image.top)) + (both.left() - image.left);
        f(y, both.left(), both.right(), out);
    }
}

} // namespace

QRgb blendOver(QRgb pixel, QRgb color, int alpha)
{
    if (alpha <= 0)
        return pixel;
    const int a = std::min(alpha, 255);
    const int pa = qAlpha(pixel);
    if (pa == 255) {
        // Opaque: (c a + p (255 - a)) / 255 rounded, which the general form
        // below gives too, without a division.
        const auto channel = [a](int c, int p) {
            const int t = c * a + p * (255 - a) + 128;
            return (t + (t >> 8)) >> 8;
        };
        return qRgb(channel(qRed(color), qRed(pixel)), channel(qGreen(color), qGreen(pixel)),
                    channel(qBlue(color), qBlue(pixel)));
    }
    // Everything in units of 1/(255 * 255).
    const int den = a * 255 + pa * (255 - a);
    const auto channel = [&](int c, int p) { return (c * a * 255 + p * pa * (255 - a) + den / 2) / den; };
    return qRgba(channel(qRed(color), qRed(pixel)), channel(qGreen(color), qGreen(pixel)),
                 channel(qBlue(color), qBlue(pixel)), (den + 127) / 255);
}

void UpdateFlash::reset(const QRect &area, qint64 now)
{
    clear();
    if (area.isEmpty() || qint64(area.width()) * area.height() * 4 > MaxImageBytes)
        return;
    covered = area;
    origin = now;
    stamps.fill(0, int(qint64(area.width()) * area.height()));
}

void UpdateFlash::clear()
{
    covered = QRect();
    stamps = QVector<quint32>();
    recent.clear();
}

void UpdateFlash::addSpan(const SpanBytes &span, qint64 now)
{
    const quint32 stamp = quint32(std::max<qint64>(0, now - origin) + 1);
    int lo = INT_MAX;
    int hi = INT_MIN;
    forChangedPixels(covered, span, [&](int x, qint64 i) {
        stamps[int(i)] = stamp;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    });
    if (lo > hi)
        return;
    const QRect rect(QPoint(lo, span.row), QPoint(hi, span.row));
    if (!recent.empty() && recent.back().at == now)
        recent.back().rect |= rect;
    else
        recent.push_back({now, rect});
}

int UpdateFlash::alphaAfter(qint64 age)
{
    if (age < 0 || age >= FadeMs)
        return 0;
    return int(StartAlpha * (FadeMs - age) / FadeMs);
}

QRect UpdateFlash::fadingArea(qint64 now)
{
    while (!recent.empty() && now - recent.front().at >= FadeMs)
        recent.pop_front();
    QRect area;
    for (const Change &c : recent)
        area |= c.rect;
    return area;
}

void UpdateFlash::apply(CImage &image, qint64 now) const
{
    if (stamps.isEmpty())
        return;
    const qint64 elapsed = now - origin;
    forImageRows(image, covered, [&](int y, int x0, int x1, QRgb *out) {
        const quint32 *stamp = stamps.constData() + indexIn(covered, x0, y);
        // Pixels of one change share a stamp: its alpha is worked out once
        // per run.
        quint32 last = 0;
        int alpha = 0;
        // The highlight's share of each channel for an opaque pixel, as
        // blendOver() computes it: (c a + p (255 - a) + 128) / 255 by shifts.
        int red = 0, green = 0, blue = 0, keep = 255;
        for (int x = x0; x <= x1; ++x, ++stamp, ++out) {
            if (*stamp == 0)
                continue;
            if (*stamp != last) {
                last = *stamp;
                alpha = alphaAfter(elapsed - (qint64(*stamp) - 1));
                red = qRed(Color) * alpha + 128;
                green = qGreen(Color) * alpha + 128;
                blue = qBlue(Color) * alpha + 128;
                keep = 255 - alpha;
            }
            if (alpha <= 0)
                continue;
            const QRgb p = *out;
            if (qAlpha(p) != 255) {
                *out = blendOver(p, Color, alpha);
                continue;
            }
            const auto channel = [](int t) { return (t + (t >> 8)) >> 8; };
            *out = qRgb(channel(red + qRed(p) * keep), channel(green + qGreen(p) * keep),
                        channel(blue + qBlue(p) * keep));
        }
    });
}

void HeatCounts::reset(const QRect &area, qint64 now)
{
    clear();
    if (area.isEmpty() || qint64(area.width()) * area.height() * 2 > MaxImageBytes)
        return;
    covered = area;
    since = now;
    bucketStart = now;
    const int n = int(qint64(area.width()) * area.height());
    current.fill(0, n);
    previous.fill(0, n);
}

void HeatCounts::clear()
{
    covered = QRect();
    current = QVector<quint8>();
    previous = QVector<quint8>();
    framesCurrent = framesPrevious = 0;
    history.clear();
}

void HeatCounts::advance(qint64 now)
{
    if (covered.isEmpty() || now - bucketStart < BucketMs)
        return;
    if (now - bucketStart >= WindowMs) {
        previous.fill(0);
        framesPrevious = 0;
        bucketStart = now;
    } else {
        std::swap(current, previous);
        framesPrevious = framesCurrent;
        bucketStart += BucketMs;
    }
    current.fill(0);
    framesCurrent = 0;
}

void HeatCounts::beginChange(qint64 now)
{
    if (covered.isEmpty())
        return;
    advance(now);
    ++framesCurrent;
    history.push_back({now, 0});
    trim(now);
}

void HeatCounts::trim(qint64 now)
{
    while (!history.empty() && now - history.front().at >= WindowMs)
        history.pop_front();
}

void HeatCounts::addSpan(const SpanBytes &span)
{
    qint64 bytes = 0;
    forChangedPixels(covered, span, [&](int, qint64 i) {
        quint8 &c = current[int(i)];
        if (c < 255)
            ++c;
        bytes += span.bytesPerPixel;
    });
    if (!history.empty())
        history.back().bytes += bytes;
}

namespace {

// Counts of a pixel or of the layer in units of 1/BucketMs: the current
// bucket whole, the previous one by the share still within ten seconds.
qint64 weighted(int current, int previous, qint64 intoBucket)
{
    const qint64 b = HeatCounts::BucketMs;
    return qint64(std::min(current, 255)) * b + qint64(std::min(previous, 255)) * std::max<qint64>(0, b - intoBucket);
}

} // namespace

int HeatCounts::changes(int x, int y, qint64 now)
{
    if (!covered.contains(x, y))
        return -1;
    advance(now);
    const qint64 i = indexIn(covered, x, y);
    const qint64 n = weighted(current[int(i)], previous[int(i)], now - bucketStart);
    return int((n + BucketMs / 2) / BucketMs);
}

double HeatCounts::updatesPerSecond(qint64 now)
{
    trim(now);
    const qint64 span = std::clamp<qint64>(now - since, 1000, WindowMs);
    return history.size() * 1000.0 / span;
}

double HeatCounts::bytesPerSecond(qint64 now)
{
    trim(now);
    const qint64 span = std::clamp<qint64>(now - since, 1000, WindowMs);
    qint64 bytes = 0;
    for (const Change &c : history)
        bytes += c.bytes;
    return bytes * 1000.0 / span;
}

QRgb HeatCounts::rampColor(int share)
{
    // Blue for rare changes, through yellow, to red for every change.
    const int t = std::clamp(share, 1, 255);
    if (t <= 128) {
        const int up = t * 255 / 128;
        return qRgb(up, up, 255 - up);
    }
    return qRgb(255, 255 - (t - 128) * 255 / 127, 0);
}

void HeatCounts::apply(CImage &image, qint64 now)
{
    if (current.isEmpty())
        return;
    advance(now);
    const qint64 into = now - bucketStart;
    const qint64 frames = weighted(framesCurrent, framesPrevious, into);
    forImageRows(image, covered, [&](int y, int x0, int x1, QRgb *out) {
        qint64 i = indexIn(covered, x0, y);
        // Neighbours mostly share their counts: the colour of the last pair
        // is reused.
        int lastCurrent = -1, lastPrevious = -1;
        QRgb color = 0;
        for (int x = x0; x <= x1; ++x, ++i, ++out) {
            const int c = current[int(i)];
            const int p = previous[int(i)];
            if (frames == 0 || (c == 0 && (p == 0 || into >= BucketMs))) {
                const QRgb v = *out;
                *out = qRgba(qRed(v) / 3, qGreen(v) / 3, qBlue(v) / 3, qAlpha(v));
                continue;
            }
            if (c != lastCurrent || p != lastPrevious) {
                lastCurrent = c;
                lastPrevious = p;
                const qint64 n = weighted(c, p, into);
                color = n == 0 ? 0 : rampColor(int((n * 255 + frames / 2) / frames));
            }
            if (color == 0) {
                const QRgb v = *out;
                *out = qRgba(qRed(v) / 3, qGreen(v) / 3, qBlue(v) / 3, qAlpha(v));
            } else {
                *out = color;
            }
        }
    });
}
