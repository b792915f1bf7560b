#pragma once

#include "simlink/blockview.h"

#include <QColor>
#include <QString>
#include <QtGlobal>

// Layout of the blocks a running simulation publishes, their names, and
// one accessor per header field. Every accessor takes a block view that
// may be null and then returns 0.
namespace simlink {

// Native block names (the platform layer turns them into keys).
inline constexpr char GlobalBlockName[] = "noXelGlobalMap";
inline constexpr char LayerBlockPrefix[] = "noXelLCDMap";
inline constexpr int MaxLayers = 20;

// Name of layer block n: the prefix alone for layer 0, otherwise the prefix
// followed by n in decimal ("noXelLCDMap10" for layer 10).
QString layerBlockName(int n);

// Header offsets of a layer block.
namespace Offset {
inline constexpr qint64 InUse = 0;
inline constexpr qint64 XSize = 32;
inline constexpr qint64 YSize = 36;
inline constexpr qint64 VxSize = 40;
inline constexpr qint64 VySize = 44;
inline constexpr qint64 BitsPerPixel = 52;
inline constexpr qint64 NumColors = 56;
inline constexpr qint64 ContentCounter = 60;
inline constexpr qint64 PaletteCounter = 64;
inline constexpr qint64 KeyEvent = 76;
inline constexpr qint64 PointerX = 80;
inline constexpr qint64 PointerY = 84;
inline constexpr qint64 PointerPressed = 88;
inline constexpr qint64 XOrg = 92;
inline constexpr qint64 YOrg = 96;
inline constexpr qint64 LayerAlpha = 100;
inline constexpr qint64 XPos = 104;
inline constexpr qint64 YPos = 108;
inline constexpr qint64 BkColor = 116;
inline constexpr qint64 CompositeSize = 120;
inline constexpr qint64 KeyColorMin = 124;
inline constexpr qint64 KeyColorMax = 128;
inline constexpr qint64 TransMode = 132;
inline constexpr qint64 Palette = 296;
inline constexpr qint64 FrameBuffer = 4096;
} // namespace Offset

inline constexpr int PaletteCapacity = 256;

quint8 inUse(BlockView block);
qint32 xSize(BlockView block);
qint32 ySize(BlockView block);
qint32 vxSize(BlockView block);
qint32 vySize(BlockView block);
qint32 bitsPerPixel(BlockView block);
qint32 NumColors(BlockView block);
qint32 contentCounter(BlockView block);
qint32 paletteCounter(BlockView block);
qint32 xOrg(BlockView block);
qint32 yOrg(BlockView block);
quint8 layerAlpha(BlockView block);
qint32 xPos(BlockView block);
qint32 yPos(BlockView block);
quint32 bkColor(BlockView block);
quint32 keyColorMin(BlockView block);
quint32 keyColorMax(BlockView block);
qint32 transMode(BlockView block);

// False for a null block; otherwise stores bits 0-15 in width and bits
// 16-31 in height where given and tells whether the value is non-zero.
bool compositeSize(BlockView block, int *width = nullptr, int *height = nullptr);

// Palette entry i as stored (alpha per the alpha-mode byte); 0 outside the
// 256-entry table. Callers bound i by NumColors.
quint32 paletteEntry(BlockView block, int i);

// True when 1..256 palette entries make the layer indexed.
inline bool isIndexedCount(qint32 numColors) { return numColors >= 1 && numColors <= PaletteCapacity; }

// Library colour 0xTTBBGGRR (TT = transparency) to an ARGB QColor.
QColor libraryColor(quint32 value);
// The same conversion as a 0xAARRGGBB value.
inline quint32 libraryArgb(quint32 v)
{
    return (~v & 0xFF000000u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16) | (v & 0x0000FF00u);
}

} // namespace simlink

// One layer as the layer scan found it; eight 32-bit signed integers.
struct LayerInfo
{
    qint32 xSize = 0;
    qint32 ySize = 0;
    qint32 xPos = 0;
    qint32 yPos = 0;
    qint32 index = 0;
    qint32 bitsPerPixel = 0;
    qint32 vxSize = 0;
    qint32 vySize = 0;

    // A virtual-layer view exists when the virtual screen is larger, the
    // sizes compared as unsigned numbers.
    bool hasVirtualScreen() const
    {
        return quint32(vxSize) > quint32(xSize) || quint32(vySize) > quint32(ySize);
    }
    bool operator==(const LayerInfo &o) const
    {
        return xSize == o.xSize && ySize == o.ySize && xPos == o.xPos && yPos == o.yPos && index == o.index
            && bitsPerPixel == o.bitsPerPixel && vxSize == o.vxSize && vySize == o.vySize;
    }
};
