#pragma once

#include <QSize>

// The display scale: the primary screen's logical horizontal DPI, as the
// integer the widget API reports (QWidget::logicalDpiX()), divided by 96.
// The integer matters: a screen of 119.9 dpi is a 125 % screen with its
// stored icon set and 40-pixel buttons, not a 124.9 % one. The tool turns Qt's own high-DPI scaling off so that one layer pixel
// is exactly zoom device pixels, and scales its fixed sizes by this instead.
float GetScale();
// The integer DPI the widget API reports for a screen's fractional logical
// DPI (rounded to the nearest), and the scale of an integer DPI.
int WidgetDpi(qreal screenDpi);
float ScaleForDpi(int dpi);
// Replaces the screen's scale (tests and screenshots); 0 goes back to the screen.
void SetScale(float scale);

// Turns Qt's automatic high-DPI scaling off (QT_ENABLE_HIGHDPI_SCALING=0)
// unless the user has set the variable already. Must run before the
// application object exists; the tool's windows then have a device-pixel
// ratio of 1.
void DisableAutomaticHighDpiScaling();
// Removes the variable again once the application object exists (it has
// been read by then), so that programs the tool starts, such as the
// manual's browser, scale as usual. A value the user had set is kept.
void ForgetHighDpiScalingVariable();

// Each component multiplied (divided) and rounded to the nearest integer.
QSize ScaleSize(const QSize &size, double factor);
QSize UnscaleSize(const QSize &size, double divisor);
