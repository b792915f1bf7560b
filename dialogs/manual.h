#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The user manual's address: the build's configured address when one was
// given (CMake cache variable NOXEL_MANUAL_URL), otherwise the copy installed
// with the program; a program run from its build tree opens the copy in the
// source tree.
QUrl ManualUrl();

// The rule behind ManualUrl, with its inputs spelled out.
struct ManualLocations
{
    QString configuredUrl;  // empty: none configured
    QString applicationDir; // where the running program lies
    QString buildDir;       // the build tree of this program
    QString sourceCopy;     // docs/manual.html in the source tree
    QString installedCopy;  // the copy installed with the program (absolute)
    QString installedRelative; // the installed copy relative to the program's folder
};
QUrl ManualUrlFor(const ManualLocations &locations);
ManualLocations BuiltInManualLocations();

// Opens the manual in the web browser. The opener is replaceable (tests).
using UrlOpener = std::function<bool(const QUrl &url)>;
void SetUrlOpener(UrlOpener opener); // empty: QDesktopServices::openUrl
bool OpenManualUrl();
