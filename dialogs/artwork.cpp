#include "dialogs/artwork.h"

#include "Resource/embeddedart.h"

// Q_INIT_RESOURCE must stand outside any namespace.
static void InitNoxelResources()
{
    Q_INIT_RESOURCE(noxelresources);
}

void EnsureArtworkResources()
{
    static const bool done = (InitNoxelResources(), true);
    Q_UNUSED(done);
}

namespace {

QImage DecodeTile(const unsigned char *data, unsigned int size)
{
    QImage image;
    image.loadFromData(data, int(size), "PNG");
    // Painted as a brush texture: one fixed format keeps the fill fast.
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage TransparencyTile(int phase)
{
    static const QImage tiles[2] = {
        DecodeTile(EmbeddedArt::TransparencyTile0, EmbeddedArt::TransparencyTile0Size),
        DecodeTile(EmbeddedArt::TransparencyTile1, EmbeddedArt::TransparencyTile1Size),
    };
    return tiles[phase & 1];
}

QPixmap AboutLogo()
{
    QPixmap logo;
    logo.loadFromData(EmbeddedArt::AboutLogo, EmbeddedArt::AboutLogoSize, "PNG");
    return logo;
}

QIcon ApplicationIcon()
{
    EnsureArtworkResources();
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/Resource/AppIcon/noxelview_%1.png").arg(side), QSize(side, side));
    return icon;
}
