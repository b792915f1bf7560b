#include "paint/clipboardsink.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

ClipboardSink &InstalledSink()
{
    static ClipboardSink sink;
    return sink;
}

} // namespace

void SetClipboardSink(ClipboardSink sink)
{
    InstalledSink() = std::move(sink);
}

void PutImageOnClipboard(const QImage &image)
{
    const ClipboardSink &sink = InstalledSink();
    if (sink.image) {
        sink.image(image);
        return;
    }
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setImage(image, QClipboard::Clipboard);
}

void PutTextOnClipboard(const QString &text)
{
    const ClipboardSink &sink = InstalledSink();
    if (sink.text) {
        sink.text(text);
        return;
    }
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text, QClipboard::Clipboard);
}
