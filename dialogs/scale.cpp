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
    const qreal dpi = screen->logicalDotsPerInchX();
    // A screen that reports no resolution is taken as the 96 dpi baseline.
    return dpi > 0 ? float(dpi / 96.0) : 1.0f;
}

void DisableAutomaticHighDpiScaling()
{
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
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
