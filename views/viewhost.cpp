#include "views/viewhost.h"

namespace {

ViewHost *theMainWindow = nullptr;

} // namespace

ViewHost *mainWindow()
{
    return theMainWindow;
}

void setMainWindow(ViewHost *window)
{
    theMainWindow = window;
}
