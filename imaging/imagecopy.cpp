#include "imaging/imagecopy.h"

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
    for (int y = 0; y < h; ++y)
        compareRow(reinterpret_cast<uchar *>(pixels.data() + size_t(y) * w), image.constScanLine(y), w, 4, y, 0, spans,
                   visit);
    return true;
}
