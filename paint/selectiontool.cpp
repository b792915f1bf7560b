#include "paint/selectiontool.h"

#include "selection/selectionhost.h"
#include "selection/selectionrect.h"

SelectionTool::SelectionTool(SelectionHost *h)
    : host(h)
{
}

void SelectionTool::press(const QPoint &at, int zoom, bool dragging)
{
    if (dragging && selection) {
        selection->SetEnd(at);
        return;
    }
    create(at, at, zoom);
}

SelectionRect *SelectionTool::create(const QPoint &start, const QPoint &end, int zoom)
{
    remove();
    selection = new SelectionRect(start, zoom, host);
    if (end != start)
        selection->SetEnd(end);
    return selection;
}

void SelectionTool::remove()
{
    // Cleared first: deleting notifies the host, which may ask for it.
    SelectionRect *gone = selection;
    selection = nullptr;
    delete gone;
}

void SelectionTool::rescale(int zoom)
{
    if (!selection)
        return;
    if (selection->IsEmpty())
        remove();
    else
        selection->SetZoom(zoom);
}

QRect SelectionTool::rect() const
{
    return selection ? selection->GetRect() : QRect();
}
