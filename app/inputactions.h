#pragma once

#include "app/windowpart.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace replay {
class InputRecording;
class Replayer;
struct ReplayResult;
} // namespace replay

// The file chooser of the input entries, replaceable so that tests never
// block on a real dialog. forSaving is true for a recording to write; an
// empty result means the user cancelled.
using InputFileChooser = std::function<QString(QWidget *parent, bool forSaving)>;
// Installs a chooser; an empty one restores the file dialogs.
void SetInputFileChooser(InputFileChooser chooser);

// The File menu's input entries: "Record input..." asks for a file and
// records every pointer and key write into a block until "Stop recording";
// "Replay input..." plays a recording into the running simulation until it
// ends or "Stop replaying". A recording and a replay never run together.
class InputActions : public QObject, public WindowPart
{
    Q_OBJECT

public:
    // Inserts the entries and a separator before 'before' (the Exit entry).
    InputActions(QWidget *window, QMenu *fileMenu, QAction *before);
    ~InputActions() override;

    QAction *RecordAction() const { return recordAction; }
    QAction *StopRecordingAction() const { return stopRecordingAction; }
    QAction *ReplayAction() const { return replayAction; }
    QAction *StopReplayingAction() const { return stopReplayingAction; }
    // A replay needs a connected simulation; a recording does not.
    void SetConnected(bool connected);
    // WindowPart: connected while the views exist.
    void AttachViews() override { SetConnected(true); }
    void DetachViews() override { SetConnected(false); }
    bool IsRecording() const;
    // The running replay, or null.
    replay::Replayer *ActiveReplay() const;

public Q_SLOTS:
    void OnActRecordInput();
    void OnActStopRecording();
    void OnActReplayInput();
    void OnActStopReplaying();

Q_SIGNALS:
    // The text for the status line after each step.
    void finished(const QString &message);

private:
    void UpdateEntries();
    void ReplayFinished(const replay::ReplayResult &result);

    QWidget *window = nullptr;
    QAction *recordAction = nullptr;
    QAction *stopRecordingAction = nullptr;
    QAction *replayAction = nullptr;
    QAction *stopReplayingAction = nullptr;
    bool connected = false;
    std::unique_ptr<replay::InputRecording> recording;
    replay::Replayer *replayer = nullptr; // a child while it runs
};
