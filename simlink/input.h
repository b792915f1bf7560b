#pragma once

#include "simlink/blockview.h"

// Input the tool sends to the simulation. These two are the only code that
// writes into a block: each field is one aligned little-endian 32-bit store
// inside the header, so the simulation never sees a torn word and no write
// can reach a frame buffer. A null block is ignored.
namespace simlink {

// x, y, then pressed, in that order, as one update.
void setPointer(BlockView block, int x, int y, int pressed);
// keyEvent = 0x00010000 | (pressed << 8) | keyCode, code and state as bytes.
void WriteKey(BlockView block, int keyCode, int pressed);

} // namespace simlink
