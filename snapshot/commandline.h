#pragma once

#include "snapshot/snapshot.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace snapshot {

// Polls for a simulation every 25 ms until it is found (and the snapshot
// written) or the wait is over. Needs an application object, no display.
class SnapshotWaiter : public QObject
{
    Q_OBJECT

public:
    SnapshotWaiter(const QString &dir, int waitMs, QObject *parent = nullptr);
    // Runs the wait in a local event loop and returns its outcome.
    Result run();

private Q_SLOTS:
    void OnTimerPoll();

private:
    bool attempt();

    QString folder;
    int waitMs;
    QElapsedTimer elapsed;
    QTimer pollTimer;
    QEventLoop loop;
    Result result;
};

// The snapshot as the command line runs it: the folder checked first, then
// up to waitMs for a simulation.
Result waitAndSave(const QString &dir, int waitMs);

// Handles "--snapshot DIR [--wait SECONDS]", "--help", and hands
// "--replay FILE" on to the replay command. Returns the exit
// status, or -1 when the arguments are not for this (the window starts).
int runCommandLine(int argc, char *argv[]);

} // namespace snapshot
