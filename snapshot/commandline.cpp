#include "snapshot/commandline.h"

#include "replay/replaycommand.h"
#include "snapshot/comparecommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace snapshot {

using replay::printLine;

namespace {

constexpr int PollMs = 25;
constexpr int DefaultWaitSeconds = 5;
// Longest wait accepted, so that the milliseconds fit an int.
constexpr double MaxWaitSeconds = 24.0 * 3600.0;


bool isOurOption(const char *arg)
{
    static const char *const names[] = {"--snapshot", "--compare", "--tolerance", "--out", "--update", "--wait",
                                        "--help", "-h", "-?", "--help-all", "--replay", "--speed"};
    for (const char *name : names) {
        const size_t n = std::strlen(name);
        if (std::strncmp(arg, name, n) == 0 && (arg[n] == '\0' || arg[n] == '='))
            return true;
    }
    return false;
}

} // namespace

SceneWaiter::SceneWaiter(int waitMs, QObject *parent)
    : QObject(parent)
    , waitMs(waitMs)
{
    pollTimer.setInterval(PollMs);
    connect(&pollTimer, &QTimer::timeout, this, &SceneWaiter::OnTimerPoll);
}

bool SceneWaiter::run(Scene &scene)
{
    target = &scene;
    captured = captureScene(scene);
    elapsed.start();
    if (captured || waitMs <= 0)
        return captured;
    pollTimer.start();
    loop.exec();
    pollTimer.stop();
    return captured;
}

void SceneWaiter::OnTimerPoll()
{
    captured = captureScene(*target);
    if (captured || elapsed.elapsed() >= waitMs)
        loop.quit();
}

Result waitAndSave(const QString &dir, int waitMs)
{
    const Result prepared = prepareFolder(dir);
    if (prepared.status != Saved)
        return prepared;
    Scene scene;
    SceneWaiter waiter(waitMs);
    if (!waiter.run(scene))
        return Result{NoSimulation, QStringLiteral("No simulation found.")};
    return writeScene(scene, dir);
}

int runCommandLine(int argc, char *argv[])
{
    bool ours = false;
    for (int i = 1; i < argc && !ours; ++i)
        ours = isOurOption(argv[i]);
    if (!ours)
        return -1;

    // No window and no display: a core application is enough for the timer
    // and the PNG writer.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("noxelview"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the display of a running noXel simulation. Without options the window opens."));
    parser.addHelpOption();
    const QCommandLineOption snapshotOption(
        QStringLiteral("snapshot"),
        QStringLiteral("Write a snapshot of the display (scene.json, one PNG per layer, composite.png) "
                       "into <folder> and exit, without a window."),
        QStringLiteral("folder"));
    const QCommandLineOption compareOption(
        QStringLiteral("compare"),
        QStringLiteral("Compare the display with the snapshot in <folder> and exit, without a window: one line per "
                       "image, exit status 0 when all match, 3 when some differ, 1 without a simulation, 2 for a "
                       "bad reference."),
        QStringLiteral("folder"));
    const QCommandLineOption toleranceOption(
        QStringLiteral("tolerance"),
        QStringLiteral("With --compare: the largest difference of a colour channel (0-255) that still counts as "
                       "equal (default 0)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption outOption(
        QStringLiteral("out"),
        QStringLiteral("With --compare: write NAME.actual.png and NAME.diff.png of every differing image and "
                       "report.json into <folder>."),
        QStringLiteral("folder"));
    const QCommandLineOption updateOption(
        QStringLiteral("update"),
        QStringLiteral("With --compare: write a new snapshot over the reference instead of comparing."));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("With --snapshot, --compare or --replay: wait up to <seconds> for a simulation (default %1).")
            .arg(DefaultWaitSeconds),
        QStringLiteral("seconds"), QString::number(DefaultWaitSeconds));
    parser.addOption(snapshotOption);
    parser.addOption(compareOption);
    parser.addOption(toleranceOption);
    parser.addOption(outOption);
    parser.addOption(updateOption);
    parser.addOption(waitOption);
    replay::addReplayOptions(parser);

    if (!parser.parse(QCoreApplication::arguments())) {
        printLine(stderr, parser.errorText());
        return WriteFailed;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        printLine(stdout, parser.helpText().trimmed());
        return 0;
    }
    if (replay::replayRequested(parser))
        return replay::runReplayCommand(parser);
    const bool comparing = parser.isSet(compareOption);
    if (comparing && parser.isSet(snapshotOption)) {
        printLine(stderr, QStringLiteral("--snapshot and --compare cannot be combined."));
        return WriteFailed;
    }
    if (!comparing && (parser.isSet(toleranceOption) || parser.isSet(outOption) || parser.isSet(updateOption))) {
        printLine(stderr, QStringLiteral("--tolerance, --out and --update need --compare FOLDER."));
        return WriteFailed;
    }
    if (!comparing && !parser.isSet(snapshotOption)) {
        printLine(stderr, QStringLiteral("--wait needs --snapshot FOLDER or --compare FOLDER."));
        return WriteFailed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printLine(stderr, QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
        return WriteFailed;
    }
    bool ok = false;
    const double seconds = parser.value(waitOption).toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > MaxWaitSeconds) {
        printLine(stderr, QStringLiteral("Invalid --wait value: %1").arg(parser.value(waitOption)));
        return WriteFailed;
    }
    const int waitMs = int(std::lround(seconds * 1000.0));

    if (comparing) {
        CompareRequest request;
        request.reference = parser.value(compareOption);
        request.out = parser.value(outOption);
        request.update = parser.isSet(updateOption);
        request.waitMs = waitMs;
        request.tolerance = parser.value(toleranceOption).toInt(&ok);
        if (!ok || request.tolerance < 0 || request.tolerance > 255) {
            printLine(stderr, QStringLiteral("Invalid --tolerance value: %1").arg(parser.value(toleranceOption)));
            return WriteFailed;
        }
        if (request.reference.isEmpty() || (parser.isSet(outOption) && request.out.isEmpty())) {
            printLine(stderr, QStringLiteral("--compare and --out need a folder."));
            return WriteFailed;
        }
        return runCompare(request);
    }

    const Result result = waitAndSave(parser.value(snapshotOption), waitMs);
    printLine(result.status == Saved ? stdout : stderr, result.message);
    return result.status;
}

} // namespace snapshot
