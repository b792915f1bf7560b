#pragma once

#include "imaging/cimage.h"

#include <QRect>
#include <QRgb>
#include <QVector>

#include <deque>

// Per-pixel records of how a layer's content changes, over an area of
// layer (or display) pixels, fed with the changed spans of each content
// change. Times are milliseconds of a monotonic clock. Nothing here reads a
// block: the caller hands over the bytes before and after each change.

// One changed stretch of a row, with the row's pixels before and after it
// (bytesPerPixel bytes each, starting at pixel `first`).
struct SpanBytes
{
    int row = 0;
    int first = 0;
    int last = 0;
    const uchar *before = nullptr;
    const uchar *after = nullptr;
    int bytesPerPixel = 4;
};

// Source-over of colour (RGB) with alpha onto a non-premultiplied ARGB
// pixel, in exact integer arithmetic.
QRgb blendOver(QRgb pixel, QRgb color, int alpha);

// Update flashes: each pixel changed by a content change is drawn with a
// translucent highlight that fades out over FadeMs after that change.
class UpdateFlash
{
public:
    static constexpr qint64 FadeMs = 1000;
    static constexpr QRgb Color = 0xFF00FFFFu;  // cyan
    static constexpr int StartAlpha = 160;

    // Forgets every mark and covers area from now on; nothing (an empty
    // area) when its records would exceed MaxImageBytes.
    void reset(const QRect &area, qint64 now);
    void clear();
    QRect area() const { return covered; }

    // Marks the pixels of the span whose bytes differ as changed at now.
    void addSpan(const SpanBytes &span, qint64 now);
    // The highlight's alpha for a pixel changed at `at`; 0 once faded.
    static int alphaAfter(qint64 age);
    // Where pixels changed less than FadeMs ago may lie (a bounding
    // rectangle per change); empty when nothing fades any more.
    QRect fadingArea(qint64 now);
    // Draws the highlight over the image's pixels (32-bit ARGB).
    void apply(CImage &image, qint64 now) const;

private:
    QRect covered;
    qint64 origin = 0;
    // Per pixel of `covered`: 1 + milliseconds from origin to its latest
    // change; 0 for never.
    QVector<quint32> stamps;
    struct Change { qint64 at; QRect rect; };
    std::deque<Change> recent;
};

// The redraw heat map: how often each pixel changed over the last ten
// seconds, from two five-second buckets of at most 255 changes per pixel
// (16 bits per pixel); the older bucket counts in the share of it that
// still lies within the last ten seconds.
class HeatCounts
{
public:
    static constexpr qint64 BucketMs = 5000;

    void reset(const QRect &area, qint64 now);
    void clear();
    QRect area() const { return covered; }

    // One content change of the layer, at now; then its spans.
    void beginChange(qint64 now);
    void addSpan(const SpanBytes &span);

    // How often the pixel changed in the last ten seconds, rounded; -1 for
    // a pixel outside the area.
    int changes(int x, int y, qint64 now);
    // Content changes and bytes of changed pixels per second over the last
    // ten seconds (or since reset, when that is shorter).
    double updatesPerSecond(qint64 now);
    double bytesPerSecond(qint64 now);

    // The ramp colour of a pixel that changed in `share` of the layer's
    // content changes (1 ... 255 of 255).
    static QRgb rampColor(int share);
    // Replaces the image's pixels (32-bit ARGB) by their ramp colour, or
    // dims those that never changed.
    void apply(CImage &image, qint64 now);

private:
    void advance(qint64 now);
    // Drops the changes older than ten seconds.
    void trim(qint64 now);

    QRect covered;
    qint64 since = 0;
    qint64 bucketStart = 0;
    QVector<quint8> current;
    QVector<quint8> previous;
    int framesCurrent = 0;
    int framesPrevious = 0;
    struct Change { qint64 at; qint64 bytes; };
    std::deque<Change> history;
};
