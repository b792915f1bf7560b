#include "paint/diffoverlay.h"

#include "imaging/cimage.h"
#include "paint/paintsource.h"

bool DiffOverlay::isActive() const
{
    const DiffMask *marks = view->differences();
    return marks && marks->count > 0;
}

void DiffOverlay::apply(CImage &image)
{
    const DiffMask *marks = view->differences();
    if (!marks || image.isNull())
        return;
    const int right = qMin(image.right, marks->width - 1);
    const int bottom = qMin(image.bottom, marks->height - 1);
    for (int y = qMax(0, image.top); y <= bottom; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y - image.top));
        for (int x = qMax(0, image.left); x <= right; ++x) {
            if (marks->at(x, y))
                row[x - image.left] = DiffHighlight;
        }
    }
}
