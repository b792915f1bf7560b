#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The tool under test as a separate process, watched only from outside:
// /proc for memory, descriptors and attached segments, inotify on the
// presence file for the times its event loop polls for the simulation.
namespace soak {

// Seconds on the monotonic clock.
double now();

class ToolProcess
{
public:
    // Starts the program with the runtime directory and a private settings
    // location (XDG_CONFIG_HOME); stdout and stderr go to logFile.
    ToolProcess(const QString &program, const QString &runtimeDir, const QString &configHome, const QString &logFile);
    ~ToolProcess();
    ToolProcess(const ToolProcess &) = delete;
    ToolProcess &operator=(const ToolProcess &) = delete;

    pid_t pid() const { return m_pid; }
    // Whether the process still runs; once it has ended, how (for reports).
    bool alive();
    QString endReason() const { return m_endReason; }

    qint64 residentKiB() const;   // VmRSS
    int openDescriptors() const;  // entries of /proc/PID/fd
    int attachedSegments() const; // System V mappings in /proc/PID/maps
    // Ids of the System V segments it has mapped (the inode column of maps).
    QList<int> attachedSegmentIds() const;

    // Sends SIGTERM and waits (bounded); SIGKILL if it does not end.
    void stop();

private:
    pid_t m_pid = -1;
    bool m_ended = false;
    QString m_endReason;
};

// Times at which the tool opens the presence file of the main window class.
// The tool opens it on every poll tick (each 15 ms while a simulation runs,
// each 25 ms while it waits for one), so the longest gap between two opens
// bounds the longest stall of its event loop. inotify gives no times: an
// open counts from the last read that had found none, so that a delay of
// this process in reading is not taken for a stall of the tool.
class PollWatch
{
public:
    explicit PollWatch(const QString &runtimeDir);
    ~PollWatch();
    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Reads pending events; call often (the time of reading is the time of
    // the event). Opens by the caller's own process are counted too: the
    // publisher opens the file once per start.
    void drain();
    // Starts a new measuring window: the gap is measured from here.
    void restart();
    double longestGap() const { return m_longest; }
    long opens() const { return m_opens; }
    // Gaps over 100 ms since the last restart, and when each ended.
    long stalls() const { return m_stalls; }
    const QList<double> &stallEnds() const { return m_stallEnds; }

private:
    int m_fd = -1;
    double m_last = 0;      // time of the latest open seen
    double m_lastEmpty = 0; // time of the latest read that found no open
    double m_longest = 0;
    long m_opens = 0;
    long m_stalls = 0;
    QList<double> m_stallEnds;
};

// Number of attachments of a segment, or -1 when it is gone.
int attachCountOf(int shmId);

} // namespace soak
