#pragma once

#include <QImage>

// A QImage that also carries the rectangle of layer (or display) pixels it
// shows: left, top, right, bottom, inclusive. A default CImage is a null
// image with the empty rectangle (0, 0, -1, -1).
class CImage : public QImage
{
public:
    CImage();
    CImage(const QImage &image, int left, int top, int right, int bottom);
    ~CImage() override;

    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    // value ^ 0xFF000000 on every 32-bit pixel. An indexed image is left as
    // it is: it receives the inversion through its colour table when that is
    // built, and its indices are never rewritten.
    void invertAlpha();
    // (alpha << 24) | (value & 0x00FFFFFF) on every 32-bit pixel.
    void setAlpha(int alpha);
    // Colour key: pixels (or, with a colour table, table entries) whose red,
    // green and blue each lie within [lower, upper] and whose alpha is not 0
    // become fully transparent, keeping their RGB bits.
    void clearColorRange(QRgb lower, QRgb upper);
    // A 32-bit ARGB copy that keeps the rectangle; null when it would
    // exceed MaxImageBytes (layerimage.h).
    CImage toArgb32() const;
    // Darkens everything outside the given rectangle (layer coordinates,
    // inclusive) with black of alpha 100. The image must be 32-bit.
    void shadeOutside(int left, int top, int right, int bottom);
};
