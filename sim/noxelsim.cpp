// The demo simulation: publishes the built-in animated scene or a scene
// file and keeps it up until it is interrupted (SIGINT or SIGTERM), then
// releases its presence and its blocks.
#include "noxel/publish.h"
#include "sim/demoscene.h"
#include "sim/scenefile.h"
#include "sim/scenepublish.h"
#include "sim/simoptions.h"
#include "simlink/connection.h"

#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

int fail(int status, const QString &message)
{
    std::fprintf(stderr, "noxelsim: %s\n", qPrintable(message));
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    // Options, scene and lock are dealt with before the application object
    // exists, so that a refusal is the one line below and nothing else.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    sim::SimOptions options;
    QString error;
    if (!sim::parseSimOptions(args, &options, &error))
        return fail(2, error);
    if (options.help) {
        std::fputs(qPrintable(sim::simUsage()), stdout);
        return 0;
    }

    // The scene is read completely before anything is created, so a bad
    // scene leaves the runtime directory as it was.
    sim::Scene scene;
    const bool fromFile = !options.sceneFile.isEmpty();
    if (fromFile && !sim::loadSceneFile(options.sceneFile, &scene, &error))
        return fail(2, error);
    QString windowClass = options.windowClass;
    if (windowClass.isEmpty())
        windowClass = fromFile ? scene.windowClass : QLatin1String(simlink::MainframeWindowClass);
    if (options.alphaMode >= 0)
        scene.alphaMode = options.alphaMode;
    const int alphaMode = fromFile ? scene.alphaMode : (options.alphaMode >= 0 ? options.alphaMode : 1);

    // The library takes the presence lock first: a second simulation in the
    // same directory stops before it touches a key file or a segment.
    const QByteArray cls = windowClass.toLatin1();
    noxel_sim_options simOptions = {};
    simOptions.window_class = cls.constData();
    simOptions.inverted_alpha = alphaMode == 0;
    char openError[512] = "";
    noxel_sim *sim = noxel_sim_open(&simOptions, openError, sizeof openError);
    if (!sim)
        return fail(1, QString::fromLocal8Bit(openError));

    // Text is drawn with QPainter, which needs a GUI application; no window
    // is ever shown, so no display is needed either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::unique_ptr<sim::DemoScene> demo;
    bool published = false;
    if (fromFile) {
        published = sim::publishScene(sim, scene, &error);
    } else {
        demo = std::make_unique<sim::DemoScene>(sim, alphaMode);
        published = demo->publish();
        if (!published)
            error = demo->lastError();
    }
    if (!published) {
        noxel_sim_close(sim);
        return fail(1, error);
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::printf("noxelsim: publishing in %s (Ctrl+C to stop)\n", noxel_sim_runtime_dir(sim));
    std::fflush(stdout);

    int frame = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &app, [&]() {
        if (stopRequested) {
            app.quit();
        } else if (demo && options.still && frame > 0) {
            // Standing still: the first frame once, then only what the
            // input draws.
            demo->stepInput();
        } else if (demo) {
            demo->step(options.still ? 1 : frame + 1);
            ++frame;
        }
    });
    timer.start(fromFile ? 50 : 1000 / options.fps);
    app.exec();

    demo.reset();
    noxel_sim_close(sim);
    std::printf("noxelsim: stopped\n");
    return 0;
}
