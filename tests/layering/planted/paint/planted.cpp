#include "imaging/layerimage.h"
#include "views/viewwidget.h"
#include "paint/paintwidget.h"
#include "base/settings.h"
