#include "sim/publisher.h"

#include "simlink/connection.h"
#include "simlink/platform_native.h"

#include <QFile>
#include <QtEndian>

#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

PublishedBlock::PublishedBlock(uchar *data, qint64 size, int shmId, const QString &keyFile)
    : bytes(data), byteCount(size), segmentId(shmId), keyPath(keyFile)
{
}

void PublishedBlock::setUInt8(qint64 offset, quint8 value)
{
    if (offset >= 0 && offset < byteCount)
        bytes[offset] = value;
}

void PublishedBlock::setUInt32(qint64 offset, quint32 value)
{
    if (offset < 0 || offset > byteCount - 4)
        return;
    const quint32 le = qToLittleEndian(value);
    std::memcpy(bytes + offset, &le, 4);
}

quint32 PublishedBlock::uint32At(qint64 offset) const
{
    return view().readUInt32(offset);
}

quint32 PublishedBlock::takeKeyEvent()
{
    if (byteCount < simlink::Offset::KeyEvent + 4)
        return 0;
    // The field is 4-byte aligned in a page-aligned mapping.
    auto *word = reinterpret_cast<quint32 *>(bytes + simlink::Offset::KeyEvent);
    return qFromLittleEndian(__atomic_exchange_n(word, quint32(0), __ATOMIC_SEQ_CST));
}

void PublishedBlock::setPaletteEntry(int i, quint32 argb)
{
    if (i >= 0 && i < simlink::PaletteCapacity)
        setUInt32(simlink::Offset::Palette + 4 * qint64(i), argb);
}

void PublishedBlock::setPixel32(int x, int y, quint32 argb)
{
    const qint64 row = simlink::xSize(view());
    setUInt32(simlink::Offset::FrameBuffer + 4 * (row * y + x), argb);
}

void PublishedBlock::setPixel8(int x, int y, quint8 index)
{
    const qint64 row = simlink::xSize(view());
    setUInt8(simlink::Offset::FrameBuffer + row * y + x, index);
}

void PublishedBlock::fill32(quint32 argb)
{
    for (qint64 off = simlink::Offset::FrameBuffer; off + 4 <= byteCount; off += 4)
        setUInt32(off, argb);
}

void PublishedBlock::fill8(quint8 index)
{
    if (byteCount > simlink::Offset::FrameBuffer)
        std::memset(pixels(), index, size_t(pixelBytes()));
}

int attachCount(const PublishedBlock *block)
{
    struct shmid_ds ds;
    if (!block || shmctl(block->shmId(), IPC_STAT, &ds) != 0)
        return -1;
    return int(ds.shm_nattch);
}

qint64 layerBlockSize(const LayerSpec &spec)
{
    const bool indexed = simlink::isIndexedCount(spec.numColors);
    const qint64 vx = spec.vxSize < 0 ? spec.xSize : spec.vxSize;
    const qint64 vy = spec.vySize < 0 ? spec.ySize : spec.vySize;
    const qint64 visible = qint64(indexed ? 1 : 4) * qMax(0, spec.xSize) * qMax(0, spec.ySize);
    const bool virtualScreen = vx != spec.xSize || vy != spec.ySize;
    const qint64 virt = virtualScreen ? 4 * qMax<qint64>(0, vx) * qMax<qint64>(0, vy) : 0;
    return simlink::Offset::FrameBuffer + qMax(visible, virt);
}

Publisher::Publisher(const QString &runtimeDir)
    : directory(runtimeDir.isEmpty() ? QString::fromStdString(native::runtimeDirectory()) : runtimeDir)
{
}

Publisher::~Publisher()
{
    tearDown();
}

