#include "sim/publisher.h"

#include "simlink/connection.h"
#include "simlink/platform_native.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

PublishedBlock::PublishedBlock(uchar *data, qint64 size, int shmId, const QString &keyFile)
    : m_data(data), m_size(size), m_shmId(shmId), m_keyFile(keyFile)
{
}

void PublishedBlock::setUInt8(qint64 offset, quint8 value)
{
    if (offset >= 0 && offset < m_size)
        m_data[offset] = value;
}

void PublishedBlock::setUInt32(qint64 offset, quint32 value)
{
    if (offset < 0 || offset > m_size - 4)
        return;
    const quint32 le = qToLittleEndian(value);
    std::memcpy(m_data + offset, &le, 4);
}

quint32 PublishedBlock::uint32At(qint64 offset) const
{
    return view().readUInt32(offset);
}

quint32 PublishedBlock::takeKeyEvent()
{
    if (m_size < simlink::Offset::KeyEvent + 4)
        return 0;
    // The field is 4-byte aligned in a page-aligned mapping.
    auto *word = reinterpret_cast<quint32 *>(m_data + simlink::Offset::KeyEvent);
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
    for (qint64 off = simlink::Offset::FrameBuffer; off + 4 <= m_size; off += 4)
        setUInt32(off, argb);
}

