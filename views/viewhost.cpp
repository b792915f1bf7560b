#include "views/viewhost.h"

namespace {

ViewHost *theMainWindow = nullptr;

} // namespace

QString ViewHost::LayerWord() const
{
    return multiDisplay == 1 ? QStringLiteral("Display") : QStringLiteral("Layer");
}

QPair<quint32, int> ViewHost::DefaultGrid() const
{
    return qMakePair(defaultGridColor, defaultGridMode);
}

ViewHost *mainWindow()
{
    return theMainWindow;
}

void setMainWindow(ViewHost *window)
{
    theMainWindow = window;
}
