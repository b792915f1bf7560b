#pragma once

#include "simlink/blockview.h"

// Input the tool sends to the simulation. These two are the only code that
// writes into a block: each field is one aligned little-endian 32-bit store
// inside the header, so the simulation never sees a torn word and no write
// can reach a frame buffer. A null block is ignored.
//
// Each write names the layer whose block it goes to, so that an installed
// InputRecorder can note it; with none installed that costs one pointer test.
namespace simlink {

// x, y, then pressed, in that order, as one update.
void setPointer(BlockView block, int layer, int x, int y, int pressed);
// keyEvent = 0x00010000 | (pressed << 8) | keyCode, code and state as bytes.
void WriteKey(BlockView block, int layer, int keyCode, int pressed);

// Told of every write the two functions above make into a block, right after
// it, with the values as stored (the key's code and state as bytes). It
// takes the time itself. Runs on the thread that writes: the GUI thread.
class InputRecorder
{
public:
    virtual ~InputRecorder() = default;
    virtual void pointerWritten(int layer, int x, int y, int pressed) = 0;
    virtual void keyWritten(int layer, int keyCode, int pressed) = 0;
};

// Installs the recorder (null removes it). One at a time; the caller keeps
// ownership and removes it before deleting it.
void setInputRecorder(InputRecorder *recorder);
InputRecorder *inputRecorder();

} // namespace simlink
