#pragma once

#include <QImage>
#include <QString>

#include <functional>

// Where the paint widgets' copy commands put what they copy: the system
// clipboard (mode QClipboard::Clipboard), or a sink installed instead, so
// that a test or a platform without a clipboard can take the data.
struct ClipboardSink
{
    std::function<void(const QImage &)> image;
    std::function<void(const QString &)> text;
};

// Installs a sink; an empty one (no functions) restores the system clipboard.
void SetClipboardSink(ClipboardSink sink);
// The image must own its pixels (MagnifiedCopy's result does).
void PutImageOnClipboard(const QImage &image);
void PutTextOnClipboard(const QString &text);
