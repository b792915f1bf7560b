#include "app/mainwindow.h"
#include "base/settings.h"
