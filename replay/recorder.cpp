#include "replay/recorder.h"

#include "replay/inputfile.h"

#include <QDir>

namespace replay {

InputRecording::~InputRecording()
{
    QString ignored;
    stop(&ignored);
}

bool InputRecording::start(const QString &fileName, QString *error)
{
    stop(error);
    error->clear();
    if (simlink::inputRecorder()) {
        *error = QStringLiteral("Another input recording is running.");
        return false;
    }
    const QString shown = QDir::toNativeSeparators(fileName);
    file.setFileName(fileName);
    // Unbuffered: every line reaches the file when it is written.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(shown, file.errorString());
        return false;
    }
    count = 0;
    writeError.clear();
    clock.invalidate();
    running = true;
    append(headerLine());
    if (!writeError.isEmpty()) {
        stop(error);
        return false;
    }
    simlink::setInputRecorder(this);
    return true;
}

bool InputRecording::stop(QString *error)
{
    if (!running)
        return true;
    if (simlink::inputRecorder() == this)
        simlink::setInputRecorder(nullptr);
    running = false;
    file.close();
    *error = writeError;
    return writeError.isEmpty();
}

double InputRecording::secondsNow()
{
    if (!clock.isValid()) {
        clock.start();
        return 0;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

void InputRecording::pointerWritten(int layer, int x, int y, int pressed)
{
    append(eventLine(InputEvent::pointer(secondsNow(), layer, x, y, pressed)));
    ++count;
}

void InputRecording::keyWritten(int layer, int keyCode, int pressed)
{
    append(eventLine(InputEvent::key(secondsNow(), layer, keyCode, pressed)));
    ++count;
}

void InputRecording::append(const QByteArray &line)
{
    // After a failed write the rest is dropped: the file would have a gap.
    if (!running || !writeError.isEmpty())
        return;
    const QByteArray whole = line + '\n';
    if (file.write(whole) != whole.size())
        writeError = QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(file.fileName()),
                                                               file.errorString());
}

} // namespace replay
