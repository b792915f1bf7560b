#include "snapshot/commandline.h"

#include "replay/replaycommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace snapshot {

namespace {

constexpr int PollMs = 25;
constexpr int DefaultWaitSeconds = 5;
// Longest wait accepted, so that the milliseconds fit an int.
constexpr double MaxWaitSeconds = 24.0 * 3600.0;

void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

bool isOurOption(const char *arg)
{
    static const char *const names[] = {"--snapshot", "--wait", "--help", "-h", "-?", "--help-all",
                                        "--replay", "--speed"};
    for (const char *name : names) {
        const size_t n = std::strlen(name);
        if (std::strncmp(arg, name, n) == 0 && (arg[n] == '\0' || arg[n] == '='))
            return true;
    }
    return false;
}

} // namespace

SnapshotWaiter::SnapshotWaiter(const QString &dir, int waitMs, QObject *parent)
    : QObject(parent)
    , folder(dir)
    , waitMs(waitMs)
{
    pollTimer.setInterval(PollMs);
    connect(&pollTimer, &QTimer::timeout, this, &SnapshotWaiter::OnTimerPoll);
}

Result SnapshotWaiter::run()
{
    result = prepareFolder(folder);
    if (result.status != Saved)
        return result;
    elapsed.start();
    if (attempt())
        return result;
    pollTimer.start();
    loop.exec();
    pollTimer.stop();
    return result;
}

void SnapshotWaiter::OnTimerPoll()
{
    if (attempt())
        loop.quit();
}

// True when the wait is over: written, failed, or out of time.
bool SnapshotWaiter::attempt()
{
    Scene scene;
    if (captureScene(scene)) {
        result = writeScene(scene, folder);
        return true;
    }
    result = Result{NoSimulation, QStringLiteral("No simulation found.")};
    return elapsed.elapsed() >= waitMs;
}

Result waitAndSave(const QString &dir, int waitMs)
{
    SnapshotWaiter waiter(dir, waitMs);
    return waiter.run();
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
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("With --snapshot or --replay: wait up to <seconds> for a simulation (default %1).")
            .arg(DefaultWaitSeconds),
        QStringLiteral("seconds"), QString::number(DefaultWaitSeconds));
    parser.addOption(snapshotOption);
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
    if (!parser.isSet(snapshotOption)) {
        printLine(stderr, QStringLiteral("--wait needs --snapshot FOLDER."));
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

    const Result result = waitAndSave(parser.value(snapshotOption), int(std::lround(seconds * 1000.0)));
    printLine(result.status == Saved ? stdout : stderr, result.message);
    return result.status;
}

} // namespace snapshot
