#pragma once

#include "sim/publisher.h"
#include "sim/scenefile.h"

namespace sim {

// The stored form of an ARGB value under the alpha-mode byte: alpha-mode 0
// stores 255 - alpha, as the library does.
inline quint32 storedArgb(quint32 argb, int alphaMode)
{
    return alphaMode == 0 ? argb ^ 0xFF000000u : argb;
}

// Puts the scene into blocks: the global block with the scene's alpha-mode
// byte, then each layer with its header, palette and pixels; the layers are
// marked in use only once all are drawn. False with the publisher's error.
bool publishScene(Publisher &publisher, const Scene &scene);

} // namespace sim
