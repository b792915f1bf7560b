#include "paint/handtool.h"

QPoint HandTool::dragStep(QPoint &lastGlobal, const QPoint &global)
{
    const QPoint d = lastGlobal - global;
    lastGlobal = global;
    return d;
}
