#pragma once

#include <QString>
#include <QVector>

#include <sys/types.h>

// A simulation played in a child process, so that it can also end the way a
// crashed one does (SIGKILL: its blocks stay behind without cleanup). The
// child publishes its layers, takes the presence lock, reports the segment
// ids of its layers and then animates layer 0 at about 60 Hz until told how
// to end.
namespace soak {

struct SimPlan
{
    int layers = 1;
    // Every frame rewrites random header fields of every layer with random
    // and extreme values instead of animating.
    bool chaos = false;
    unsigned seed = 1;
    // The display size layer 0 claims from the start (compositeSize), so
    // that the tool builds a composite view of it; 0 x 0 claims none. The
    // chaos rewrites it too, among extremes and random values.
    int compositeWidth = 0;
    int compositeHeight = 0;
};

class SimChild
{
public:
    enum Command : char {
        EndCleanly = 'c',    // releases the lock and removes the blocks, exits
        DropLock = 'l',      // releases the lock, keeps the blocks attached
        RemoveBlocks = 'r',  // removes the blocks, keeps the lock
        Quit = 'q',          // whatever is left goes, exits
    };

    SimChild(const QString &runtimeDir, const SimPlan &plan);
    ~SimChild();
    SimChild(const SimChild &) = delete;
    SimChild &operator=(const SimChild &) = delete;

    // False when the child could not publish (its error is in error()).
    bool started() const { return m_started; }
    QString error() const { return m_error; }
    const QVector<int> &layerIds() const { return m_ids; }
    pid_t pid() const { return m_pid; }

    void send(Command command);
    // Ends the child abruptly, as a crash would.
    void killHard();
    // Waits for the child to exit (bounded); true when it exited with status 0.
    bool waitExit();

private:
    pid_t m_pid = -1;
    int m_toChild = -1;
    int m_fromChild = -1;
    bool m_started = false;
    bool m_reaped = false;
    QString m_error;
    QVector<int> m_ids;
};

} // namespace soak
