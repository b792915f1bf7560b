#pragma once

#include <QList>

class PaintWidget;
class QPainter;

// The reference painting of a paint widget, kept as the yardstick for the
// drawing the widgets really do: the transparency background over the whole
// widget rectangle, the part of the image the scroll area shows, decoded by
// the test itself from the block's bytes (rawdecode.h), darkened outside the
// selection, magnified by repeating every pixel zoom x zoom times and drawn
// at the scroll origin, then the grid with one line (or, inverting, one line
// piece per image pixel) over the whole widget. A view without a block shows
// the background and the grid. The painter paints in the widget's
// coordinates.
void referencePaintLayer(QPainter &painter, PaintWidget *widget);
// The composite without the layers at the positions in leftOut (its view's
// list), over the first layer's background colour all the same.
void referencePaintComposite(QPainter &painter, PaintWidget *widget, const QList<int> &leftOut = {});

// The two parts the benchmark's literal painting shares with the reference:
// the transparency background over the whole widget, and the grid.
void referenceBackground(QPainter &painter, PaintWidget *widget);
void referenceGrid(QPainter &painter, PaintWidget *widget);
