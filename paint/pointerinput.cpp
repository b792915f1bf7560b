#include "paint/pointerinput.h"

#include "simlink/input.h"

namespace {

// The difference as the 32-bit field holds it: wraps instead of overflowing
// for an absurd origin from the simulation.
int fieldDifference(int a, int b)
{
    return int(qint32(quint32(qint64(a) - qint64(b))));
}

} // namespace

void SendPointerInput(BlockView block, int layer, const QPoint &pixel, const QPoint &origin, bool pressed)
{
    simlink::setPointer(block, layer, fieldDifference(pixel.x(), origin.x()), fieldDifference(pixel.y(), origin.y()),
                        pressed ? 1 : 0);
}
