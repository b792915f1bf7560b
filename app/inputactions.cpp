#include "app/inputactions.h"

#include "dialogs/modalscope.h"
#include "replay/inputfile.h"
#include "replay/recorder.h"
#include "replay/replayer.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>

namespace {

InputFileChooser &installedChooser()
{
    static InputFileChooser chooser;
    return chooser;
}

const QString FileFilter = QStringLiteral("Input recordings (*.jsonl);;All files (*)");

QString chooseFile(QWidget *parent, bool forSaving)
{
    if (installedChooser())
        return installedChooser()(parent, forSaving);
    if (forSaving)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Record input"), QString(), FileFilter);
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Replay input"), QString(), FileFilter);
}

} // namespace

void SetInputFileChooser(InputFileChooser chooser)
{
    installedChooser() = std::move(chooser);
}

InputActions::InputActions(QWidget *window, QMenu *fileMenu, QAction *before)
    : QObject(window), window(window)
{
    recordAction = new QAction(QStringLiteral("Record &input..."), this);
    stopRecordingAction = new QAction(QStringLiteral("Stop &recording"), this);
    replayAction = new QAction(QStringLiteral("Re&play input..."), this);
    stopReplayingAction = new QAction(QStringLiteral("Stop replayin&g"), this);
    for (QAction *action : {recordAction, stopRecordingAction, replayAction, stopReplayingAction})
        fileMenu->insertAction(before, action);
    fileMenu->insertSeparator(before);
    connect(recordAction, &QAction::triggered, this, &InputActions::OnActRecordInput);
    connect(stopRecordingAction, &QAction::triggered, this, &InputActions::OnActStopRecording);
    connect(replayAction, &QAction::triggered, this, &InputActions::OnActReplayInput);
    connect(stopReplayingAction, &QAction::triggered, this, &InputActions::OnActStopReplaying);
    UpdateEntries();
}

InputActions::~InputActions()
{
    // The recording removes itself from the input writers as it goes.
    recording.reset();
}

void InputActions::SetConnected(bool on)
{
    connected = on;
    UpdateEntries();
}

bool InputActions::IsRecording() const
{
    return recording && recording->isRunning();
}

replay::Replayer *InputActions::ActiveReplay() const
{
    return replayer;
}

void InputActions::UpdateEntries()
{
    const bool busy = IsRecording() || replayer;
    recordAction->setEnabled(!busy);
    stopRecordingAction->setEnabled(IsRecording());
    replayAction->setEnabled(connected && !busy);
    stopReplayingAction->setEnabled(replayer != nullptr);
}

void InputActions::OnActRecordInput()
{
    if (IsRecording() || replayer)
        return;
    QPointer<InputActions> self(this);
    QString file;
    {
        // The chooser runs its own event loop; the views stay meanwhile.
        ModalScope scope;
        file = chooseFile(window, true);
    }
    if (!self || file.isEmpty())
        return;
    auto started = std::make_unique<replay::InputRecording>();
    QString error;
    if (!started->start(file, &error)) {
        Q_EMIT finished(error);
        return;
    }
    recording = std::move(started);
    UpdateEntries();
    Q_EMIT finished(QStringLiteral("Recording input to %1").arg(QDir::toNativeSeparators(file)));
}

void InputActions::OnActStopRecording()
{
    if (!IsRecording())
        return;
    QString error;
    const bool ok = recording->stop(&error);
    const int count = recording->eventCount();
    const QString file = QDir::toNativeSeparators(recording->fileName());
    recording.reset();
    UpdateEntries();
    Q_EMIT finished(ok ? QStringLiteral("Recording stopped: %1 events written to %2").arg(count).arg(file) : error);
}

void InputActions::OnActReplayInput()
{
    if (IsRecording() || replayer || !connected)
        return;
    QPointer<InputActions> self(this);
    QString file;
    {
        ModalScope scope;
        file = chooseFile(window, false);
    }
    if (!self || file.isEmpty())
        return;
    // Checked whole before anything is written.
    QList<replay::InputEvent> events;
    QString error;
    if (!replay::loadInputFile(file, &events, &error)) {
        Q_EMIT finished(error);
        return;
    }
    // No wait: the entry is only there while a simulation runs.
    replayer = new replay::Replayer(events, 1.0, 0, this);
    connect(replayer, &replay::Replayer::finished, this, &InputActions::ReplayFinished);
    UpdateEntries();
    Q_EMIT finished(QStringLiteral("Replaying %1 events from %2").arg(events.size()).arg(QDir::toNativeSeparators(file)));
    replayer->start();
}

void InputActions::OnActStopReplaying()
{
    if (replayer)
        replayer->stop();
}

void InputActions::ReplayFinished(const replay::ReplayResult &result)
{
    // Deleted later: this runs inside the replayer's own signal.
    replayer->deleteLater();
    replayer = nullptr;
    UpdateEntries();
    Q_EMIT finished(result.message);
}
