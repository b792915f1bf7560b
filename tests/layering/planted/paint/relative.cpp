#include "../imaging/layerimage.h"
#include "../views/viewwidget.h"
#include "./planted.cpp"
