#include "simlink/connection.h"

#include "simlink/platform_native.h"

#include <QSharedMemory>

#include <map>

namespace simlink {

bool simulationRunning()
{
    return native::windowClassExists(MainframeWindowClass) || native::windowClassExists(DeviceWindowClass);
}

bool setBlockKey(QSharedMemory &handle, const QString &blockName)
{
    const std::string key = native::blockKey(blockName.toLatin1().constData());
    const QString nativeKey = QString::fromStdString(key);
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0) && !defined(Q_OS_WIN)
    // Qt 6.6 made POSIX shared memory the default; the simulation's segments
    // are System V ones.
    handle.setNativeKey(nativeKey, QNativeIpcKey::Type::SystemV);
#else
    handle.setNativeKey(nativeKey);
#endif
    return !key.empty();
}

namespace {

#ifdef Q_OS_WIN
// Attaches the handle to the block and checks it is ours before anything is
// read or written; minimum is the least size that counts as present.
bool attachChecked(QSharedMemory &handle, const QString &blockName, qint64 minimum, bool readOnly)
{
    if (!setBlockKey(handle, blockName))
        return false;
    if (!native::blockOwnerTrusted(handle.nativeKey().toStdString()))
        return false;
    if (!handle.attach(readOnly ? QSharedMemory::ReadOnly : QSharedMemory::ReadWrite))
        return false;
    if (handle.size() < minimum || !handle.constData()) {
        handle.detach();
        return false;
    }
    return true;
}
#else
// The live attachments by mapping address: what a view's block was when it
// was attached, and by which key file.
std::map<const void *, native::Segment *> &attachedSegments()
{
    static std::map<const void *, native::Segment *> segments;
    return segments;
}
#endif

// One attachment of a block. On POSIX systems the segment is attached and
// detached by id (QSharedMemory would detach by key, and a key can name the
// next simulation's segment by then); Windows uses QSharedMemory itself.
class BlockHandle : public QSharedMemory
{
public:
    ~BlockHandle() override { release(); }

    BlockView attach(const QString &blockName, qint64 minimum, bool readOnly = false)
    {
        release();
#ifdef Q_OS_WIN
        if (!attachChecked(*this, blockName, minimum, readOnly))
            return BlockView();
        return BlockView(const_cast<void *>(constData()), size());
#else
        if (!setBlockKey(*this, blockName))
            return BlockView();
        segment = native::attachSegment(nativeKey().toStdString(), readOnly);
        if (segment.data && segment.size < minimum)
            native::detachSegment(segment);
        if (!segment.data)
            return BlockView();
        attachedSegments()[segment.data] = &segment;
        return BlockView(segment.data, segment.size);
#endif
    }

    void release()
    {
#ifdef Q_OS_WIN
        if (isAttached())
            detach();
#else
        if (segment.data)
            attachedSegments().erase(segment.data);
        native::detachSegment(segment);
#endif
    }

private:
#ifndef Q_OS_WIN
    native::Segment segment;
#endif
};

} // namespace

quint8 scanLayers(QList<LayerInfo> &list)
{
    if (!simulationRunning())
        return 255;
    BlockHandle handle;
    const BlockView global = handle.attach(QLatin1String(GlobalBlockName), 1);
    if (global.isNull())
        return 255;
    const quint8 alphaMode = *global.base();
    handle.release();

    for (int n = 0; n < MaxLayers; ++n) {
        const BlockView block = handle.attach(layerBlockName(n), BlockView::HeaderSize);
        if (block.isNull() || inUse(block) == 0)
            break;
        LayerInfo info;
        info.xSize = xSize(block);
        info.ySize = ySize(block);
        info.xPos = xPos(block);
        info.yPos = yPos(block);
        info.index = n;
        info.bitsPerPixel = bitsPerPixel(block);
        info.vxSize = vxSize(block);
        info.vySize = vySize(block);
        list.append(info);
    }
    return alphaMode;
}

BlockView attachLayer(QSharedMemory *&handle, int n, bool readOnly)
{
    BlockHandle *own = new BlockHandle;
    handle = own;
    return own->attach(layerBlockName(n), BlockView::HeaderSize, readOnly);
}

void detachLayer(QSharedMemory *handle)
{
    if (BlockHandle *own = dynamic_cast<BlockHandle *>(handle))
        own->release();
    else if (handle && handle->isAttached())
        handle->detach();
}

bool blockReplaced(const BlockView &view, int n)
{
    Q_UNUSED(n);
#ifdef Q_OS_WIN
    Q_UNUSED(view);
    return false;
#else
    // The attachment remembers its key file: no path to build, and a look-up
    // only once the key file or the segment has changed.
    const auto it = attachedSegments().find(view.base());
    if (view.isNull() || it == attachedSegments().end())
        return false;
    return native::segmentReplaced(*it->second);
#endif
}

bool capsLockOn(const QString &eventText, bool shiftHeld)
{
    const int state = native::capsLockState();
    if (state >= 0)
        return state != 0;
    if (eventText.size() != 1 || !eventText.at(0).isLetter())
        return false;
    const QChar c = eventText.at(0);
    return shiftHeld ? c.isLower() : c.isUpper();
}

} // namespace simlink
