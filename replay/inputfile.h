#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The input recording file: text, one JSON object a line. The first line
// names the format, every further line is one write into a layer block:
//
//   {"format": "noxel-input", "version": 1}
//   {"t": 0.125, "layer": 0, "pointer": [5, 3, 1]}
//   {"t": 0.500, "layer": 0, "key": [97, 1]}
//
// t is in seconds from the first event, pointer is x, y and pressed, key is
// the key code and pressed.
namespace replay {

struct InputEvent
{
    enum Kind { Pointer, Key };

    double t = 0;  // seconds from the first event
    int layer = 0; // 0 .. 19
    Kind kind = Pointer;
    int x = 0;       // pointer position, any 32-bit value
    int y = 0;
    int code = 0;    // key code byte
    int pressed = 0; // 0 or 1

    static InputEvent pointer(double t, int layer, int x, int y, int pressed);
    static InputEvent key(double t, int layer, int code, int pressed);
    bool operator==(const InputEvent &o) const;
};

// Bounds a file must keep; anything beyond them is refused, not loaded.
inline constexpr qint64 MaxFileBytes = qint64(64) << 20;
inline constexpr int MaxEvents = 1000000;
inline constexpr int MaxLineBytes = 1024;
inline constexpr double MaxSeconds = 7 * 24 * 3600.0;

// The first line, without its line end.
QByteArray headerLine();
// One event as a line, without its line end: t with three decimals.
QByteArray eventLine(const InputEvent &event);

// Checks the whole text before anything is used: on failure the list is
// empty and error holds one line, "<name>: line N: <reason>".
bool parseInputFile(const QByteArray &text, const QString &name, QList<InputEvent> *events, QString *error);

// Reads and checks the file; a file too large is refused before reading.
bool loadInputFile(const QString &fileName, QList<InputEvent> *events, QString *error);

} // namespace replay
