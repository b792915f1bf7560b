#pragma once

// Runs a step of a test that must never block in a child process with a
// time limit: a step that blocks then fails the test within seconds, with a
// message, instead of hanging it until CTest's timeout.
#include <QString>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace fixture {

struct ChildOutcome
{
    bool finished = false;   // the step returned within the limit
    int result = -1;         // its return value (0 ... 125) when it did
    QString failure;         // why it did not
};

// Forks, runs step in the child (which leaves with _exit, so nothing of the
// parent's objects is destroyed there twice) and waits at most `seconds`
// for it; a child still running then is killed. Keep the step to plain
// system calls and the code under test: the child has only this thread.
inline ChildOutcome runBounded(const std::function<int()> &step, int seconds)
{
    std::fflush(nullptr);
    ChildOutcome outcome;
    const pid_t pid = fork();
    if (pid < 0) {
        outcome.failure = QStringLiteral("fork failed");
        return outcome;
    }
    if (pid == 0)
        _exit(step());

    const struct timespec pause = {0, 10 * 1000 * 1000};
    int status = 0;
    for (int ticks = seconds * 100;; --ticks) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            outcome.failure = QStringLiteral("waitpid failed");
            return outcome;
        }
        if (ticks <= 0) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            outcome.failure = QStringLiteral("still blocked after %1 s").arg(seconds);
            return outcome;
        }
        nanosleep(&pause, nullptr);
    }
    if (WIFEXITED(status)) {
        outcome.finished = true;
        outcome.result = WEXITSTATUS(status);
    } else {
        outcome.failure = QStringLiteral("ended by signal %1").arg(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
    return outcome;
}

} // namespace fixture
