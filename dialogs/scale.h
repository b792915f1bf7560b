#pragma once

#include <QSize>

// The display scale: the primary screen's logical horizontal DPI divided by
// 96. The tool turns Qt's own high-DPI scaling off so that one layer pixel
// is exactly zoom device pixels, and scales its fixed sizes by this instead.
float GetScale();
// Replaces the screen's scale (tests and screenshots); 0 goes back to the screen.
void SetScale(float scale);

// Turns Qt's automatic high-DPI scaling off (QT_ENABLE_HIGHDPI_SCALING=0)
// unless the user has set the variable already. Must run before the
// application object exists; the tool's windows then have a device-pixel
// ratio of 1.
void DisableAutomaticHighDpiScaling();

// Each component multiplied (divided) and rounded to the nearest integer.
QSize ScaleSize(const QSize &size, double factor);
QSize UnscaleSize(const QSize &size, double divisor);
