#pragma once

// Comparing pictures that went through a conversion whose rounding depends
// on the processor. A QIcon or QPixmap keeps its pixels premultiplied, and
// Qt's conversion paths (chosen by processor features) may round a
// semi-transparent colour channel differently by one. What survives a
// premultiplied round trip exactly (opaque and fully transparent pixels,
// every alpha value) must match exactly; a colour channel of a pixel with
// 0 < alpha < 255 may differ by one.
#include <QIcon>
#include <QImage>
#include <QString>

namespace imagecompare {

// The picture as it comes back from a premultiplied store: converted to
// ARGB32_Premultiplied and back to ARGB32.
QImage roundTripped(const QImage &image);

// The largest picture of an icon, as ARGB32.
QImage iconImage(const QIcon &icon);

// Empty when a and b are the same size and every pixel is equal, except
// that a colour channel of a pixel whose (equal) alpha lies strictly between
// 0 and 255 may differ by one. Otherwise where and how they first differ.
// Both are compared as ARGB32.
QString fuzzyDifference(const QImage &a, const QImage &b);

// Empty when a and b are exactly equal pixel for pixel (as ARGB32 values of
// their own format's pixel()), otherwise the first difference.
QString firstDifference(const QImage &a, const QImage &b);

// fuzzyDifference of a picture shown through a premultiplied store against
// the original picture sent through the same round trip.
inline QString differenceAfterRoundTrip(const QImage &shown, const QImage &original)
{
    return fuzzyDifference(shown, roundTripped(original));
}

} // namespace imagecompare
