// Update flashes and the heat map of a view: switched from the paint
// widget's context menu, kept with the view's state, fed by the refresh.
#include "views/changeoverlays.h"
#include "views/cwidget.h"
#include "views/infowidgets.h"
#include "views/viewwidget.h"

bool ViewWidget::UpdatesShown() const
{
    return changeOverlays && changeOverlays->flashesOn();
}

bool ViewWidget::HeatMapShown() const
{
    return changeOverlays && changeOverlays->heatMapOn();
}

namespace {

ChangeOverlays *overlaysOf(ViewWidget *view, ChangeOverlays *&overlays, PaintWidget *paint, LayerInfoWidget *info)
{
    if (!overlays && paint) {
        overlays = new ChangeOverlays(view, paint, (view->GetId() & 0xF0000000) == ViewId::Composite);
        if (info)
            QObject::connect(overlays, &ChangeOverlays::ratesChanged, info, &LayerInfoWidget::ShowRates);
    }
    return overlays;
}

} // namespace

void ViewWidget::ShowUpdates(bool on)
{
    if (!on && !changeOverlays)
        return;
    if (ChangeOverlays *o = overlaysOf(this, changeOverlays, paintWidget, infoWidget))
        o->setFlashes(on);
}

void ViewWidget::ShowHeatMap(bool on)
{
    if (!on && !changeOverlays)
        return;
    if (ChangeOverlays *o = overlaysOf(this, changeOverlays, paintWidget, infoWidget))
        o->setHeatMap(on);
}

int ViewWidget::ChangesAt(const QPoint &pixel)
{
    return changeOverlays ? changeOverlays->changesAt(pixel) : -1;
}

void ViewWidget::NoteContentChange()
{
    if (changeOverlays)
        changeOverlays->contentChanged();
}
