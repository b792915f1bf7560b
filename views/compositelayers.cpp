// The composite view's choice of layers: which layers its image is made of,
// the "La&yers" submenu of its context menu, and the choice kept in its
// saved state.
#include "views/viewcomposite.h"

#include "views/viewhost.h"
#include "views/viewlayer.h"

#include <QAction>
#include <QMenu>

namespace {

// One bit per layer number; a layer beyond the mask (no scan finds one) is
// always drawn.
constexpr int MaskBits = 32;

bool inMask(int layer)
{
    return layer >= 0 && layer < MaskBits;
}

} // namespace

bool ViewComposite::layerShown(int layer) const
{
    return !inMask(layer) || (leftOut & (1u << layer)) == 0;
}

void ViewComposite::setLayerShown(int layer, bool shown)
{
    if (!inMask(layer) || layerShown(layer) == shown)
        return;
    leftOut ^= 1u << layer;
    layersChanged();
}

void ViewComposite::layersChanged()
{
    // A comparison marks what the view shows, so it is made again (which
    // repaints).
    if (Comparing())
        UpdateComparison();
    else
        RepaintImage();
}

void ViewComposite::SaveState(ViewState *state)
{
    if (!state)
        return;
    ViewWidget::SaveState(state);
    state->leftOutLayers = leftOut;
}

void ViewComposite::RestoreState(const ViewState *state)
{
    if (!state)
        return;
    // A state is only given back under the same configuration, so its bits
    // name the same layers. The base repaints; the first refresh after a
    // build compares again.
    leftOut = state->leftOutLayers;
    ViewWidget::RestoreState(state);
}

void ViewComposite::addViewMenuItems(QMenu *menu)
{
    QMenu *layers = menu->addMenu(QStringLiteral("La&yers"));
    const QString word = mainWindow() ? mainWindow()->LayerWord() : QStringLiteral("Layer");
    for (ViewLayer *view : *layerViews) {
        const int n = view->GetIndex();
        QAction *a = layers->addAction(QStringLiteral("%1 &%2").arg(word).arg(n));
        a->setCheckable(true);
        a->setChecked(layerShown(n));
        a->setEnabled(inMask(n));
        a->setData(n);
        a->setStatusTip(QStringLiteral("Draw %1 %2 in %3; unchecked, it is left out of this view only.")
                            .arg(word)
                            .arg(n)
                            .arg(GetTitle()));
        connect(a, &QAction::toggled, this, &ViewComposite::OnActCompositeLayer);
    }
}

void ViewComposite::OnActCompositeLayer(bool on)
{
    if (auto *a = qobject_cast<QAction *>(sender()))
        setLayerShown(a->data().toInt(), on);
}
