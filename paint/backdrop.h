#pragma once

#include "paint/magnify.h"

#include <QRect>

// The background of one composed rectangle, as rows of opaque premultiplied
// pixels: a solid colour, or the transparency tile anchored at widget (0, 0)
// with its rows expanded once to the rectangle's columns (one expanded row
// per class of identical tile rows).
namespace magnify {

struct Backdrop
{
    MagnifyScene::Background kind = MagnifyScene::NoBackground;
    quint32 solid = 0xFF000000u;
    int tileWidth = 0;
    int tileHeight = 0;
    const int *rowClass = nullptr;
    const quint32 *rows = nullptr; // tileHeight rows of width columns
    int width = 0;

    // Rows of the same class are identical.
    int classOf(int y) const { return kind == MagnifyScene::TiledBackground ? rowClass[y % tileHeight] : 0; }
    // The background of widget row y (width pixels from the rectangle's left).
    void fill(quint32 *out, int y) const;
};

// The backdrop of rectangle c (widget pixels, c.left() >= 0); the expanded
// rows live in the cache and stay valid until its next use.
Backdrop prepareBackdrop(const MagnifyScene &s, const QRect &c, MagnifyCache &cache);

} // namespace magnify
