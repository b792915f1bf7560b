#pragma once

#include "replay/inputfile.h"
#include "simlink/blockview.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QSharedMemory;

// Plays a checked input recording into the blocks of a running simulation,
// through the tool's input writers, on timers of the GUI thread.
namespace replay {

struct ReplayResult
{
    // Also the exit status of the command line.
    enum Status { AllWritten = 0, NoSimulation = 1, BadFile = 2, KeysNotTaken = 4 };

    Status status = NoSimulation;
    QString message; // one line for the user
    int written = 0;
    int skipped = 0;      // events for layers the simulation does not have
    int keysNotTaken = 0; // keys the simulation had not taken within the key wait
};

class Replayer : public QObject
{
    Q_OBJECT

public:
    // How long a key waits for the simulation to take the previous one.
    static constexpr int KeyWaitMs = 1000;

    // speed scales the times (2: twice as fast); waitMs is how long to look
    // for a simulation before giving up.
    Replayer(const QList<InputEvent> &events, double speed, int waitMs, QObject *parent = nullptr);
    ~Replayer() override;

    // Looks for the simulation from the next turn of the event loop on, and
    // plays once it is found; finished() ends every run.
    void start();
    // Ends a running replay at once ("stopped").
    void stop();
    bool isRunning() const { return phase != Phase::Idle && phase != Phase::Done; }
    const ReplayResult &result() const { return outcome; }
    int eventCount() const { return int(events.size()); }

Q_SIGNALS:
    // Right after event 'index' went into its block.
    void eventWritten(int index);
    void finished(const replay::ReplayResult &result);

private Q_SLOTS:
    void OnTimerTick();

private:
    enum class Phase { Idle, Searching, Playing, Draining, Done };

    bool attachSimulation();
    void releaseBlocks();
    bool simulationEnded() const;
    // Writes what is due; false when the replay ended meanwhile.
    bool playDue();
    void noteTakenKeys();
    int pendingKeys() const;
    BlockView blockOf(int layer) const;
    quint32 keyField(int layer) const;
    qint64 replayClockMs() const;
    void scheduleNext();
    void finish(ReplayResult::Status status, const QString &message);
    QString progressText() const;

    QList<InputEvent> events;
    double speed = 1;
    int waitMs = 0;
    Phase phase = Phase::Idle;
    ReplayResult outcome;
    QTimer tick;
    QElapsedTimer searchClock;
    QElapsedTimer playClock;
    qint64 pausedMs = 0; // time spent waiting for keys: the schedule moves on by it
    QElapsedTimer keyWaitClock; // valid while the next key waits for the previous one
    QElapsedTimer drainClock;
    int next = 0;
    std::vector<std::unique_ptr<QSharedMemory>> handles;
    QList<BlockView> blocks; // by layer number; null for a layer not attached
    QList<bool> keyPending;  // a key written into that layer not yet taken
};

} // namespace replay
