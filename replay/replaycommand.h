#pragma once

#include <QString>

#include <cstdio>

class QCommandLineParser;

// "--replay FILE [--speed X] [--wait S]" on the command line: no window and
// no display. The file is read and checked whole first; then the tool waits
// for a simulation, plays the events into its blocks and prints one line.
namespace replay {

// Adds --replay and --speed (--wait is the command line's shared option).
void addReplayOptions(QCommandLineParser &parser);
// Whether the arguments ask for a replay (--replay or --speed given).
bool replayRequested(const QCommandLineParser &parser);
// Runs the replay the parsed arguments describe and returns the exit status:
// 0 every event written, 4 some keys not taken, 1 no simulation, 2 bad
// usage or a bad file.
int runReplayCommand(const QCommandLineParser &parser);

// One line of the command line's output, flushed at once so that a script
// reading it sees each line as it comes (the other commands use it too).
void printLine(FILE *stream, const QString &text);

} // namespace replay
