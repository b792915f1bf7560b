#pragma once

#include "simlink/layerblock.h"

#include "noxel/publish.h"
#include "publish/src/link.h"

#include <QMap>
#include <QString>
#include <QtGlobal>

// Plays a running simulation for the tests: the global block and layer
// blocks in any order, size and content (gaps, short blocks, malformed
// headers), presence locks of either window class, crashes on purpose. The
// directory, key files, segments and locks are the publishing library's own
// (publish/src/link.h), so they follow the link exactly as a simulation on
// the library does; simulations proper use the library's public calls.
namespace sim {

// One published block, with typed access to every header field.
class PublishedBlock
{
public:
    PublishedBlock(uchar *data, qint64 size, int shmId, const QString &keyFile);

    uchar *data() const { return bytes; }
    qint64 size() const { return byteCount; }
    int shmId() const { return segmentId; }
    QString keyFile() const { return keyPath; }
    BlockView view() const { return BlockView(bytes, byteCount); }

    void setUInt8(qint64 offset, quint8 value);
    void setUInt32(qint64 offset, quint32 value);
    void setInt32(qint64 offset, qint32 value) { setUInt32(offset, quint32(value)); }
    quint32 uint32At(qint64 offset) const;

    void setInUse(quint8 v) { setUInt8(simlink::Offset::InUse, v); }
    void setXSize(qint32 v) { setInt32(simlink::Offset::XSize, v); }
    void setYSize(qint32 v) { setInt32(simlink::Offset::YSize, v); }
    void setVxSize(qint32 v) { setInt32(simlink::Offset::VxSize, v); }
    void setVySize(qint32 v) { setInt32(simlink::Offset::VySize, v); }
    void setBitsPerPixel(qint32 v) { setInt32(simlink::Offset::BitsPerPixel, v); }
    void setNumColors(qint32 v) { setInt32(simlink::Offset::NumColors, v); }
    void setContentCounter(qint32 v) { setInt32(simlink::Offset::ContentCounter, v); }
    void setPaletteCounter(qint32 v) { setInt32(simlink::Offset::PaletteCounter, v); }
    void setXOrg(qint32 v) { setInt32(simlink::Offset::XOrg, v); }
    void setYOrg(qint32 v) { setInt32(simlink::Offset::YOrg, v); }
    void setLayerAlpha(quint8 v) { setUInt8(simlink::Offset::LayerAlpha, v); }
    void setXPos(qint32 v) { setInt32(simlink::Offset::XPos, v); }
    void setYPos(qint32 v) { setInt32(simlink::Offset::YPos, v); }
    void setBkColor(quint32 v) { setUInt32(simlink::Offset::BkColor, v); }
    void setCompositeSize(int width, int height)
    {
        setUInt32(simlink::Offset::CompositeSize, (quint32(height & 0xFFFF) << 16) | quint32(width & 0xFFFF));
    }
    void setKeyColorMin(quint32 v) { setUInt32(simlink::Offset::KeyColorMin, v); }
    void setKeyColorMax(quint32 v) { setUInt32(simlink::Offset::KeyColorMax, v); }
    void setTransMode(qint32 v) { setInt32(simlink::Offset::TransMode, v); }
    void setPaletteEntry(int i, quint32 argb);
    void bumpContent() { setContentCounter(qint32(uint32At(simlink::Offset::ContentCounter) + 1)); }
    void bumpPalette() { setPaletteCounter(qint32(uint32At(simlink::Offset::PaletteCounter) + 1)); }

    // Input fields the tool writes.
    quint32 keyEvent() const { return uint32At(simlink::Offset::KeyEvent); }
    // Reads keyEvent and sets it to 0 in one atomic step, so a word the tool
    // writes meanwhile is never cleared unread.
    quint32 takeKeyEvent();
    qint32 pointerX() const { return qint32(uint32At(simlink::Offset::PointerX)); }
    qint32 pointerY() const { return qint32(uint32At(simlink::Offset::PointerY)); }
    qint32 pointerPressed() const { return qint32(uint32At(simlink::Offset::PointerPressed)); }

