#include "replay/replaycommand.h"

#include "replay/inputfile.h"
#include "replay/replayer.h"

#include <QCommandLineParser>
#include <QEventLoop>

#include <cmath>
#include <cstdio>

namespace replay {

namespace {

const char ReplayName[] = "replay";
const char SpeedName[] = "speed";
const char WaitName[] = "wait";
constexpr double MinSpeed = 0.001;
constexpr double MaxSpeed = 1000.0;
// Longest wait accepted, so that the milliseconds fit an int.
constexpr double MaxWaitSeconds = 24.0 * 3600.0;

int usageError(const QString &text)
{
    printLine(stderr, text);
    return ReplayResult::BadFile;
}

// A number option within [low, high]; false for anything else.
bool numberIn(const QString &text, double low, double high, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value) && *value >= low && *value <= high;
}

} // namespace

void addReplayOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        QLatin1String(ReplayName),
        QStringLiteral("Write the input recorded in <file> into the running simulation's blocks at its times "
                       "and exit, without a window. Exit status 0 when every event was written, 4 when the "
                       "simulation did not take some keys, 1 without a simulation, 2 for a bad file."),
        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(
        QLatin1String(SpeedName),
        QStringLiteral("With --replay: play <factor> times as fast (default 1, from %1 to %2).")
            .arg(MinSpeed)
            .arg(MaxSpeed),
        QStringLiteral("factor"), QStringLiteral("1")));
}

bool replayRequested(const QCommandLineParser &parser)
{
    return parser.isSet(QLatin1String(ReplayName)) || parser.isSet(QLatin1String(SpeedName));
}

int runReplayCommand(const QCommandLineParser &parser)
{
    if (!parser.isSet(QLatin1String(ReplayName)))
        return usageError(QStringLiteral("--speed needs --replay FILE."));
    for (const char *other : {"snapshot", "compare", "tolerance", "out", "update"})
        if (parser.isSet(QLatin1String(other)))
            return usageError(QStringLiteral("--replay cannot be combined with --%1.").arg(QLatin1String(other)));
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first()));
    double speed = 1;
    if (!numberIn(parser.value(QLatin1String(SpeedName)), MinSpeed, MaxSpeed, &speed))
        return usageError(QStringLiteral("Invalid --speed value: %1").arg(parser.value(QLatin1String(SpeedName))));
    double seconds = 0;
    if (!numberIn(parser.value(QLatin1String(WaitName)), 0, MaxWaitSeconds, &seconds))
        return usageError(QStringLiteral("Invalid --wait value: %1").arg(parser.value(QLatin1String(WaitName))));

    // The whole file is checked before the simulation is even looked for.
    QList<InputEvent> events;
    QString error;
    if (!loadInputFile(parser.value(QLatin1String(ReplayName)), &events, &error))
        return usageError(error);

    Replayer replayer(events, speed, int(std::lround(seconds * 1000.0)));
    QEventLoop loop;
    QObject::connect(&replayer, &Replayer::finished, &loop, &QEventLoop::quit);
    replayer.start();
    if (replayer.isRunning())
        loop.exec();
    const ReplayResult &result = replayer.result();
    printLine(result.status == ReplayResult::AllWritten ? stdout : stderr, result.message);
    return result.status;
}

void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace replay
