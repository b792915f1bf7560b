#pragma once

#include "selection/statuskind.h"

#include <QRect>
#include <QRgb>
#include <QString>

// Status line texts of the paint widgets: what the pointer is over, the
// selection being drawn or moved. Plain functions, so each rule is
// testable without a widget.

// Everything one report needs; the caller samples the colour and index only
// for a pixel inside the layer (see StatusPixelInside).
struct PointerStatus
{
    QString title;          // the view's title
    StatusKind kind = StatusPointer;
    int x = 0;              // layer pixel the report is about
    int y = 0;
    int layerWidth = 0;
    int layerHeight = 0;
    QRgb color = 0;         // pixel colour (kinds 0-3)
    int index = -1;         // palette index of an indexed view, otherwise < 0
    int layerCount = 1;     // the main window's layer count
    int pointerState = 0;   // 1 pressed, 2 just released (kind 0)
    QRect selection;        // the selection, inclusive (kind 4)
};

// True when (x, y) is a pixel of a width x height layer.
bool StatusPixelInside(int x, int y, int width, int height);

// "(x=.., y=.., RGB=RR GG BB)" for one layer, "ARGB=AA RR GG BB" for more,
// with ", Index #n" before the ")" for an indexed view.
QString PixelText(int x, int y, QRgb color, int layerCount, int index);

// The whole line, prefix "[title]: " included; empty when the pixel lies
// outside the layer (the previous status then stays).
QString PointerStatusText(const PointerStatus &status);

// Shown when the pointer leaves a paint widget.
QString MouseMovedOutText();
