#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The tool's compiled-in pictures.

// Registers the compiled-in resources (":/Resource/..."). The library is
// static, so its resource initializer runs only when called; every function
// that reads a resource calls this first. Cheap after the first call.
void EnsureArtworkResources();

// A 10 x 10 checkerboard tile of four 5 x 5 squares: phase 0 has grey
// 0x7F7F7F at the top left and bottom right and 0xC3C3C3 in the other two,
// phase 1 the reverse (any odd phase is 1). Decoded once from compiled-in
// PNG data and cached.
QImage TransparencyTile(int phase);

// The 140 x 70 About logo with alpha, decoded from compiled-in PNG data.
QPixmap AboutLogo();

// The program's icon for the window and the desktop, in several sizes.
QIcon ApplicationIcon();
