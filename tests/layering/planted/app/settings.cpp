#include "app/mainwindow.h"
#include "app/settings.h"
