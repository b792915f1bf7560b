#pragma once

#include "paint/toolcursors.h"

#include <QPoint>
#include <QRect>

class SelectionHost;
class SelectionRect;

// The selection tool of a paint widget: a cross cursor while the pointer is
// over the widget, and the one selection (a SelectionRect child of the
// host's widget) that a press starts and a drag extends. The host is the
// paint widget; it outlives the tool's selection (it calls remove() in its
// destructor).
class SelectionTool
{
public:
    explicit SelectionTool(SelectionHost *host);
    SelectionTool(const SelectionTool &) = delete;
    SelectionTool &operator=(const SelectionTool &) = delete;

    void enter() { cursors.push(Qt::CrossCursor); }
    void leave() { cursors.restoreAll(); }

    // A press (or a drag) at pixel boundary 'at', already clamped to the
    // image. A drag moves the selection's loose corner; a new press replaces
    // any selection by an empty one there.
    void press(const QPoint &at, int zoom, bool dragging);
    // A new selection from pixel 'start' to boundary 'end'.
    SelectionRect *create(const QPoint &start, const QPoint &end, int zoom);
    void remove();
    // A zoom change: an empty selection goes, any other keeps its pixels.
    void rescale(int zoom);

    SelectionRect *current() const { return selection; }
    // The selection in layer pixels (inclusive; an empty one has width 0),
    // or a null QRect without a selection.
    QRect rect() const;
    int cursorCount() const { return cursors.count(); }

private:
    SelectionHost *host = nullptr;
    SelectionRect *selection = nullptr;
    ToolCursors cursors;
};
