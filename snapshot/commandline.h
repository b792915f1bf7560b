#pragma once

#include "snapshot/snapshot.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace snapshot {

// Polls for a simulation every 25 ms until a capture succeeds or the wait
// is over. Needs an application object, no display.
class SceneWaiter : public QObject
{
    Q_OBJECT

public:
    explicit SceneWaiter(int waitMs, QObject *parent = nullptr);
    // Runs the wait in a local event loop; false when no simulation was
    // found in time.
    bool run(Scene &scene);

private Q_SLOTS:
    void OnTimerPoll();

private:
    int waitMs;
    Scene *target = nullptr;
    bool captured = false;
    QElapsedTimer elapsed;
    QTimer pollTimer;
    QEventLoop loop;
};

// The snapshot as the command line runs it: the folder checked first, then
// up to waitMs for a simulation.
Result waitAndSave(const QString &dir, int waitMs);

// Handles "--snapshot DIR", "--compare DIR" (with "--tolerance", "--out",
// "--update"), "--wait SECONDS" and "--help", and hands "--replay FILE" on
// to the replay command. Returns the exit
// status, or -1 when the arguments are not for this (the window starts).
int runCommandLine(int argc, char *argv[]);

} // namespace snapshot
