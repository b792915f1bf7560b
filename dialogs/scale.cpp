#include "dialogs/scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace {
float scaleOverride = 0.0f;
}

float GetScale()
{
    if (scaleOverride > 0.0f)
        return scaleOverride;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0f;
    return float(screen->logicalDotsPerInchX() / 96.0);
}

void SetScale(float scale)
{
    scaleOverride = scale > 0.0f ? scale : 0.0f;
}

QSize ScaleSize(const QSize &size, double factor)
{
    return QSize(qRound(size.width() * factor), qRound(size.height() * factor));
}

QSize UnscaleSize(const QSize &size, double divisor)
{
    return QSize(qRound(size.width() / divisor), qRound(size.height() / divisor));
}
