#pragma once

#include "noxel/publish.h"
#include "sim/scenefile.h"

#include <QString>

namespace sim {

// The stored form of an ARGB value under the alpha-mode byte: alpha-mode 0
// stores 255 - alpha, as the library does.
inline quint32 storedArgb(quint32 argb, int alphaMode)
{
    return alphaMode == 0 ? argb ^ 0xFF000000u : argb;
}

// Publishes the scene through an open simulation (opened with the scene's
// window class, and inverted alpha when its alpha mode is 0): each layer
// with its header, palette and pixels; the layers are published together
// once all are drawn. False with one line in error.
bool publishScene(noxel_sim *sim, const Scene &scene, QString *error);

} // namespace sim
