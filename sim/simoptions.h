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
    // The built-in scene keeps drawing one frame: only the pointer marker,
    // its trail and the typed keys change, so that its pixels can be
    // compared with a reference.
    bool still = false;
    bool help = false;
};

// Parses the arguments after the program name; false with a one-line error.
bool parseSimOptions(const QStringList &args, SimOptions *options, QString *error);

QString simUsage();

} // namespace sim
