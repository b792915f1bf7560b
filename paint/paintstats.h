#pragma once

class QWidget;

// Paint counts for load measurements, off unless NOXEL_PAINT_STATS names a
// file. Each paint widget's paints are counted; the file is rewritten with
// one line per widget ("<kind> <serial> <paints> <zoom> <grid> <overlays>",
// serial in order of first paint; zoom, grid 0/1 and overlays (1 update
// flashes, 2 heat map, 3 both) as of the widget's latest paint) at
// most four times a second while paints happen, and once at exit, so a script
// can read it before and after a measuring window and check the state the
// frames were painted in.
namespace paintstats {

// kind is a static string ("layer", "virtual", "composite").
void countPaint(const QWidget *widget, const char *kind);

} // namespace paintstats