void PublishedBlock::fill8(quint8 index)
{
    if (m_size > simlink::Offset::FrameBuffer)
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
    : m_dir(runtimeDir.isEmpty() ? QString::fromStdString(native::runtimeDirectory()) : runtimeDir)
{
}

Publisher::~Publisher()
{
    tearDown();
}

bool Publisher::ensureRuntimeDir()
{
    struct stat st;
    if (lstat(QFile::encodeName(m_dir).constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!QDir().mkpath(m_dir)) {
        m_error = QStringLiteral("cannot create %1").arg(m_dir);
        return false;
    }
    ::chmod(QFile::encodeName(m_dir).constData(), 0700);
    return true;
}

namespace {

// Creates the key file when it is missing. False when the path cannot be
// opened or holds something other than a regular file (a FIFO is never
// waited on).
bool makeKeyFile(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

// Puts a new key file (a new inode, so a new ftok key) in place of the old
// one. The new file is made beside the old one first and renamed over it:
// unlinking first would let the file system hand the freed inode straight
// back, and the key would not change. For the same reason the old inode,
// whose key a block still in use holds, and every new file whose key turns
// out to be taken as well stay open in held: a file system that reuses freed
// inodes would otherwise offer them again for the next key file.
bool replaceKeyFile(const QByteArray &path, QList<int> &held)
{
    const int old = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (old >= 0)
        held.append(old);
    for (int attempt = 0; attempt < 16; ++attempt) {
        QByteArray temp = path + ".XXXXXX";
        const int fd = mkstemp(temp.data());
        if (fd < 0)
            return false;
        const key_t key = ftok(temp.constData(), 'Q');
        if (key != key_t(-1) && shmget(key, 0, 0) < 0 && errno == ENOENT) {
            ::close(fd);
            if (::rename(temp.constData(), path.constData()) == 0)
                return true;
            ::unlink(temp.constData());
            return false;
        }
        ::unlink(temp.constData());
        held.append(fd);
    }
    return false;
}

// Whether a presence file is locked exclusively by another open file.
bool presenceHeldElsewhere(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool held = false;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (flock(fd, LOCK_SH | LOCK_NB) != 0)
            held = errno == EWOULDBLOCK;
    }
    ::close(fd);
    return held;
}

} // namespace

PublishedBlock *Publisher::createBlock(const QString &name, qint64 size)
{
    if (m_blocks.contains(name))
        destroyBlock(name);
    if (!ensureRuntimeDir())
        return nullptr;
    const QString keyFile = m_dir + QLatin1Char('/') + name;
    const QByteArray path = QFile::encodeName(keyFile);

    // ftok keeps only part of the inode, so another key file can map to the
    // same key. A stale segment of our own that nobody holds is replaced; a
    // key held by anything else gets a fresh key file (a new inode).
    int id = -1;
    void *addr = nullptr;
    for (int attempt = 0; attempt < 16 && !addr; ++attempt) {
        if (!makeKeyFile(path) && !replaceKeyFile(path, m_heldInodes)) {
            m_error = QStringLiteral("cannot create key file %1").arg(keyFile);
            return nullptr;
        }
        const key_t key = ftok(path.constData(), 'Q');
        if (key == key_t(-1)) {
            m_error = QStringLiteral("ftok failed for %1").arg(keyFile);
            return nullptr;
        }
        id = shmget(key, size_t(size), IPC_CREAT | IPC_EXCL | 0600);
        if (id >= 0) {
            void *mapped = shmat(id, nullptr, 0);
            if (mapped != reinterpret_cast<void *>(-1)) {
                addr = mapped;
                break;
            }
            // Until it is attached here the new segment has no attachment:
            // a tool that attached and detached it meanwhile was its last
            // user and removed it. Make another one.
            const int attachError = errno;
            shmctl(id, IPC_RMID, nullptr);
            id = -1;
            if (attachError == EINVAL || attachError == EIDRM)
                continue;
            m_error = QStringLiteral("shmat failed for %1: %2").arg(keyFile, QString::fromLocal8Bit(strerror(attachError)));
            return nullptr;
        }
        if (errno != EEXIST) {
            m_error = QStringLiteral("shmget failed for %1: %2").arg(keyFile, QString::fromLocal8Bit(strerror(errno)));
            return nullptr;
        }
        const int existing = shmget(key, 0, 0);
        struct shmid_ds ds;
        if (existing >= 0 && shmctl(existing, IPC_STAT, &ds) == 0 && ds.shm_perm.uid == getuid()
            && ds.shm_nattch == 0) {
            shmctl(existing, IPC_RMID, nullptr);
        } else if (!replaceKeyFile(path, m_heldInodes)) {
            m_error = QStringLiteral("cannot replace key file %1").arg(keyFile);
            return nullptr;
        }
    }
    if (!addr) {
        m_error = QStringLiteral("no free key for %1").arg(keyFile);
        return nullptr;
    }
    std::memset(addr, 0, size_t(size));
    PublishedBlock *block = new PublishedBlock(static_cast<uchar *>(addr), size, id, keyFile);
    m_blocks.insert(name, block);
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

void Publisher::announceLayers()
{
    for (int n = simlink::MaxLayers - 1; n >= 0; --n)
        if (PublishedBlock *b = layer(n))
            b->setInUse(1);
}

void Publisher::destroyBlock(const QString &name)
{
    PublishedBlock *block = m_blocks.take(name);
    if (!block)
        return;
    shmdt(block->data());
    // Marked for removal: a tool that is still attached keeps a valid mapping
    // until it detaches, and nobody can attach the old segment any more.
    shmctl(block->shmId(), IPC_RMID, nullptr);
    ::unlink(QFile::encodeName(block->keyFile()).constData());
    delete block;
}

bool Publisher::holdPresence(const char *windowClass, int timeoutMs)
{
    const QString name = QString::fromLatin1(windowClass);
    if (m_presence.contains(name))
        return true;
    if (!ensureRuntimeDir())
        return false;
    const QByteArray path = QFile::encodeName(m_dir + QLatin1Char('/') + name);
    const int fd = ::open(path.constData(), O_CREAT | O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        m_error = QStringLiteral("cannot open presence file %1").arg(QString::fromLocal8Bit(path));
        return false;
    }
    // A tool's probe holds a shared lock for an instant only; a lock that
    // stays belongs to another simulation.
    QElapsedTimer timer;
    timer.start();
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            m_error = QStringLiteral("cannot lock presence file %1: %2")
                          .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(strerror(errno)));
            ::close(fd);
            return false;
        }
        if (timer.elapsed() >= timeoutMs) {
            ::close(fd);
            m_error = QStringLiteral("another simulation already runs in %1").arg(m_dir);
            return false;
        }
        QThread::msleep(20);
    }
    // One simulation per directory, whatever its window class: the other
    // class's file is probed with a shared lock, which only another
    // simulation's exclusive lock refuses (the tool probes shared too).
    const QString other = name == QLatin1String(simlink::MainframeWindowClass)
        ? QLatin1String(simlink::DeviceWindowClass)
        : QLatin1String(simlink::MainframeWindowClass);
    if (!m_presence.contains(other) && presenceHeldElsewhere(QFile::encodeName(m_dir + QLatin1Char('/') + other))) {
        ::close(fd);
        m_error = QStringLiteral("another simulation already runs in %1").arg(m_dir);
        return false;
    }
    m_presence.insert(name, fd);
    return true;
}

void Publisher::releasePresence(const char *windowClass)
{
    const QString name = QString::fromLatin1(windowClass);
    if (m_presence.contains(name))
        ::close(m_presence.take(name));
}

void Publisher::releaseHeldInodes()
{
    for (int fd : qAsConst(m_heldInodes))
        ::close(fd);
    m_heldInodes.clear();
}

void Publisher::abandon()
{
    for (auto it = m_presence.cbegin(); it != m_presence.cend(); ++it)
        ::close(it.value());
    m_presence.clear();
    releaseHeldInodes();
    for (PublishedBlock *block : qAsConst(m_blocks)) {
        shmdt(block->data());
        delete block;
    }
    m_blocks.clear();
}

void Publisher::tearDown()
{
    for (auto it = m_presence.cbegin(); it != m_presence.cend(); ++it)
        ::close(it.value());
    m_presence.clear();
    releaseHeldInodes();
    const QStringList names = m_blocks.keys();
    for (const QString &name : names)
        destroyBlock(name);
}

} // namespace sim
