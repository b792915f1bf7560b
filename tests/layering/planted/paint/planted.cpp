#include "imaging/layerimage.h"
#include "views/viewwidget.h"
#include "paint/paintwidget.h"
#include "app/settings.h"
