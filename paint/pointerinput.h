#pragma once

#include "simlink/blockview.h"

#include <QPoint>

// Pointer input for the simulation: layer pixel 'pixel' less 'origin' (the
// visible window's origin for a virtual screen, otherwise (0, 0)) and the
// button state, written into the block of layer 'layer'. The only caller of
// setPointer in the window. The
// position is not clipped: a virtual screen's pixel above or left of the
// visible window is written as a negative position.
void SendPointerInput(BlockView block, int layer, const QPoint &pixel, const QPoint &origin, bool pressed);
