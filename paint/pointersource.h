#pragma once

#include <QString>

class SelectionWidget;

// What the pointer tools of a paint widget need from the view that holds
// it beyond PaintSource (which has the title and the status line): which
// tool is on, the palette highlight, scrolling and the selection tool's
// button and strip. The view implements both, so the paint code needs
// nothing from the views.
class PointerSource
{
public:
    virtual ~PointerSource() = default;

    virtual bool HandToolOn() const = 0;
    virtual bool SelectionToolOn() const = 0;
    // The view shows palette indices (the status line then names them).
    virtual bool IsIndexed() = 0;
    // Marks a palette index in the view's palette panel; 0xFFFF clears it.
    virtual void HighlightIndex(int index) = 0;
    // Moves both scroll bars of the view by (dx, dy) positions.
    virtual void ScrollBy(int dx, int dy) = 0;
    // True while the pop-up list of the view's zoom box has the keyboard focus.
    virtual bool ZoomPopupHasFocus() const = 0;
    // Clicks the selection tool's button when the tool is off.
    virtual void SwitchSelectionToolOn() = 0;
    // The view's selection strip; may be null.
    virtual SelectionWidget *GetSelectionWidget() const = 0;
};
