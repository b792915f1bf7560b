#pragma once

class PaintWidget;
class QPainter;

// The reference painting of a paint widget, kept as the yardstick for the
// drawing the widgets really do: the transparency background over the whole
// widget rectangle, the visible image scaled into a new image by the zoom
// (nearest neighbour) and drawn at the scroll origin, then the grid with one
// line (or, inverting, one line piece per image pixel) over the whole widget.
// The painter paints in the widget's coordinates. An indexed image is
// expanded to 32 bits before it is scaled (see the source for why).
void referencePaintLayer(QPainter &painter, PaintWidget *widget);
void referencePaintComposite(QPainter &painter, PaintWidget *widget);
