#include "paint/paintwidget.h"
#include "dialogs/buttons.h"
#include "Resource/embeddedart.h"
#include <QWidget>
#include "../paint/paintwidget.h"
