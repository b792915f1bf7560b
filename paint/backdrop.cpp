#include "paint/backdrop.h"

#include <algorithm>
#include <cstring>

namespace magnify {

void Backdrop::fill(quint32 *out, int y) const
{
    if (kind == MagnifyScene::TiledBackground)
        std::memcpy(out, rows + qint64(classOf(y)) * width, size_t(width) * 4);
    else
        std::fill(out, out + width, solid);
}

Backdrop prepareBackdrop(const MagnifyScene &s, const QRect &c, MagnifyCache &cache)
{
    Backdrop b;
    b.kind = s.background;
    b.width = c.width();
    // Without a background the composed rectangle lies under an opaque
    // image; black keeps a broken promise deterministic.
    b.solid = b.kind == MagnifyScene::SolidBackground ? (s.solidColor | 0xFF000000u) : 0xFF000000u;
    if (b.kind != MagnifyScene::TiledBackground)
        return b;
    QImage tile = s.tile;
    if (tile.isNull()) {
        b.kind = MagnifyScene::SolidBackground;
        b.solid = 0xFF000000u;
        return b;
    }
    if (tile.format() != QImage::Format_ARGB32_Premultiplied)
        tile = tile.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int tw = tile.width();
    const int th = tile.height();
    if (cache.tileKey != s.tile.cacheKey() || cache.tileRowClass.size() != th) {
        cache.tileRowClass.resize(th);
        for (int r = 0; r < th; ++r) {
            cache.tileRowClass[r] = r;
            for (int q = 0; q < r; ++q) {
                if (std::memcmp(tile.constScanLine(q), tile.constScanLine(r), size_t(tw) * 4) == 0) {
                    cache.tileRowClass[r] = cache.tileRowClass[q];
                    break;
                }
            }
        }
        cache.tileKey = s.tile.cacheKey();
    }
    cache.tileRows.resize(qsizetype(th) * b.width);
    for (int r = 0; r < th; ++r) {
        if (cache.tileRowClass[r] != r)
            continue;
        const quint32 *src = reinterpret_cast<const quint32 *>(tile.constScanLine(r));
        quint32 *out = cache.tileRows.data() + qint64(r) * b.width;
        int tx = c.left() % tw;
        for (int i = 0; i < b.width; ++i) {
            out[i] = src[tx] | 0xFF000000u;
            if (++tx == tw)
                tx = 0;
        }
    }
    b.tileWidth = tw;
    b.tileHeight = th;
    b.rowClass = cache.tileRowClass.constData();
    b.rows = cache.tileRows.constData();
    return b;
}

} // namespace magnify
