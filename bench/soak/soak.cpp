// Reliability soak: drives a real noxelview process with simulations that
// start and end in every way a real one can, with headers full of wild
// values, and with broken settings files, and checks the tool from outside
// (memory, descriptors, attached segments, event-loop stalls, crashes).
//
//   noxel_soak [--short] [--case 1|2|3] [--cycles N] [--chaos-seconds S] [--own-display] [--probe PATH] [--tool PATH]
//
// --short is the form the test suite runs (about 20 seconds): fewer cycles
// and no bounds on times or on memory growth, since the test machine may be
// busy with other tests. Without it the bounds are:
//   case 1: no crash; under 2 MiB growth of resident memory over the last
//           150 of 200 cycles; attachments dropped within 0.5 s of each end
//           (after blocks were removed under a held lock, the end is when the
//           lock goes: blocks that are merely gone are no end); in a quarter
//           of the clean and killed ends the next simulation starts at once,
//           often before the tool's next tick has seen the end;
//           descriptors and attached segments back to idle at the end;
//   case 2: no crash; under 120 MiB resident; no poll gap over 100 ms;
//           with an X server and xdotool, every window of the tool (menus
//           and dialogs included) no larger than the screen. Its
//           simulations claim wild display sizes (35439 x 33238 and
//           extremes), one per round, and the input mixes pointer, wheel,
//           context-menu entries, zoom keys, Alt+R and toolbar buttons;
//           --own-display runs it under a private Xvfb when there is no
//           display, so that the short form drives that input too;
//   case 3: the tool starts with each broken settings file and keeps running.
// Exit status 0 when every checked bound holds, 1 otherwise.

#include "bench/soak/simchild.h"
#include "bench/soak/toolprocess.h"
#include "bench/soak/xinput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <sys/wait.h>
#include <vector>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace soak;

namespace {

struct Options
{
    QString tool;
    int cycles = 200;
    double chaosSeconds = 60;
    bool strict = true;
    int only = 0; // 1..3 runs that case alone
    // Case 2 under a private Xvfb when there is no display (and Xvfb and
    // xdotool are installed), so that its input is driven there too.
    bool ownDisplay = false;
    // Finds the toolbar buttons on the screen for case 2's clicks.
    QString probe;
};

int failures = 0;

void check(bool ok, const char *what)
{
    std::printf("  %-62s %s\n", what, ok ? "ok" : "FAILED");
    if (!ok)
        ++failures;
}

// Waits (draining the poll watch meanwhile) until done() holds or the
// timeout passes; returns the seconds it took, or -1 on timeout.
template <typename F>
double waitFor(PollWatch &watch, ToolProcess &tool, double timeout, F done)
{
    const double start = now();
    while (!done()) {
        watch.drain();
        if (now() - start > timeout || !tool.alive())
            return -1;
        usleep(2000);
    }
    watch.drain();
    return now() - start;
}

bool allAttached(const QVector<int> &ids, int count)
{
    for (int id : ids)
        if (attachCountOf(id) != count)
            return false;
    return true;
}

// What the tool had attached and what the runtime directory held, for a
// failed cycle: each file with the segment its key names now.
void reportState(ToolProcess &tool, const QVector<int> &ids, const QString &runtimeDir)
{
    QStringList layers;
    for (int id : ids)
        layers.append(QStringLiteral("%1 (%2)").arg(id).arg(attachCountOf(id)));
    QStringList mapped;
    for (int id : tool.attachedSegmentIds())
        mapped.append(QString::number(id));
    std::printf("    layer segments (attachments): %s\n", qPrintable(layers.join(QStringLiteral(", "))));
    std::printf("    segments the tool has mapped: %s\n", qPrintable(mapped.join(QStringLiteral(", "))));
    const QStringList names = QDir(runtimeDir).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(runtimeDir + QLatin1Char('/') + name);
        struct stat st;
        if (::stat(path.constData(), &st) != 0)
            continue;
        QString segment = QStringLiteral("no segment");
        const key_t key = ftok(path.constData(), 'Q');
        const int id = key == key_t(-1) ? -1 : shmget(key, 0, 0);
        if (id >= 0)
            segment = QStringLiteral("segment %1 (%2 attachments)").arg(id).arg(attachCountOf(id));
        std::printf("    %-26s inode %lu: %s\n", qPrintable(name), static_cast<unsigned long>(st.st_ino),
                    qPrintable(segment));
    }
}

