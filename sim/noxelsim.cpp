// The demo simulation: publishes the demo scene and animates it until it is
// interrupted (SIGINT or SIGTERM), then releases its blocks and presence.
#include "sim/demoscene.h"
#include "sim/publisher.h"
#include "simlink/connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>
#include <cstdio>

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int)
{
    stopRequested = 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    sim::Publisher publisher;
    sim::DemoScene scene(publisher);
    if (!scene.publish()) {
        std::fprintf(stderr, "noxelsim: %s\n", qPrintable(publisher.lastError()));
        return 1;
    }
    // The blocks exist before the window's presence is announced.
    if (!publisher.holdPresence(simlink::MainframeWindowClass)) {
        std::fprintf(stderr, "noxelsim: %s\n", qPrintable(publisher.lastError()));
        return 1;
    }
    std::printf("noxelsim: publishing in %s (Ctrl+C to stop)\n", qPrintable(publisher.runtimeDir()));
    std::fflush(stdout);

    int frame = 0;
    while (!stopRequested) {
        scene.step(++frame);
        QThread::msleep(40);
    }
    publisher.tearDown();
    std::printf("noxelsim: stopped\n");
    return 0;
}
