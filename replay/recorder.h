#pragma once

#include "simlink/input.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>

// Records every pointer and key write the tool makes into a block, as lines
// of an input recording file (replay/inputfile.h), from start() to stop().
// Each line is written at once, so a recording cut short by a crash keeps
// every event up to it.
namespace replay {

class InputRecording : public simlink::InputRecorder
{
public:
    InputRecording() = default;
    ~InputRecording() override;
    InputRecording(const InputRecording &) = delete;
    InputRecording &operator=(const InputRecording &) = delete;

    // Creates (or empties) the file, writes the first line and installs the
    // recording. False with a one-line reason when the file cannot be
    // written or another recording runs.
    bool start(const QString &fileName, QString *error);
    // Removes the recording and closes the file. False when a write failed
    // meanwhile; error then says so.
    bool stop(QString *error);

    bool isRunning() const { return running; }
    int eventCount() const { return count; }
    QString fileName() const { return file.fileName(); }

    void pointerWritten(int layer, int x, int y, int pressed) override;
    void keyWritten(int layer, int keyCode, int pressed) override;

private:
    void append(const QByteArray &line);
    double secondsNow();

    QFile file;
    QElapsedTimer clock; // started at the first event
    bool running = false;
    int count = 0;
    QString writeError;
};

} // namespace replay
