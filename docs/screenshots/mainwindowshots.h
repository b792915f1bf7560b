#pragma once

#include <QString>

// The main window with the built-in demo scene published in this process:
// mainwindow.png (layer views, palette, a virtual view, the composite, a
// selection and the status line) and inspector.png (the same window with
// the Pixel Inspector beside the views and a watched pixel). Uses its own
// runtime directory below tempRoot. False when a picture could not be made.
bool SaveMainWindowShots(const QString &out, const QString &tempRoot);
