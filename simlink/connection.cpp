#include "simlink/connection.h"

#include "simlink/platform_native.h"

#include <QSharedMemory>

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

// Attaches the handle to the block and checks it is ours before anything is
// read or written; minimum is the least size that counts as present.
bool attachChecked(QSharedMemory &handle, const QString &blockName, qint64 minimum)
{
    if (!setBlockKey(handle, blockName))
        return false;
    if (!native::blockOwnerTrusted(handle.nativeKey().toStdString()))
        return false;
    if (!handle.attach(QSharedMemory::ReadWrite))
        return false;
    if (handle.size() < minimum || !handle.data()) {
        handle.detach();
        return false;
    }
    return true;
}

} // namespace

quint8 scanLayers(QList<LayerInfo> &list)
{
    if (!simulationRunning())
        return 255;
    QSharedMemory handle;
    if (!attachChecked(handle, QLatin1String(GlobalBlockName), 1))
        return 255;
    const quint8 alphaMode = *static_cast<const uchar *>(handle.constData());
    handle.detach();

    for (int n = 0; n < MaxLayers; ++n) {
        if (!attachChecked(handle, layerBlockName(n), BlockView::HeaderSize))
            break;
        const BlockView block(handle.data(), handle.size());
        if (inUse(block) == 0) {
            handle.detach();
            break;
        }
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
        handle.detach();
    }
    if (handle.isAttached())
        handle.detach();
    return alphaMode;
}

BlockView attachLayer(QSharedMemory *&handle, int n)
{
    handle = new QSharedMemory;
    if (!attachChecked(*handle, layerBlockName(n), BlockView::HeaderSize))
        return BlockView();
    return BlockView(handle->data(), handle->size());
}

void detachLayer(QSharedMemory *handle)
{
    if (handle && handle->isAttached())
        handle->detach();
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
