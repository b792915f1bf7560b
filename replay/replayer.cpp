#include "replay/replayer.h"

#include "simlink/connection.h"
#include "simlink/input.h"
#include "simlink/layerblock.h"

#include <QSharedMemory>

#include <algorithm>
#include <cmath>

namespace replay {

namespace {

// Looking for the simulation: the window's load period.
constexpr int SearchMs = 25;
// While a key waits, and the longest sleep while playing, so that the end of
// the simulation is seen soon.
constexpr int PollMs = 5;
constexpr int LongestSleepMs = 50;

} // namespace

Replayer::Replayer(const QList<InputEvent> &events, double speed, int waitMs, QObject *parent)
    : QObject(parent)
    , events(events)
    , speed(speed > 0 && std::isfinite(speed) ? speed : 1.0)
    , waitMs(std::max(0, waitMs))
{
    tick.setSingleShot(true);
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, this, &Replayer::OnTimerTick);
}

Replayer::~Replayer()
{
    tick.stop();
    releaseBlocks();
}

void Replayer::start()
{
    if (isRunning())
        return;
    outcome = ReplayResult();
    next = 0;
    pausedMs = 0;
    keyWaitClock.invalidate();
    drainClock.invalidate();
    phase = Phase::Searching;
    searchClock.start();
    // The first look on the next turn of the event loop, so that a caller
    // can connect to the signals first.
    tick.start(0);
}

void Replayer::stop()
{
    if (isRunning())
        finish(outcome.keysNotTaken ? ReplayResult::KeysNotTaken : ReplayResult::AllWritten,
               QStringLiteral("Replay stopped: %1").arg(progressText()));
}

void Replayer::OnTimerTick()
{
    if (phase == Phase::Searching) {
        if (!attachSimulation()) {
            if (searchClock.elapsed() >= waitMs)
                finish(ReplayResult::NoSimulation, QStringLiteral("No simulation found."));
            else
                tick.start(SearchMs);
            return;
        }
        phase = Phase::Playing;
        playClock.start();
    }
    if (simulationEnded()) {
        finish(ReplayResult::NoSimulation,
               QStringLiteral("The simulation ended during the replay: %1").arg(progressText()));
        return;
    }
    noteTakenKeys();
    if (phase == Phase::Playing && !playDue())
        return;
    if (phase == Phase::Playing && next >= events.size()) {
        // The last keys get the same wait as every other one.
        phase = Phase::Draining;
        drainClock.start();
    }
    if (phase == Phase::Draining) {
        if (pendingKeys() > 0 && drainClock.elapsed() < KeyWaitMs) {
            tick.start(PollMs);
            return;
        }
        outcome.keysNotTaken += pendingKeys();
        finish(outcome.keysNotTaken ? ReplayResult::KeysNotTaken : ReplayResult::AllWritten,
               QStringLiteral("Replay finished: %1").arg(progressText()));
        return;
    }
    scheduleNext();
}

bool Replayer::attachSimulation()
{
    if (!simlink::simulationRunning())
        return false;
    QList<LayerInfo> found;
    simlink::scanLayers(found);
    releaseBlocks();
    bool any = false;
    for (const LayerInfo &info : std::as_const(found)) {
        // Attached by id after the owner check; a layer whose block cannot
        // be attached counts as missing, and nothing is written for it.
        QSharedMemory *handle = nullptr;
        BlockView block = simlink::attachLayer(handle, info.index);
        handles.emplace_back(handle);
        if (simlink::inUse(block) == 0)
            block = BlockView();
        any = any || !block.isNull();
        blocks.append(block);
    }
    if (!any)
        releaseBlocks();
    keyPending = QList<bool>(blocks.size(), false);
    return any;
}

void Replayer::releaseBlocks()
{
    for (const auto &handle : handles)
        simlink::detachLayer(handle.get());
    handles.clear();
    blocks.clear();
}

bool Replayer::simulationEnded() const
{
    // The presence lock released, or layer 0 now a new simulation's block.
    return !simlink::simulationRunning() || (!blocks.isEmpty() && simlink::blockReplaced(blocks.first(), 0));
}

BlockView Replayer::blockOf(int layer) const
{
    return layer >= 0 && layer < blocks.size() ? blocks.at(layer) : BlockView();
}

quint32 Replayer::keyField(int layer) const
{
    return blockOf(layer).readUInt32(simlink::Offset::KeyEvent);
}

void Replayer::noteTakenKeys()
{
    for (int n = 0; n < keyPending.size(); ++n)
        if (keyPending.at(n) && keyField(n) == 0)
            keyPending[n] = false;
}

int Replayer::pendingKeys() const
{
    return int(std::count(keyPending.begin(), keyPending.end(), true));
}

qint64 Replayer::replayClockMs() const
{
    return playClock.elapsed() - pausedMs;
}

bool Replayer::playDue()
{
    while (next < events.size()) {
        const InputEvent &e = events.at(next);
        if (e.t * 1000.0 / speed > double(replayClockMs()))
            break;
        const BlockView block = blockOf(e.layer);
        if (block.isNull()) {
            ++outcome.skipped;
            ++next;
            continue;
        }
        if (e.kind == InputEvent::Key) {
            // The key word holds one key: wait until the simulation has
            // taken the one before (the field reads 0 again).
            if (keyField(e.layer) != 0) {
                if (!keyWaitClock.isValid())
                    keyWaitClock.start();
                if (keyWaitClock.elapsed() < KeyWaitMs)
                    break;
                if (keyPending.at(e.layer))
                    ++outcome.keysNotTaken;
            }
            if (keyWaitClock.isValid()) {
                pausedMs += keyWaitClock.elapsed();
                keyWaitClock.invalidate();
            }
            simlink::WriteKey(block, e.layer, e.code, e.pressed);
            keyPending[e.layer] = true;
        } else {
            simlink::setPointer(block, e.layer, e.x, e.y, e.pressed);
        }
        ++outcome.written;
        const int index = next++;
        Q_EMIT eventWritten(index);
        // A receiver may have stopped the replay.
        if (phase != Phase::Playing)
            return false;
    }
    return true;
}

void Replayer::scheduleNext()
{
    int delay = LongestSleepMs;
    if (keyWaitClock.isValid()) {
        delay = PollMs;
    } else if (next < events.size()) {
        const double due = events.at(next).t * 1000.0 / speed - double(replayClockMs());
        delay = int(std::clamp(std::ceil(due), 0.0, double(LongestSleepMs)));
    }
    tick.start(delay);
}

QString Replayer::progressText() const
{
    return QStringLiteral("%1 of %2 events written, %3 skipped for layers the simulation does not have, "
                          "%4 keys not taken by the simulation.")
        .arg(outcome.written)
        .arg(events.size())
        .arg(outcome.skipped)
        .arg(outcome.keysNotTaken);
}

void Replayer::finish(ReplayResult::Status status, const QString &message)
{
    tick.stop();
    releaseBlocks();
    keyPending.clear();
    phase = Phase::Done;
    outcome.status = status;
    outcome.message = message;
    Q_EMIT finished(outcome);
}

} // namespace replay
