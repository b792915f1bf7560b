#pragma once

class QWidget;

// Paint counts for load measurements, off unless NOXEL_PAINT_STATS names a
// file. Each paint widget's paints are counted; the file is rewritten with
// one line per widget ("<kind> <serial> <paints>", serial in order of first
// paint) at most four times a second while paints happen, and once at exit,
// so a script can read it before and after a measuring window.
namespace paintstats {

// kind is a static string ("layer", "virtual", "composite").
void countPaint(const QWidget *widget, const char *kind);

} // namespace paintstats
