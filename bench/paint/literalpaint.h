#pragma once

class PaintWidget;
class QPainter;

// The literal painting of a paint widget, the yardstick the benchmark
// measures the widgets' drawing against (it reads through the widget's own
// image operations, so it is a baseline, not a test oracle): the transparency background over the whole
// widget rectangle, the visible image scaled into a new image by the zoom
// (nearest neighbour) and drawn at the scroll origin, then the grid with one
// line (or, inverting, one line piece per image pixel) over the whole widget.
// The painter paints in the widget's coordinates. An indexed image is
// expanded to 32 bits before it is scaled (see the source for why).
void literalPaintLayer(QPainter &painter, PaintWidget *widget);
void literalPaintComposite(QPainter &painter, PaintWidget *widget);
