#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QString>

// What the paint widgets' copy commands put on the clipboard. Plain
// functions; the widget reads the image and hands the result to its
// clipboard sink.

// The colour text: eight upper-case hex digits, alpha red green blue.
QString ColorClipboardText(QRgb color);

// True when a width x height image magnified by zoom, at 32 bits per pixel,
// stays within the tool's image bound (MaxImageBytes).
bool FitsMagnified(qint64 width, qint64 height, int zoom);

// The image magnified by zoom with each pixel repeated as a zoom x zoom
// block, exactly as the view shows it (no grid, background or shading;
// transparency kept). The result always owns its pixels, also at zoom 1,
// so nothing refers to the simulation's memory. Null for a null image or
// one whose magnified form would exceed the bound.
QImage MagnifiedCopy(const QImage &image, int zoom);

// The outcome of a copy: the image for the clipboard (null: put nothing
// there) and the status line (empty: leave it).
struct ClipboardCopy
{
    QImage image;
    QString message;
};

// Copy of a view's content (selection null) or of a selection's image
// (selection its inclusive rectangle, not empty). A null image copies
// nothing and says nothing; a too large one copies nothing and says so.
ClipboardCopy CopyForClipboard(const QImage &image, int zoom, const QString &title,
                               const QRect *selection);

QString CopiedContentText(const QString &title);
QString CopiedAreaText(const QRect &selection);
QString CopyTooLargeText(bool selection);
