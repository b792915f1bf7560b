#pragma once

#include <QPoint>

// Something the main window hosts beside the views (a dock, a File entry, a
// mode that marks the views). The window keeps a list of parts and tells
// each one, in the order they were added, when the views come and go and on
// every redraw tick; a part reads the views through the window's accessors
// (LayerViews(), VirtViews(), CompositeView()). Every call has an empty
// default, so a part overrides only what it follows.
class WindowPart
{
public:
    virtual ~WindowPart() = default;

    // The views of a new connection were built and arranged.
    virtual void AttachViews() {}
    // The views are about to be deleted: let go of them. When the
    // simulation ends while a dialog or menu is open, this comes once that
    // has closed, right before the deferred teardown; meanwhile the views
    // stay but read no block, and no tick comes.
    virtual void DetachViews() {}
    // The redraw tick while the views are live, after the views refreshed.
    virtual void Tick() {}
    // A view asks to pin one of its pixels (see ViewHost::WatchPixel).
    virtual void WatchPixel(int viewKind, int layer, QPoint pixel)
    {
        Q_UNUSED(viewKind);
        Q_UNUSED(layer);
        Q_UNUSED(pixel);
    }
};
