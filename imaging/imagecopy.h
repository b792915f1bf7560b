#pragma once

#include "imaging/framechanges.h"

#include <QImage>

#include <vector>

// A copy of a 32-bit image that is made anew for each look (the composed
// display), to find what changed since the last look: the image's
// counterpart of FrameCopy, with the same row comparison and the same
// changed spans (pixel coordinates of the image).
class ImageCopy
{
public:
    // Compares image with the copy, appends the changed spans to *spans (may
    // be null), calls visit for each (4 bytes per pixel), then keeps the
    // image's pixels. False when there was nothing to compare with (first
    // look, after clear(), another size, or an image that is not 32-bit,
    // which clears the copy).
    bool update(const QImage &image, QVector<ChangedSpan> *spans, const SpanVisitor &visit = {});
    void clear();
    QRect area() const { return held; }

private:
    QRect held;
    std::vector<quint32> pixels;
};