    // Frame buffer: byte offset from the start of the pixel area; writes that
    // would leave the block are dropped.
    uchar *pixels() const { return bytes + simlink::Offset::FrameBuffer; }
    qint64 pixelBytes() const { return byteCount - simlink::Offset::FrameBuffer; }
    // Pixel (x, y) with rows of xSize pixels (as the block's header says).
    void setPixel32(int x, int y, quint32 argb);
    void setPixel8(int x, int y, quint8 index);
    void fill32(quint32 argb);
    void fill8(quint8 index);

private:
    uchar *bytes;
    qint64 byteCount;
    int segmentId;
    QString keyPath;
};

// The description of a layer to publish.
struct LayerSpec
{
    int xSize = 0;
    int ySize = 0;
    int vxSize = -1; // -1: same as xSize
    int vySize = -1; // -1: same as ySize
    int bitsPerPixel = 32;
    int numColors = 0; // 1..256 makes the layer indexed
    int xPos = 0;
    int yPos = 0;
    // Block size in bytes; -1 sizes it for every pixel the layer publishes.
    qint64 blockSize = -1;

    // A layer of that size and colour format, at (0, 0), without a virtual screen.
    static LayerSpec of(int width, int height, int numColors = 0, int bitsPerPixel = 32)
    {
        LayerSpec s;
        s.xSize = width;
        s.ySize = height;
        s.numColors = numColors;
        s.bitsPerPixel = bitsPerPixel;
        return s;
    }
};

// Number of attachments of a published block (the publisher's own included),
// or -1 when the segment is gone.
int attachCount(const PublishedBlock *block);

// Bytes a block needs for the layer: the header and every pixel, 4 bytes a
// pixel of the virtual screen also for an indexed layer.
qint64 layerBlockSize(const LayerSpec &spec);

class Publisher
{
public:
    // An empty directory uses the one the tool looks in.
    explicit Publisher(const QString &runtimeDir = QString());
    ~Publisher();
    Publisher(const Publisher &) = delete;
    Publisher &operator=(const Publisher &) = delete;

    QString runtimeDir() const { return directory; }
    QString lastError() const { return errorText; }

    // Creates the runtime directory with mode 0700 when it is missing.
    bool ensureRuntimeDir();

    // A raw segment under the block name; replaces a stale one.
    PublishedBlock *createBlock(const QString &name, qint64 size);
    PublishedBlock *createGlobal(quint8 alphaMode);
    // Layer block n with its header filled in; inUse is set last, or left 0
    // when announce is false (the caller sets it once the layer is drawn).
    PublishedBlock *createLayer(int n, const LayerSpec &spec, bool announce = true);
    // Sets inUse on every layer block, from the highest layer down to layer
    // 0, so that a scan running meanwhile finds either no layer or all.
    void announceLayers();
    // The block this publisher created under that name; otherwise the one a
    // simulation on the library published there, attached as the tool does
    // (and only detached again at teardown); null when there is none.
    PublishedBlock *block(const QString &name) const;
    PublishedBlock *layer(int n) const { return block(simlink::layerBlockName(n)); }
    PublishedBlock *global() const { return block(QLatin1String(simlink::GlobalBlockName)); }
    // Detaches and removes the block and its key file.
    void destroyBlock(const QString &name);

    // Holds the presence lock of a window class ("GUI Simulation Mainframe"
    // or "GUI Device"), retrying for up to timeoutMs; false when another
    // simulation holds it or the other class's lock.
    bool holdPresence(const char *windowClass, int timeoutMs = 2000);
    void releasePresence(const char *windowClass);

    // Releases the presence locks and removes every block.
    void tearDown();
    // Ends as a crashed simulation does: the presence locks go and the
    // blocks are no longer attached here, but they and their key files stay.
    void abandon();

private:
    void releaseHeldInodes();
    void releaseObserved();

    QString directory;
    QString errorText;
    QMap<QString, PublishedBlock *> blocks;
    QMap<QString, nxp_segment> segments;
    mutable QMap<QString, PublishedBlock *> observed;
    QMap<QString, int> presence;
    // Open descriptors of replaced key files whose keys were still in use:
    // while open, their inodes cannot come back as new key files.
    nxp_held held = {};
};

// A simulation opened through the library's public calls in the runtime
// directory the tool looks in, closed with the object.
class OpenSimulation
{
public:
    explicit OpenSimulation(const char *windowClass = nullptr, bool invertedAlpha = false);
    ~OpenSimulation() { noxel_sim_close(handle); }
    OpenSimulation(const OpenSimulation &) = delete;
    OpenSimulation &operator=(const OpenSimulation &) = delete;

    noxel_sim *get() const { return handle; }
    QString error() const { return message; }

private:
    noxel_sim *handle = nullptr;
    QString message;
};

} // namespace sim