bool Publisher::ensureRuntimeDir()
{
    char err[512] = "";
    // As the library makes it: mode 0700, parents included. An existing
    // path is left as it is (tests make untrusted ones on purpose).
    if (nxp_make_dir(QFile::encodeName(directory).constData(), 1, err, sizeof err) != 0) {
        errorText = QString::fromLocal8Bit(err);
        return false;
    }
    struct stat st;
    return lstat(QFile::encodeName(directory).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

PublishedBlock *Publisher::createBlock(const QString &name, qint64 size)
{
    if (blocks.contains(name))
        destroyBlock(name);
    if (!ensureRuntimeDir())
        return nullptr;
    if (size < 0) {
        errorText = QStringLiteral("negative size for %1").arg(name);
        return nullptr;
    }
    char err[512] = "";
    nxp_segment segment;
    if (nxp_segment_create(QFile::encodeName(directory).constData(), QFile::encodeName(name).constData(), size_t(size),
                           &held, &segment, err, sizeof err)
        != 0) {
        errorText = QString::fromLocal8Bit(err);
        return nullptr;
    }
    PublishedBlock *block = new PublishedBlock(segment.data, size, segment.id, QFile::decodeName(segment.key_path));
    segments.insert(name, segment);
    blocks.insert(name, block);
    return block;
}

PublishedBlock *Publisher::createGlobal(quint8 alphaMode)
{
    PublishedBlock *block = createBlock(QLatin1String(simlink::GlobalBlockName), 4096);
    if (block)
        block->setUInt8(0, alphaMode);
    return block;
}

PublishedBlock *Publisher::createLayer(int n, const LayerSpec &spec, bool announce)
{
    const qint64 size = spec.blockSize >= 0 ? spec.blockSize : layerBlockSize(spec);
    PublishedBlock *block = createBlock(simlink::layerBlockName(n), size);
    if (!block)
        return nullptr;
    block->setXSize(spec.xSize);
    block->setYSize(spec.ySize);
    block->setVxSize(spec.vxSize < 0 ? spec.xSize : spec.vxSize);
    block->setVySize(spec.vySize < 0 ? spec.ySize : spec.vySize);
    block->setBitsPerPixel(spec.bitsPerPixel);
    block->setNumColors(spec.numColors);
    block->setXPos(spec.xPos);
    block->setYPos(spec.yPos);
    block->setLayerAlpha(255);
    // In use only once the header is complete, so a scan never sees half of it.
    if (announce)
        block->setInUse(1);
    return block;
}

PublishedBlock *Publisher::block(const QString &name) const
{
    if (PublishedBlock *own = blocks.value(name))
        return own;
    if (PublishedBlock *seen = observed.value(name))
        return seen;
    const int id = native::segmentIdOf((directory + QLatin1Char('/') + name).toStdString());
    struct shmid_ds ds;
    if (id < 0 || shmctl(id, IPC_STAT, &ds) != 0)
        return nullptr;
    void *data = shmat(id, nullptr, 0);
    if (data == reinterpret_cast<void *>(-1))
        return nullptr;
    PublishedBlock *seen = new PublishedBlock(static_cast<uchar *>(data), qint64(ds.shm_segsz), id,
                                              directory + QLatin1Char('/') + name);
    observed.insert(name, seen);
    return seen;
}

void Publisher::releaseObserved()
{
    for (PublishedBlock *seen : qAsConst(observed)) {
        shmdt(seen->data());
        delete seen;
    }
    observed.clear();
}

OpenSimulation::OpenSimulation(const char *windowClass, bool invertedAlpha)
{
    noxel_sim_options options = {};
    options.window_class = windowClass;
    options.inverted_alpha = invertedAlpha;
    char error[512] = "";
    handle = noxel_sim_open(&options, error, sizeof error);
    message = QString::fromLocal8Bit(error);
}

void Publisher::announceLayers()
{
    for (int n = simlink::MaxLayers - 1; n >= 0; --n)
        if (PublishedBlock *b = layer(n))
            b->setInUse(1);
}

void Publisher::destroyBlock(const QString &name)
{
    PublishedBlock *block = blocks.take(name);
    if (!block)
        return;
    nxp_segment segment = segments.take(name);
    nxp_segment_remove(&segment);
    delete block;
}

bool Publisher::holdPresence(const char *windowClass, int timeoutMs)
{
    const QString name = QString::fromLatin1(windowClass);
    if (presence.contains(name))
        return true;
    if (!ensureRuntimeDir())
        return false;
    // One simulation per directory, whatever its window class: the other
    // class's lock is checked too, unless this publisher holds it itself.
    const QString other = name == QLatin1String(simlink::MainframeWindowClass)
        ? QLatin1String(simlink::DeviceWindowClass)
        : QLatin1String(simlink::MainframeWindowClass);
    const QByteArray otherName = other.toLatin1();
    char err[512] = "";
    const int fd = nxp_presence_take(QFile::encodeName(directory).constData(), windowClass,
                                     presence.contains(other) ? nullptr : otherName.constData(), timeoutMs, err,
                                     sizeof err);
    if (fd < 0) {
        errorText = QString::fromLocal8Bit(err);
        return false;
    }
    presence.insert(name, fd);
    return true;
}

void Publisher::releasePresence(const char *windowClass)
{
    const QString name = QString::fromLatin1(windowClass);
    if (presence.contains(name))
        ::close(presence.take(name));
}

void Publisher::releaseHeldInodes()
{
    nxp_held_close(&held);
}

void Publisher::abandon()
{
    releaseObserved();
    for (auto it = presence.cbegin(); it != presence.cend(); ++it)
        ::close(it.value());
    presence.clear();
    releaseHeldInodes();
    for (auto it = segments.begin(); it != segments.end(); ++it)
        nxp_segment_abandon(&it.value());
    segments.clear();
    qDeleteAll(blocks);
    blocks.clear();
}

void Publisher::tearDown()
{
    releaseObserved();
    for (auto it = presence.cbegin(); it != presence.cend(); ++it)
        ::close(it.value());
    presence.clear();
    releaseHeldInodes();
    const QStringList names = blocks.keys();
    for (const QString &name : names)
        destroyBlock(name);
}

} // namespace sim
