#include "bench/soak/simchild.h"

#include "sim/publisher.h"
#include "simlink/connection.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace soak {

namespace {

bool writeAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool readAll(int fd, void *data, size_t size, int timeoutMs)
{
    char *p = static_cast<char *>(data);
    while (size > 0) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, timeoutMs) <= 0)
            return false;
        const ssize_t n = read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

// Layer n of a plan: layer 0 true colour 320 x 240, the others smaller,
// every third one indexed, with a virtual screen on layer 1; layer 4 is
// published 2 x 240 in a block that holds 320 x 240 pixels, so that its view
// is built for a narrow shape and the chaos draws it wide later.
sim::LayerSpec layerSpec(int n)
{
    if (n == 0)
        return sim::LayerSpec::of(320, 240);
    if (n == 4) {
        sim::LayerSpec s = sim::LayerSpec::of(2, 240);
        s.blockSize = sim::layerBlockSize(sim::LayerSpec::of(320, 240));
        return s;
    }
    sim::LayerSpec s = n % 3 == 2 ? sim::LayerSpec::of(96, 64, 256, 8) : sim::LayerSpec::of(120, 80);
    s.xPos = (n * 37) % 200;
    s.yPos = (n * 23) % 160;
    if (n == 1)
        s.vySize = 160;
    return s;
}

// A header value as a misbehaving simulation may write it.
qint32 wildValue(std::mt19937 &rng)
{
    switch (rng() % 8) {
    case 0: return 0;
    case 1: return -1;
    case 2: return INT_MAX;
    case 3: return INT_MIN;
    case 4: return qint32(rng() % 4096);
    case 5: return -qint32(rng() % 4096);
    case 6: return qint32(rng());
    default: return qint32(rng() % 65536);
    }
}

// A display size as a misbehaving simulation may claim it: each side of the
// 16-bit field at an extreme, a wild random value or a sane one.
int wildSide(std::mt19937 &rng)
{
    static const int sides[] = {0, 1, 65535, 35439, 33238, 32768, 800, 480};
    return rng() % 2 ? sides[rng() % 8] : int(rng() % 65536);
}

// A layer size that the block holds (width x height pixels of the layer's
// depth within its pixel area), as a simulation that draws into its own
// buffer but with a changing shape would write it: a wide single row, a
// tall single column or anything between.
void shapeWithinBlock(sim::PublishedBlock *b, std::mt19937 &rng)
{
    const qint64 bpp = simlink::bitsPerPixel(b->view()) <= 8 ? 1 : 4;
    const qint64 pixels = qMax<qint64>(1, b->pixelBytes() / bpp);
    const qint64 w = 1 + qint64(rng() % quint32(pixels));
    const qint64 h = 1 + qint64(rng() % quint32(qMax<qint64>(1, pixels / w)));
    b->setXSize(qint32(w));
    b->setYSize(qint32(h));
    b->setVxSize(qint32(w));
    b->setVySize(qint32(h));
}

// Rewrites a few random header fields of the layer.
void scramble(sim::PublishedBlock *b, std::mt19937 &rng)
{
    const int fields = 1 + int(rng() % 4);
    for (int i = 0; i < fields; ++i) {
        const qint32 v = wildValue(rng);
        switch (rng() % 18) {
        case 16: shapeWithinBlock(b, rng); break;
        case 17: b->setCompositeSize(wildSide(rng), wildSide(rng)); break;
        case 0: b->setXSize(v); break;
        case 1: b->setYSize(v); break;
        case 2: b->setVxSize(v); break;
        case 3: b->setVySize(v); break;
        case 4: b->setBitsPerPixel(rng() % 2 ? v : qint32(rng() % 40)); break;
        case 5: b->setNumColors(v); break;
        case 6: b->setXOrg(v); break;
        case 7: b->setYOrg(v); break;
        case 8: b->setXPos(v); break;
        case 9: b->setYPos(v); break;
        case 10: b->setCompositeSize(v, wildValue(rng)); break;
        case 11: b->setTransMode(v); break;
        case 12: b->setKeyColorMin(quint32(v)); b->setKeyColorMax(quint32(wildValue(rng))); break;
        case 13: b->setLayerAlpha(quint8(v)); break;
        case 14: b->setPaletteCounter(v); break;
        default: b->setContentCounter(v); break;
        }
    }
    b->bumpContent();
}