struct Environment
{
    QTemporaryDir root;
    QString runtimeDir() const { return root.path() + QStringLiteral("/run"); }
    QString configHome(const QString &name) const { return root.path() + QStringLiteral("/config-") + name; }
    QString log() const { return root.path() + QStringLiteral("/tool.log"); }
};

// Cycle i's simulation: layer counts change every four cycles.
SimPlan cyclePlan(int i)
{
    static const int counts[] = {1, 4, 2, 8, 3, 20, 5};
    SimPlan plan;
    plan.layers = counts[(i / 4) % 7];
    plan.seed = unsigned(i + 1);
    return plan;
}

// Case 1: start/end cycles in four ways, with layer counts that change every
// few cycles.
void runCycles(const Options &o, Environment &env)
{
    std::printf("case 1: %d start/end cycles\n", o.cycles);
    ToolProcess tool(o.tool, env.runtimeDir(), env.configHome(QStringLiteral("cycles")), env.log());
    PollWatch watch(env.runtimeDir());
    waitFor(watch, tool, 1.0, [] { return false; });
    watch.restart(); // the gaps of the tool's event loop, not of its start
    const qint64 rssStart = tool.residentKiB();
    const int fdsStart = tool.openDescriptors();
    std::printf("  at start: resident %lld KiB, %d descriptors, %d segments\n", rssStart, fdsStart,
                tool.attachedSegments());

    const int warmup = o.cycles >= 200 ? 50 : o.cycles / 4;
    qint64 rssWarm = -1;
    int fdsWarm = -1;
    double slowestAttach = 0;
    double slowestDrop = 0;
    int lost = 0;
    double longestGap = 0;
    int quickRestarts = 0;
    std::unique_ptr<SimChild> next; // started before the tool saw the last end
    for (int i = 0; i < o.cycles && tool.alive(); ++i) {
        const SimPlan plan = cyclePlan(i);
        std::unique_ptr<SimChild> current = next ? std::move(next) : std::make_unique<SimChild>(env.runtimeDir(), plan);
        SimChild &sim = *current;
        if (!sim.started()) {
            std::printf("  cycle %d: %s\n", i, qPrintable(sim.error()));
            ++lost;
            break;
        }
        // The views come back: the tool attaches every layer.
        const double attach = waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), 2); });
        if (attach < 0) {
            std::printf("  cycle %d: the tool did not attach all %d layers\n", i, plan.layers);
            reportState(tool, sim.layerIds(), env.runtimeDir());
            ++lost;
        }
        slowestAttach = qMax(slowestAttach, attach);
        waitFor(watch, tool, 0.05, [] { return false; });
        double drop = -1;
        // The next simulation starts right after the end, under the same
        // presence file, before the tool has let go of this one.
        const bool quick = (i % 8 == 4 || i % 8 == 5) && i + 1 < o.cycles;
        double ended = 0;
        switch (i % 4) {
        case 0: // ends in turn: lock released, blocks removed
            sim.send(SimChild::EndCleanly);
            sim.waitExit();
            ended = now();
            if (quick)
                next = std::make_unique<SimChild>(env.runtimeDir(), cyclePlan(i + 1));
            drop = waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), -1); });
            break;
        case 1: // crash: nothing is cleaned up
            sim.killHard();
            ended = now();
            if (quick)
                next = std::make_unique<SimChild>(env.runtimeDir(), cyclePlan(i + 1));
            drop = waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), -1); });
            break;
        case 2: // window hidden, blocks left: the tool detaches, the simulation stays attached
            sim.send(SimChild::DropLock);
            drop = waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), 1); });
            sim.send(SimChild::Quit);
            sim.waitExit();
            break;
        default: // blocks removed, lock held: the tool notices only the
                 // lock; until then it keeps its (still valid) mappings
            sim.send(SimChild::RemoveBlocks);
            waitFor(watch, tool, 0.1, [] { return false; });
            sim.send(SimChild::Quit);
            sim.waitExit();
            drop = waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), -1); });
            break;
        }
        if (quick) {
            ++quickRestarts;
            if (drop >= 0)
                drop = now() - ended;
        }
        if (drop < 0) {
            std::printf("  cycle %d (end %d%s): the tool kept its attachments\n", i, i % 4,
                        quick ? ", next started at once" : "");
            reportState(tool, sim.layerIds(), env.runtimeDir());
            ++lost;
        }
        slowestDrop = qMax(slowestDrop, drop);
        if (watch.longestGap() > longestGap + 0.05) {
            longestGap = watch.longestGap();
            std::printf("  cycle %d (%d layers, end %d): longest gap between polls now %.0f ms\n", i,
                        plan.layers, i % 4, longestGap * 1000);
        }
        if (i + 1 == warmup) {
            waitFor(watch, tool, 0.3, [] { return false; });
            rssWarm = tool.residentKiB();
            fdsWarm = tool.openDescriptors();
        }
    }
    waitFor(watch, tool, 0.5, [] { return false; });
    const bool alive = tool.alive();
    const qint64 rssEnd = tool.residentKiB();
    const int fdsEnd = tool.openDescriptors();
    const int segsEnd = tool.attachedSegments();
    std::printf("  after warm-up (%d cycles): resident %lld KiB, %d descriptors\n", warmup, rssWarm, fdsWarm);
    std::printf("  at end: resident %lld KiB, %d descriptors, %d segments\n", rssEnd, fdsEnd, segsEnd);
    std::printf("  growth over the last %d cycles: %lld KiB\n", o.cycles - warmup, rssEnd - rssWarm);
    std::printf("  slowest attach of all layers: %.3f s; slowest drop after an end: %.3f s\n", slowestAttach,
                slowestDrop);
    std::printf("  restarts at once after an end: %d\n", quickRestarts);
    std::printf("  longest gap between polls: %.1f ms (%ld polls)\n", watch.longestGap() * 1000, watch.opens());
    check(alive, alive ? "no crash" : qPrintable(QStringLiteral("no crash (%1)").arg(tool.endReason())));
    check(lost == 0, "views back after every start, attachments dropped after every end");
    check(segsEnd == 0, "attached segments back to idle (0)");
    check(fdsEnd <= qMax(fdsStart, fdsWarm), "descriptors back to idle");
    if (o.strict) {
        check(rssEnd - rssWarm < 2048, "under 2 MiB growth after warm-up");
        check(slowestDrop <= 0.5, "attachments dropped within 0.5 s");
    }
}

