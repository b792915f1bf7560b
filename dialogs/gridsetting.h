#pragma once

#include <QtGlobal>

// How a pixel grid is drawn: the record a grid colour dialog edits in place.
struct GridSetting
{
    quint32 color = 0xFF3F3F3F; // ARGB
    int mode = 0;               // GridModeColor or GridModeXor
};

enum GridMode { GridModeColor = 0, GridModeXor = 1 };
enum TransMode { TransModeAlternating = 0, TransModeTiles = 1, TransModeColored = 2 };
