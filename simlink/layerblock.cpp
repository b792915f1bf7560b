#include "simlink/layerblock.h"

namespace simlink {

QString layerBlockName(int n)
{
    QString name = QLatin1String(LayerBlockPrefix);
    if (n > 0)
        name += QString::number(n);
    return name;
}

quint8 inUse(BlockView b) { return b.readUInt8(Offset::InUse); }
qint32 xSize(BlockView b) { return b.readInt32(Offset::XSize); }
qint32 ySize(BlockView b) { return b.readInt32(Offset::YSize); }
qint32 vxSize(BlockView b) { return b.readInt32(Offset::VxSize); }
qint32 vySize(BlockView b) { return b.readInt32(Offset::VySize); }
qint32 bitsPerPixel(BlockView b) { return b.readInt32(Offset::BitsPerPixel); }
qint32 NumColors(BlockView b) { return b.readInt32(Offset::NumColors); }
qint32 contentCounter(BlockView b) { return b.readInt32(Offset::ContentCounter); }
qint32 paletteCounter(BlockView b) { return b.readInt32(Offset::PaletteCounter); }
qint32 xOrg(BlockView b) { return b.readInt32(Offset::XOrg); }
qint32 yOrg(BlockView b) { return b.readInt32(Offset::YOrg); }
quint8 layerAlpha(BlockView b) { return b.readUInt8(Offset::LayerAlpha); }
qint32 xPos(BlockView b) { return b.readInt32(Offset::XPos); }
qint32 yPos(BlockView b) { return b.readInt32(Offset::YPos); }
quint32 bkColor(BlockView b) { return b.readUInt32(Offset::BkColor); }
quint32 keyColorMin(BlockView b) { return b.readUInt32(Offset::KeyColorMin); }
quint32 keyColorMax(BlockView b) { return b.readUInt32(Offset::KeyColorMax); }
qint32 transMode(BlockView b) { return b.readInt32(Offset::TransMode); }

bool compositeSize(BlockView b, int *width, int *height)
{
    if (b.isNull())
        return false;
    const quint32 v = b.readUInt32(Offset::CompositeSize);
    if (width)
        *width = int(v & 0xFFFFu);
    if (height)
        *height = int(v >> 16);
    return v != 0;
}

quint32 paletteEntry(BlockView b, int i)
{
    if (i < 0 || i >= PaletteCapacity)
        return 0;
    return b.readUInt32(Offset::Palette + 4 * qint64(i));
}

QColor libraryColor(quint32 value)
{
    return QColor::fromRgba(libraryArgb(value));
}

} // namespace simlink
