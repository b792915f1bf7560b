#include "bench/soak/toolprocess.h"

#include "simlink/connection.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

namespace soak {

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

ToolProcess::ToolProcess(const QString &program, const QString &runtimeDir, const QString &configHome,
                         const QString &logFile)
{
    const QByteArray prog = QFile::encodeName(program);
    const QByteArray run = QFile::encodeName(runtimeDir);
    const QByteArray config = QFile::encodeName(configHome);
    const QByteArray log = QFile::encodeName(logFile);
    m_pid = fork();
    if (m_pid == 0) {
        const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
            ::close(out);
        }
        setenv("NOXEL_RUNTIME_DIR", run.constData(), 1);
        setenv("XDG_CONFIG_HOME", config.constData(), 1);
        if (!getenv("DISPLAY") || !*getenv("DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        execl(prog.constData(), prog.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
}

ToolProcess::~ToolProcess()
{
    stop();
}

bool ToolProcess::alive()
{
    if (m_pid <= 0 || m_ended)
        return false;
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == 0)
        return true;
    m_ended = true;
    if (r < 0)
        m_endReason = QStringLiteral("lost");
    else if (WIFSIGNALED(status))
        m_endReason = QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    else
        m_endReason = QStringLiteral("exited with status %1").arg(WEXITSTATUS(status));
    return false;
}

qint64 ToolProcess::residentKiB() const
{
    QFile f(QStringLiteral("/proc/%1/status").arg(m_pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int ToolProcess::openDescriptors() const
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(m_pid)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

int ToolProcess::attachedSegments() const
{
    QFile f(QStringLiteral("/proc/%1/maps").arg(m_pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int n = 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.contains("/SYSV"))
            ++n;
    return n;
}

QList<int> ToolProcess::attachedSegmentIds() const
{
    QList<int> ids;
    QFile f(QStringLiteral("/proc/%1/maps").arg(m_pid));
    if (!f.open(QIODevice::ReadOnly))
        return ids;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (!line.contains("/SYSV"))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 4)
            ids.append(fields.at(4).toInt());
    }
    return ids;
}

void ToolProcess::stop()
{
    if (!alive())
        return;
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 300 && alive(); ++i)
        usleep(10000);
    if (alive()) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_ended = true;
}

PollWatch::PollWatch(const QString &runtimeDir)
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0 && inotify_add_watch(m_fd, QFile::encodeName(runtimeDir).constData(), IN_OPEN) < 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    restart();
}

PollWatch::~PollWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void PollWatch::drain()
{
    if (m_fd < 0)
        return;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        const double t = now();
        if (n <= 0) {
            m_lastEmpty = t;
            return;
        }
        // The first open of this batch came after the last read that found
        // none, the others at unknown times up to now: on a busy machine
        // this process may have slept meanwhile, and its sleep is no stall
        // of the tool.
        bool seen = false;
        for (ssize_t off = 0; off < n;) {
            const auto *ev = reinterpret_cast<const inotify_event *>(buffer + off);
            if (ev->len > 0 && qstrcmp(ev->name, simlink::MainframeWindowClass) == 0) {
                ++m_opens;
                if (!seen) {
                    const double gap = qMax(m_lastEmpty, m_last) - m_last;
                    if (gap > 0.1) {
                        ++m_stalls;
                        m_stallEnds.append(qMax(m_lastEmpty, m_last));
                    }
                    m_longest = qMax(m_longest, gap);
                    seen = true;
                }
            }
            off += ssize_t(sizeof(inotify_event) + ev->len);
        }
        if (seen)
            m_last = t;
    }
}

void PollWatch::restart()
{
    drain();
    m_last = now();
    m_lastEmpty = m_last;
    m_longest = 0;
    m_stalls = 0;
    m_stallEnds.clear();
}

int attachCountOf(int shmId)
{
    struct shmid_ds ds;
    if (shmId < 0 || shmctl(shmId, IPC_STAT, &ds) != 0)
        return -1;
    return int(ds.shm_nattch);
}

} // namespace soak
