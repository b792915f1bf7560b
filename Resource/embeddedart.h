#pragma once

// PNG files compiled into the program as plain data (written by
// noxel_drawicons into embeddedart.cpp; do not edit that file by hand).
namespace EmbeddedArt {
extern const unsigned char TransparencyTile0[];
extern const unsigned int TransparencyTile0Size;
extern const unsigned char TransparencyTile1[];
extern const unsigned int TransparencyTile1Size;
extern const unsigned char AboutLogo[];
extern const unsigned int AboutLogoSize;
} // namespace EmbeddedArt
