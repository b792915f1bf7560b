#pragma once

#include "paint/toolcursors.h"

#include <QPoint>

// The hand tool of a paint widget: an open hand while the pointer is over
// the widget, a closed hand while the left button is down, and scrolling by
// the pointer's travel while dragging.
class HandTool
{
public:
    void enter() { cursors.push(Qt::OpenHandCursor); }
    void press() { cursors.push(Qt::ClosedHandCursor); }
    // Restores the closed hand of the press.
    void release() { cursors.restore(); }
    // The pointer left, or the tool was switched off: every cursor goes.
    void leave() { cursors.restoreAll(); }

    // The scroll step of a drag from lastGlobal to global: the content
    // follows the pointer, so the scroll bars move the other way. lastGlobal
    // takes the new position.
    static QPoint dragStep(QPoint &lastGlobal, const QPoint &global);

    int cursorCount() const { return cursors.count(); }

private:
    ToolCursors cursors;
};
