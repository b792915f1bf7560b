#include "simlink/input.h"

#include "simlink/layerblock.h"

#include <QtEndian>

#include <cstring>

namespace simlink {

// The one class BlockView lets write: stores value at offset when the four
// bytes lie wholly inside the block, otherwise drops it.
class InputWriter
{
public:
    static void store(BlockView block, qint64 offset, quint32 value)
    {
        if (!block.contains(offset, 4))
            return;
        const quint32 le = qToLittleEndian(value);
        std::memcpy(block.m_base + offset, &le, 4);
    }
};

namespace {

InputRecorder *installedRecorder = nullptr;

} // namespace

void setPointer(BlockView b, int layer, int x, int y, int pressed)
{
    if (b.isNull())
        return;
    InputWriter::store(b, Offset::PointerX, quint32(x));
    InputWriter::store(b, Offset::PointerY, quint32(y));
    InputWriter::store(b, Offset::PointerPressed, quint32(pressed));
    if (installedRecorder)
        installedRecorder->pointerWritten(layer, x, y, pressed);
}

void WriteKey(BlockView b, int layer, int keyCode, int pressed)
{
    if (b.isNull())
        return;
    const quint32 code = quint8(keyCode);
    const quint32 state = quint8(qint8(pressed));
    InputWriter::store(b, Offset::KeyEvent, ((state | 0x100u) << 8) | code);
    if (installedRecorder)
        installedRecorder->keyWritten(layer, int(code), int(state));
}

void setInputRecorder(InputRecorder *recorder)
{
    installedRecorder = recorder;
}

InputRecorder *inputRecorder()
{
    return installedRecorder;
}

} // namespace simlink
