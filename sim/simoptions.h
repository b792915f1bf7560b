#pragma once

#include <QString>
#include <QStringList>

namespace sim {

// Command line of the demo simulation.
struct SimOptions
{
    QString sceneFile;   // empty: the built-in animated scene
    QString windowClass; // empty: the scene's, else "GUI Simulation Mainframe"
    int alphaMode = -1;  // -1: the scene's (1 for the built-in scene)
    int fps = 30;
    bool help = false;
};

// Parses the arguments after the program name; false with a one-line error.
bool parseSimOptions(const QStringList &args, SimOptions *options, QString *error);

QString simUsage();

} // namespace sim
