#pragma once

// The toolbar and strip pictures: ten subjects, each drawn at nine display
// scales. Shared by the icon lookup and by the program that draws the
// pictures, so that names and pixel sizes cannot drift apart.

namespace IconTable {

inline constexpr int IconCount = 10;
inline constexpr int ScaleCount = 9;

// Percents with a stored set, ascending (there is no 275 and no 325 set).
inline constexpr int Percents[ScaleCount] = {100, 125, 150, 175, 200, 225, 250, 300, 350};

// Names by icon id.
inline constexpr const char *Names[IconCount] = {
    "Grid", "GridColor", "Hand", "Selection", "ZoomPlus",
    "ZoomMinus", "Palette", "Close", "SelSize", "SelPos",
};

struct PixelSize
{
    int width;
    int height;
};

// Strip icon sizes by scale index; the eight toolbar icons are square with
// side 32 * percent / 100.
inline constexpr PixelSize SelSizeSizes[ScaleCount] = {
    {13, 12}, {16, 15}, {19, 17}, {22, 20}, {27, 25}, {30, 27}, {34, 31}, {38, 35}, {47, 42},
};
inline constexpr PixelSize SelPosSizes[ScaleCount] = {
    {11, 11}, {13, 13}, {17, 17}, {19, 19}, {23, 23}, {25, 25}, {27, 27}, {35, 35}, {42, 42},
};

// Pixel size of an icon id in the set of scale index s.
inline constexpr PixelSize SizeOf(int iconId, int s)
{
    if (iconId == 8)
        return SelSizeSizes[s];
    if (iconId == 9)
        return SelPosSizes[s];
    return {32 * Percents[s] / 100, 32 * Percents[s] / 100};
}

// Index of a percent in Percents, -1 when there is no stored set.
inline constexpr int ScaleIndexOf(int percent)
{
    for (int s = 0; s < ScaleCount; ++s)
        if (Percents[s] == percent)
            return s;
    return -1;
}

} // namespace IconTable
