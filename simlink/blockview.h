#pragma once

#include <QtGlobal>

namespace simlink {
class InputWriter;
}

// A mapped shared-memory block together with its size.
//
// The simulation decides what it writes into a block, so no field is
// trusted to describe the block: every read goes through the bounds
// checks below and never touches a byte outside [base, base + size).
// A block shorter than the 4096-byte header counts as not attached,
// so a view built on it is null.
class BlockView
{
public:
    static constexpr qint64 HeaderSize = 4096;

    BlockView() = default;
    BlockView(void *base, qint64 size)
        : m_base(static_cast<uchar *>(base)), m_size(size)
    {
        if (!m_base || m_size < HeaderSize) {
            m_base = nullptr;
            m_size = 0;
        }
    }

    bool isNull() const { return m_base == nullptr; }
    explicit operator bool() const { return m_base != nullptr; }
    const uchar *base() const { return m_base; }
    qint64 size() const { return m_size; }

    // True when the len bytes at offset lie wholly inside the block.
    // Written so that no intermediate sum can overflow.
    bool contains(qint64 offset, qint64 len) const
    {
        return m_base && offset >= 0 && len >= 0 && offset <= m_size && len <= m_size - offset;
    }

    // Address of len bytes at offset, or null when any of them lies outside.
    const uchar *bytes(qint64 offset, qint64 len) const
    {
        return contains(offset, len) ? m_base + offset : nullptr;
    }

    quint8 readUInt8(qint64 offset) const
    {
        const uchar *p = bytes(offset, 1);
        return p ? *p : 0;
    }
    quint32 readUInt32(qint64 offset) const
    {
        const uchar *p = bytes(offset, 4);
        if (!p)
            return 0;
        // Little-endian, as the simulation stores every multi-byte field.
        return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
    }
    qint32 readInt32(qint64 offset) const { return qint32(readUInt32(offset)); }

    // Frame-buffer access: the pixel area starts right after the header.
    qint64 frameBufferSize() const { return m_base ? m_size - HeaderSize : 0; }
    // Address of len bytes at offset within the pixel area, or null when outside.
    const uchar *frameBytes(qint64 offset, qint64 len) const
    {
        if (offset < 0)
            return nullptr;
        if (offset > m_size - HeaderSize)
            return nullptr;
        return bytes(HeaderSize + offset, len);
    }

    bool operator==(const BlockView &o) const { return m_base == o.m_base && m_size == o.m_size; }
    bool operator!=(const BlockView &o) const { return !(*this == o); }

private:
    // The view offers reads only; the input fields are written through
    // simlink/input.h alone.
    friend class simlink::InputWriter;

    uchar *m_base = nullptr;
    qint64 m_size = 0;
};
