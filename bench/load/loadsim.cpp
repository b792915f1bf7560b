// The simulation of the load figures: publishes a scene file like noxelsim
// and, with --fps N, animates its layer 0 at N frames per second: every
// frame rewrites 16 rows of the frame buffer (a band moving down the layer)
// and bumps the content counter. --fps 0 leaves every layer idle. --whole
// rewrites every row of the frame buffer instead, each frame with another
// value (a video-like worst case: every pixel changes every frame).
//
//   noxel_loadsim SCENE.json [--fps N] [--whole]
#include "sim/publisher.h"
#include "sim/scenefile.h"
#include "sim/scenepublish.h"
#include "simlink/connection.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>

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
    const QStringList args = app.arguments();
    int fps = 0;
    bool whole = false;
    bool bad = args.size() < 2;
    for (int i = 2; i < args.size() && !bad; ++i) {
        bool number = true;
        if (args.at(i) == QLatin1String("--fps") && i + 1 < args.size())
            fps = args.at(++i).toInt(&number);
        else if (args.at(i) == QLatin1String("--whole"))
            whole = true;
        else
            number = false;
        bad = !number;
    }
    if (bad) {
        std::fprintf(stderr, "usage: noxel_loadsim SCENE.json [--fps N] [--whole]\n");
        return 2;
    }
    sim::Scene scene;
    QString error;
    if (!sim::loadSceneFile(args.at(1), &scene, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const QByteArray cls = scene.windowClass.toLatin1();
    sim::OpenSimulation simulation(cls.constData(), scene.alphaMode == 0);
    if (!simulation.get() || !sim::publishScene(simulation.get(), scene, &error)) {
        std::fprintf(stderr, "noxel_loadsim: %s\n", qPrintable(simulation.get() ? error : simulation.error()));
        return 1;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    // Layer 0 as the tool sees it, for the rows this program rewrites.
    sim::Publisher publisher;
    sim::PublishedBlock *layer = publisher.layer(0);
    const int width = simlink::xSize(layer->view());
    const int height = simlink::ySize(layer->view());
    const int bpp = simlink::bitsPerPixel(layer->view()) == 8 ? 1 : 4;
    int frame = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &app, [&]() {
        if (stopRequested) {
            app.quit();
            return;
        }
        if (fps <= 0 || height <= 0)
            return;
        ++frame;
        const qint64 rowBytes = qint64(width) * bpp;
        const int rows = whole ? height : 16;
        for (int r = 0; r < rows; ++r) {
            const qint64 y = whole ? r : (qint64(frame) * 16 + r) % height;
            const qint64 at = y * rowBytes;
            if (at + rowBytes <= layer->pixelBytes())
                std::memset(layer->pixels() + at, (frame * 37) & 0xFF, size_t(rowBytes));
        }
        layer->bumpContent();
    });
    timer.start(fps > 0 ? 1000 / fps : 50);
    app.exec();
    publisher.tearDown();
    return 0;
}