// Restores the header of layer n (the chaos returns to a sane state now and
// then, so that the tool also builds views of what follows).
void restore(sim::PublishedBlock *b, int n)
{
    const sim::LayerSpec s = layerSpec(n);
    b->setXSize(s.xSize);
    b->setYSize(s.ySize);
    b->setVxSize(s.vxSize < 0 ? s.xSize : s.vxSize);
    b->setVySize(s.vySize < 0 ? s.ySize : s.vySize);
    b->setBitsPerPixel(s.bitsPerPixel);
    b->setNumColors(s.numColors);
    b->setXOrg(0);
    b->setYOrg(0);
    b->setXPos(s.xPos);
    b->setYPos(s.yPos);
    b->setTransMode(0);
    b->setLayerAlpha(255);
    b->bumpContent();
}

[[noreturn]] void runChild(const QString &runtimeDir, const SimPlan &plan, int commands, int report)
{
    sim::Publisher pub(runtimeDir);
    std::mt19937 rng(plan.seed);
    bool ok = pub.createGlobal(1) != nullptr;
    for (int n = 0; ok && n < plan.layers; ++n) {
        sim::PublishedBlock *b = pub.createLayer(n, layerSpec(n), false);
        ok = b != nullptr;
        if (ok && n == 0 && (plan.compositeWidth > 0 || plan.compositeHeight > 0))
            b->setCompositeSize(plan.compositeWidth, plan.compositeHeight);
        if (ok && layerSpec(n).numColors > 0)
            for (int i = 0; i < 256; ++i)
                b->setPaletteEntry(i, 0xFF000000u | quint32(i * 0x010203));
    }
    if (ok) {
        pub.announceLayers();
        ok = pub.holdPresence(simlink::MainframeWindowClass);
    }
    const qint32 count = ok ? plan.layers : -1;
    writeAll(report, &count, sizeof count);
    if (!ok) {
        std::fprintf(stderr, "  simulation: %s\n", qPrintable(pub.lastError()));
        pub.tearDown();
        _exit(3);
    }
    for (int n = 0; n < plan.layers; ++n) {
        const qint32 id = pub.layer(n)->shmId();
        writeAll(report, &id, sizeof id);
    }
    bool blocksGone = false;
    for (unsigned frame = 0;; ++frame) {
        pollfd pfd{commands, POLLIN, 0};
        if (poll(&pfd, 1, 16) > 0) {
            char c = 0;
            if (read(commands, &c, 1) != 1)
                c = SimChild::Quit; // parent gone
            switch (c) {
            case SimChild::DropLock:
                pub.releasePresence(simlink::MainframeWindowClass);
                continue;
            case SimChild::RemoveBlocks:
                for (int n = 0; n < plan.layers; ++n)
                    pub.destroyBlock(simlink::layerBlockName(n));
                blocksGone = true;
                continue;
            default:
                pub.tearDown();
                _exit(0);
            }
        }
        if (blocksGone)
            continue;
        if (!plan.chaos) {
            sim::PublishedBlock *b = pub.layer(0);
            b->setPixel32(int(frame % 320), int(frame / 320 % 240), 0xFF000000u | rng());
            b->bumpContent();
            continue;
        }
        // The first half second stays as published, so that the tool builds
        // its views of the published shapes before the chaos starts.
        if (frame < 30)
            continue;
        for (int n = 0; n < plan.layers; ++n) {
            if (frame % 90 == 0)
                restore(pub.layer(n), n);
            else
                scramble(pub.layer(n), rng);
        }
    }
}

} // namespace

SimChild::SimChild(const QString &runtimeDir, const SimPlan &plan)
{
    int down[2];
    int up[2];
    if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("pipe failed");
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        ::close(down[1]);
        ::close(up[0]);
        runChild(runtimeDir, plan, down[0], up[1]);
    }
    ::close(down[0]);
    ::close(up[1]);
    m_toChild = down[1];
    m_fromChild = up[0];
    qint32 count = -1;
    if (!readAll(m_fromChild, &count, sizeof count, 10000) || count < 0) {
        m_error = QStringLiteral("the simulation did not start (another one runs, or no segment could be made)");
        return;
    }
    for (int n = 0; n < count; ++n) {
        qint32 id = -1;
        if (!readAll(m_fromChild, &id, sizeof id, 10000))
            return;
        m_ids.append(id);
    }
    m_started = true;
}

SimChild::~SimChild()
{
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_toChild >= 0)
        ::close(m_toChild);
    if (m_fromChild >= 0)
        ::close(m_fromChild);
}

void SimChild::send(Command command)
{
    const char c = char(command);
    writeAll(m_toChild, &c, 1);
}

void SimChild::killHard()
{
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_reaped = true;
    }
}

bool SimChild::waitExit()
{
    if (m_pid <= 0 || m_reaped)
        return false;
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_reaped = true;
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        usleep(10000);
    }
    return false;
}

} // namespace soak
