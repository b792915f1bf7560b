#include "base/version.h"

QString versionText()
{
    return QString::asprintf("%01d.%01d%01d", 6, 2, 6) + QString::asprintf("%c", 100);
}
