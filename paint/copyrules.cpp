#include "paint/copyrules.h"

#include "imaging/layerimage.h"

#include <cstring>

QString ColorClipboardText(QRgb color)
{
    return QStringLiteral("%1").arg(quint32(color), 8, 16, QLatin1Char('0')).toUpper();
}

bool FitsMagnified(qint64 width, qint64 height, int zoom)
{
    if (width < 0 || height < 0 || zoom < 1)
        return false;
    // Each factor is bounded before it is multiplied, so nothing overflows.
    const qint64 w = width * zoom;
    const qint64 h = height * zoom;
    if (w > MaxImageBytes || h > MaxImageBytes)
        return false;
    return w * h <= MaxImageBytes / 4;
}

QImage MagnifiedCopy(const QImage &image, int zoom)
{
    if (image.isNull() || zoom < 1 || !FitsMagnified(image.width(), image.height(), zoom))
        return QImage();

    // 32-bit formats keep their format (a premultiplied composite stays
    // premultiplied); everything else becomes ARGB32.
    QImage src = image.depth() == 32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    if (src.isNull())
        return QImage();
    const int w = src.width();
    const int h = src.height();
    QImage out(w * zoom, h * zoom, src.format());
    if (out.isNull())
        return QImage();

    for (int y = 0; y < h; ++y) {
        const auto *in = reinterpret_cast<const quint32 *>(src.constScanLine(y));
        auto *first = reinterpret_cast<quint32 *>(out.scanLine(y * zoom));
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < zoom; ++k)
                first[x * zoom + k] = in[x];
        for (int k = 1; k < zoom; ++k)
            std::memcpy(out.scanLine(y * zoom + k), first, size_t(w) * zoom * 4);
    }
    return out;
}

ClipboardCopy CopyForClipboard(const QImage &image, int zoom, const QString &title, const QRect *selection)
{
    ClipboardCopy copy;
    if (image.isNull())
        return copy;
    copy.image = MagnifiedCopy(image, zoom);
    if (copy.image.isNull())
        copy.message = CopyTooLargeText(selection != nullptr);
    else
        copy.message = selection ? CopiedAreaText(*selection) : CopiedContentText(title);
    return copy;
}

QString CopiedContentText(const QString &title)
{
    return QStringLiteral("Copied %1 to clipboard.").arg(title);
}

QString CopiedAreaText(const QRect &s)
{
    return QStringLiteral("Copied area from (%1, %2) to (%3, %4) to clipboard.")
        .arg(s.left())
        .arg(s.top())
        .arg(s.left() + s.width() - 1)
        .arg(s.top() + s.height() - 1);
}

QString CopyTooLargeText(bool selection)
{
    return selection ? QStringLiteral("Selection too large to copy at this zoom.")
                     : QStringLiteral("Image too large to copy at this zoom.");
}
