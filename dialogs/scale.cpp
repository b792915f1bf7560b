#include "dialogs/scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

namespace {
float scaleOverride = 0.0f;
// Set while QT_ENABLE_HIGHDPI_SCALING holds the value this process put there.
bool scalingVariableSet = false;
}

float GetScale()
{
    if (scaleOverride > 0.0f)
        return scaleOverride;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0f;
    return ScaleForDpi(WidgetDpi(screen->logicalDotsPerInchX()));
}

int WidgetDpi(qreal screenDpi)
{
    return qRound(screenDpi);
}

float ScaleForDpi(int dpi)
{
    // A screen that reports no resolution is taken as the 96 dpi baseline.
    return dpi > 0 ? float(dpi / 96.0) : 1.0f;
}

void DisableAutomaticHighDpiScaling()
{
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING")) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        scalingVariableSet = true;
    }
}

void ForgetHighDpiScalingVariable()
{
    // The application object has read the variable at its construction; a
    // value the user set stays, since it was theirs to pass on.
    if (scalingVariableSet)
        qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    scalingVariableSet = false;
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
