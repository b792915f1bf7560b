#pragma once

#include "imaging/layergeometry.h"
#include "imaging/layerimage.h"

#include <vector>

// The composite of a display rectangle one row at a time, into any buffer:
// the opaque background colour of the first layer's block, then every layer
// (layer 0 first) at its position, blended source-over, premultiplied. The
// paint of the composite view composes the rows it shows straight into its
// magnified output; readCompositeImage() builds an image from the same rows.
class CompositeRows
{
public:
    // Rows of display columns left..right; row() accepts display rows
    // top..bottom. An empty rectangle or one beyond MaxImageBytes composes
    // nothing (valid() is false).
    CompositeRows(const QList<CompositeLayer> &layers, BlockView firstBlock, const ImageRules &rules, int left,
                  int top, int right, int bottom);

    bool valid() const { return columns > 0; }
    int width() const { return int(columns); }
    // Composes display row y into out[0 .. width() - 1]; every pixel opaque.
    void row(int y, quint32 *out);

private:
    struct Part
    {
        LayerLayout layout;
        imaging::PixelRules rules;
        std::vector<quint32> table; // 256 entries for an indexed layer
        imaging::ReadGeometry geometry;
        qint64 dx, dy, height; // where row 0 of the part lands, and its rows
    };

    qint64 columns = 0;
    qint64 topRow = 0;
    quint32 background = 0xFF000000u;
    std::vector<Part> parts;
    std::vector<quint32> rowBuffer;
    std::vector<quint32> backgroundRow;
};