// The display sizes the simulations of case 2 claim, one per round: the
// tool builds a composite view of each.
const QSize ClaimedDisplays[] = {{35439, 33238}, {65535, 65535}, {65535, 2}, {3, 65535}};

// Case 2: wild header values on every frame at 60 Hz, under rounds of
// simulations that claim wild display sizes, with random input.
void runChaos(const Options &o, Environment &env)
{
    std::printf("case 2: random and extreme header fields at 60 Hz for %.0f s\n", o.chaosSeconds);
    std::unique_ptr<PrivateDisplay> display;
    if (o.ownDisplay && qEnvironmentVariableIsEmpty("DISPLAY"))
        display = std::make_unique<PrivateDisplay>();
    ToolProcess tool(o.tool, env.runtimeDir(), env.configHome(QStringLiteral("chaos")), env.log());
    PollWatch watch(env.runtimeDir());
    const bool input = !qEnvironmentVariableIsEmpty("DISPLAY") && access("/usr/bin/xdotool", X_OK) == 0;
    const bool probe = input && QFileInfo(o.probe).isExecutable();
    std::printf("  pointer, wheel and keys: %s; toolbar buttons: %s\n",
                input ? "driven with xdotool" : "skipped (no X server or no xdotool)",
                probe ? "found with e2eprobe" : "not clicked (no X server or no e2eprobe)");
    const int rounds = o.chaosSeconds >= 12 ? 4 : 2;
    const double roundSeconds = o.chaosSeconds / rounds;
    QSize screen;
    if (input) {
        const QStringList wh = xdotoolOutput(QStringLiteral("getdisplaygeometry")).split(QLatin1Char(' '));
        if (wh.size() == 2)
            screen = QSize(wh.at(0).toInt(), wh.at(1).trimmed().toInt());
    }
    BackgroundQuery windows(env.root.path() + QStringLiteral("/windows.txt"));
    BackgroundQuery buttons(env.root.path() + QStringLiteral("/buttons.txt"));
    InputMix mix(777);
    QSize windowMax(0, 0);
    qint64 rssWarm = -1;
    int fdsWarm = -1;
    qint64 rssMax = 0;
    double rssSampled = 0;
    const auto sampleMemory = [&] {
        if (now() - rssSampled >= 0.01) {
            rssMax = qMax(rssMax, tool.residentKiB());
            rssSampled = now();
        }
        return false;
    };
    bool started = true;
    for (int round = 0; round < rounds && started && tool.alive(); ++round) {
        SimPlan plan;
        plan.layers = 5;
        plan.chaos = true;
        plan.seed = 12345u + unsigned(round);
        plan.compositeWidth = ClaimedDisplays[round % 4].width();
        plan.compositeHeight = ClaimedDisplays[round % 4].height();
        SimChild sim(env.runtimeDir(), plan);
        if (!sim.started()) {
            check(false, qPrintable(sim.error()));
            started = false;
            break;
        }
        const double roundStart = now();
        if (round == 0) {
            waitFor(watch, tool, 2.0, [] { return false; });
            rssWarm = tool.residentKiB();
            fdsWarm = tool.openDescriptors();
            watch.restart();
            rssMax = rssWarm;
        }
        const double end = now() + roundSeconds;
        unsigned step = 0;
        while (now() < end && tool.alive()) {
            waitFor(watch, tool, 0.1, sampleMemory);
            while (waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            if (!input)
                continue;
            if (windows.ready()) {
                const WindowScan scan = parseWindowScan(windows.output());
                windowMax = windowMax.expandedTo(scan.largest);
                mix.setWindow(scan.main);
            }
            if (buttons.ready())
                mix.setButtons(parseButtons(buttons.output()));
            if (step % 10 == 0 && !windows.running())
                windows.start(windowScanCommand(tool.pid()));
            if (probe && step % 30 == 5 && !buttons.running())
                buttons.start(buttonScanCommand(o.probe, QStringLiteral(NOXEL_ICON_DIR)));
            ++step;
            mix.step();
        }
        sim.send(SimChild::EndCleanly);
        sim.waitExit();
        // The views go before the next simulation comes.
        waitFor(watch, tool, 2.0, [&] { return tool.attachedSegments() == 0; });
        QStringList stalls;
        for (double at : watch.stallEnds())
            if (at >= roundStart)
                stalls.append(QStringLiteral("%1 s").arg(at - roundStart, 0, 'f', 1));
        std::printf("  round %d: display claimed %d x %d; resident at most %lld KiB so far; gaps over 100 ms "
                    "ending at: %s\n",
                    round + 1, plan.compositeWidth, plan.compositeHeight, rssMax,
                    stalls.isEmpty() ? "none" : qPrintable(stalls.join(QStringLiteral(", "))));
    }
    watch.drain();
    const double gap = watch.longestGap();
    xdotool({"key", "Escape", "Escape"});
    waitFor(watch, tool, 0.5, [&] { return tool.attachedSegments() == 0; });
    const bool alive = tool.alive();
    std::printf("  after warm-up: resident %lld KiB, %d descriptors\n", rssWarm, fdsWarm);
    std::printf("  at end: resident %lld KiB (highest %lld KiB), %d descriptors, %d segments\n", tool.residentKiB(),
                rssMax, tool.openDescriptors(), tool.attachedSegments());
    std::printf("  longest gap between polls: %.1f ms (%ld polls, %ld gaps over 100 ms)\n", gap * 1000, watch.opens(),
                watch.stalls());
    check(alive, alive ? "no crash" : qPrintable(QStringLiteral("no crash (%1)").arg(tool.endReason())));
    if (o.strict)
        check(rssMax < 120 * 1024, "under 120 MiB resident");
    if (screen.isValid()) {
        std::printf("  largest window seen: %d x %d on a %d x %d screen\n", windowMax.width(), windowMax.height(),
                    screen.width(), screen.height());
        check(windowMax.width() > 0 && windowMax.width() <= screen.width() && windowMax.height() <= screen.height(),
              "every window within the screen");
    }
    if (o.strict)
        check(gap <= 0.1, "no stall over 100 ms");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Case 3: broken settings. The tool runs as root in containers too, where
// permissions do not stop it, so an unreadable file is a directory in its
// place and an unwritable location is a plain file where the settings
// folder should be.
void runSettings(const Options &o, Environment &env)
{
    std::printf("case 3: broken settings files\n");
    struct Variant { const char *name; int kind; };
    const Variant variants[] = {{"garbage", 0}, {"unreadable", 1}, {"unwritable", 2}};
    for (const Variant &v : variants) {
        const QString config = env.configHome(QString::fromLatin1(v.name));
        const QString folder = config + QStringLiteral("/Travik");
        QDir().mkpath(v.kind == 2 ? config : folder);
        const QString file = folder + QStringLiteral("/noXelView.conf");
        if (v.kind == 0) {
            QByteArray junk("[General\n=\n\x01\x02\xff\xfe garbage ]]] \\\nDefaultGridColor=zz\nAlwaysOnTop=@Variant(\xff)\n"
                            "MultiDisplay=99999999999999999999\n[General]\nTransDrawMode=-7\n");
            for (int i = 0; i < 4096; ++i)
                junk.append(char((i * 7919) & 0xFF));
            writeFile(file, junk);
        } else if (v.kind == 1) {
            QDir().mkpath(file);
        } else {
            writeFile(folder, QByteArray("not a folder"));
        }
        ToolProcess tool(o.tool, env.runtimeDir(), config, env.log());
        PollWatch watch(env.runtimeDir());
        SimPlan plan;
        plan.layers = 2;
        SimChild sim(env.runtimeDir(), plan);
        const bool shown = sim.started() && waitFor(watch, tool, 10.0, [&] { return allAttached(sim.layerIds(), 2); }) >= 0;
        sim.send(SimChild::EndCleanly);
        sim.waitExit();
        waitFor(watch, tool, 0.5, [] { return false; });
        const bool alive = tool.alive();
        std::printf("  %-10s settings: %s, %s\n", v.name, shown ? "views shown" : "no views",
                    alive ? "running" : qPrintable(tool.endReason()));
        check(shown && alive, "starts, shows the simulation and keeps running");
    }
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QCoreApplication app(argc, argv);
    Options o;
    o.tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../../noxelview");
    o.probe = QCoreApplication::applicationDirPath() + QStringLiteral("/../../tests/e2e/e2eprobe");
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString next = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (a == QLatin1String("--short")) {
            o.cycles = 40;
            o.chaosSeconds = 6;
            o.strict = false;
        } else if (a == QLatin1String("--cycles")) {
            o.cycles = next.toInt();
            ++i;
        } else if (a == QLatin1String("--chaos-seconds")) {
            o.chaosSeconds = next.toDouble();
            ++i;
        } else if (a == QLatin1String("--case")) {
            o.only = next.toInt();
            ++i;
        } else if (a == QLatin1String("--own-display")) {
            o.ownDisplay = true;
        } else if (a == QLatin1String("--probe")) {
            o.probe = next;
            ++i;
        } else if (a == QLatin1String("--tool")) {
            o.tool = next;
            ++i;
        } else {
            std::fprintf(stderr, "usage: noxel_soak [--short] [--case 1|2|3] [--cycles N] [--chaos-seconds S] [--own-display] [--probe PATH] [--tool PATH]\n");
            return 2;
        }
    }
    if (!QFileInfo(o.tool).isExecutable()) {
        std::fprintf(stderr, "noxel_soak: no tool at %s (use --tool)\n", qPrintable(o.tool));
        return 2;
    }
    Environment env;
    QDir().mkpath(env.runtimeDir());
    chmod(QFile::encodeName(env.runtimeDir()).constData(), 0700);
    if (o.only == 0 || o.only == 1)
        runCycles(o, env);
    if (o.only == 0 || o.only == 2)
        runChaos(o, env);
    if (o.only == 0 || o.only == 3)
        runSettings(o, env);
    std::printf("%s (tool log: %s)\n", failures ? "soak FAILED" : "soak passed", qPrintable(env.log()));
    if (failures)
        env.root.setAutoRemove(false);
    return failures ? 1 : 0;
}
