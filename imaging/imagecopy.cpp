#include "imaging/imagecopy.h"

#include "imaging/pixelkernels.h"

#include <cstring>

void ImageCopy::clear()
{
    held = QRect();
    std::vector<quint32>().swap(pixels);
}

bool ImageCopy::update(const QImage &image, QVector<ChangedSpan> *spans, const SpanVisitor &visit)
{
    if (image.isNull() || image.depth() != 32) {
        clear();
        return false;
    }
    const int w = image.width();
    const int h = image.height();
    if (held != QRect(0, 0, w, h)) {
        held = QRect(0, 0, w, h);
        pixels.assign(size_t(w) * size_t(h), 0);
        for (int y = 0; y < h; ++y)
            std::memcpy(pixels.data() + size_t(y) * w, image.constScanLine(y), size_t(w) * 4);
        return false;
    }
    for (int y = 0; y < h; ++y) {
        quint32 *kept = pixels.data() + size_t(y) * w;
        const uchar *row = image.constScanLine(y);
        qint64 firstByte = 0, lastByte = 0;
        if (!imaging::findDifference(reinterpret_cast<const uchar *>(kept), row, qint64(w) * 4, &firstByte, &lastByte))
            continue;
        const int from = int(firstByte / 4);
        const int to = int(lastByte / 4);
        const ChangedSpan span{y, from, to};
        if (spans)
            spans->append(span);
        if (visit)
            visit(span, reinterpret_cast<const uchar *>(kept + from), row + qint64(from) * 4);
        std::memcpy(kept + from, row + qint64(from) * 4, size_t(to - from + 1) * 4);
    }
    return true;
}
