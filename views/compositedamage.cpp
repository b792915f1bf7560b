// What the composite repaints after a change of its layers: each layer's
// changed pixels at its position, or where it was and is when it moved,
// changed size or was made to blend otherwise.
#include "views/viewdamage.h"

#include "paint/paintwidget.h"
#include "simlink/layerblock.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"

#include <climits>

namespace {

constexpr int MarginPixels = 16;

// The display pixels a layer covers, cut to what a QRect holds.
QRect extentOf(BlockView block)
{
    const qint64 x = simlink::xPos(block), y = simlink::yPos(block);
    const qint64 w = simlink::xSize(block), h = simlink::ySize(block);
    if (w <= 0 || h <= 0)
        return QRect();
    const qint64 lo = INT_MIN / 2, hi = INT_MAX / 2;
    const qint64 left = qBound(lo, x, hi), top = qBound(lo, y, hi);
    const qint64 right = qBound(lo, x + w - 1, hi), bottom = qBound(lo, y + h - 1, hi);
    if (right < left || bottom < top)
        return QRect();
    return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
}

// Everything of a layer's header beside its pixels that its blending reads.
std::vector<quint32> lookOf(BlockView b)
{
    return {quint32(simlink::xPos(b)), quint32(simlink::yPos(b)), quint32(simlink::xSize(b)),
            quint32(simlink::ySize(b)), quint32(simlink::transMode(b)), simlink::keyColorMin(b),
            simlink::keyColorMax(b), simlink::layerAlpha(b)};
}

// Display pixels to widget pixels.
QRect zoomed(const QRect &r, int z)
{
    if (r.isEmpty())
        return QRect();
    const qint64 lo = INT_MIN / 2, hi = INT_MAX / 2;
    return QRect(QPoint(int(qBound(lo, qint64(r.left()) * z, hi)), int(qBound(lo, qint64(r.top()) * z, hi))),
                 QPoint(int(qBound(lo, (qint64(r.right()) + 1) * z - 1, hi)),
                        int(qBound(lo, (qint64(r.bottom()) + 1) * z - 1, hi))));
}

} // namespace

CompositeDamage::CompositeDamage(ViewComposite *view)
    : ViewDamage(view)
    , composite(view)
{
}

LayerDamage *CompositeDamage::LeaderFor(const CompositeLayer &layer) const
{
    for (ViewLayer *v : composite->LayerViews())
        if (v->GetRecord() == layer.layout.block) // the block its layout addresses
            return v->GetLayerDamage();
    return nullptr;
}

void CompositeDamage::LeaderChanged(const LayerDamage *leader, const QVector<ChangedSpan> &spans)
{
    // Repainted as a paint of the layer view would be: at once, and taken
    // again (compared) by the paint, so no other layer is assumed unchanged.
    const int z = qMax(1, view->GetZoom());
    for (const LayerState &state : layers) {
        if (state.leader != leader || state.leaderGeneration != leader->Generation())
            continue;
        const QRegion region = damage::spansRegion(spans, state.extent.topLeft(), z) & paintWidget->rect();
        if (!region.isEmpty())
            paintWidget->update(region);
    }
}

QRect CompositeDamage::Shown() const
{
    // As the composite paint takes it: scroll origin and visible size
    // divided by the zoom.
    const int z = qMax(1, view->GetZoom());
    const QSize scroll = view->GetScrollPos();
    const QSize visible = view->GetVisibleSize();
    return QRect(scroll.width() / z, scroll.height() / z, visible.width() / z, visible.height() / z);
}

void CompositeDamage::ClearCopies()
{
    for (LayerState &l : layers)
        l.copy.clear();
}

void CompositeDamage::Repaint(bool whole)
{
    const QList<CompositeLayer> current = view->compositeLayers();
    const Look look = CurrentLook();
    const quint32 background = simlink::bkColor(view->GetRecord());
    bool all = whole || look != lastLook || background != lastBackground || look.marks
               || !paintWidget->isVisible() || paintWidget->visibleRegion().isEmpty()
               || size_t(current.size()) != layers.size();
    lastLook = look;
    lastBackground = background;
    if (size_t(current.size()) != layers.size())
        layers = std::vector<LayerState>(size_t(current.size()));

    const int z = qMax(1, look.zoom);
    const QRect shown = Shown();
    const QRect around = shown.adjusted(-MarginPixels / z - 1, -MarginPixels / z - 1, MarginPixels / z + 1,
                                        MarginPixels / z + 1);
    QRegion damaged;
    for (int i = 0; i < current.size(); ++i) {
        const CompositeLayer &layer = current[i];
        LayerState &state = layers[size_t(i)];
        const QRect extent = extentOf(layer.layout.block);
        std::vector<quint32> layerLook = lookOf(layer.layout.block);
        // Read before the pixels: a change announced meanwhile is looked at
        // again next time.
        const int counter = simlink::contentCounter(layer.layout.block);
        const bool counted = state.counterSeen && counter == state.counter;
        state.counter = counter;
        state.counterSeen = true;
        bool moved = false;
        if (state.block != layer.layout.block) {
            all = true;
        } else if (layerLook != state.look || layer.palette != state.palette) {
            damaged += zoomed((state.extent | extent) & shown, z);
            moved = true;
        }
        state.block = layer.layout.block;
        state.extent = extent;
        state.look = std::move(layerLook);
        state.palette = layer.palette;
        if (all) {
            state.copy.clear();
            continue;
        }
        if (moved) {
            // All of it repaints: no search, no copy until the next change
            // (a layer moving every frame costs no copy at all).
            state.copy.clear();
            state.busy.counted(1, 1);
            continue;
        }
        // Following the layer view's copy while it holds the shown part of
        // the layer: its changes come from there. A copy followed anew may
        // differ from what this view shows, so the part repaints.
        const QRect shownPart = (shown & extent).translated(-extent.topLeft());
        LayerDamage *leader = LeaderFor(layer);
        if (leader && leader->Covers(layer.layout, shownPart)) {
            if (state.leader != leader || state.leaderGeneration != leader->Generation()) {
                state.leader = leader;
                state.leaderGeneration = leader->Generation();
                leader->Follow(this);
                damaged += zoomed(extent & shown, z);
            }
            state.copy.clear();
            continue;
        }
        if (state.leader) {
            state.leader->Follow(nullptr);
            state.leader = nullptr;
        }
        // The layer pixels under the shown part (and a margin), each at its
        // display pixel (layer pixel + position).
        const QRect part = (around & extent).translated(-extent.topLeft());
        // A layer the simulation has not announced a change of since its
        // last look shows as it did: its copy, if it has one, is what this
        // view shows of it.
        if (counted && (state.busy.resting > 0 || (state.copy.holds(layer.layout, part) && state.copy.area() == part)))
            continue;
        if (state.busy.rest()) {
            state.copy.clear();
            damaged += zoomed(extent & shown, z);
            continue;
        }
        QVector<ChangedSpan> spans;
        if (!state.copy.update(layer.layout, part, &spans)) {
            damaged += zoomed(part.translated(extent.topLeft()) & shown, z);
            state.busy.counted(1, 1);
            continue;
        }
        state.busy.counted(damage::spanPixels(spans), qint64(part.width()) * part.height());
        damaged += damage::spansRegion(spans, extent.topLeft(), z);
    }
    if (all) {
        RepaintAll();
        return;
    }
    RepaintFresh(damaged);
}

void CompositeDamage::Painting(const QRegion &region)
{
    // Each layer's copy takes the layer pixels under the display pixels
    // this paint composes whole.
    const QList<CompositeLayer> current = view->compositeLayers();
    if (size_t(current.size()) != layers.size()) {
        ClearCopies();
        return;
    }
    const int z = qMax(1, view->GetZoom());
    const QRect shown = Shown();
    // A followed layer view's copy takes all of the region, compared: what
    // this view's own comparison took just now says nothing of that copy.
    for (int i = 0; i < current.size(); ++i) {
        const LayerState &state = layers[size_t(i)];
        if (!state.leader || state.leaderGeneration != state.leader->Generation())
            continue;
        const QRect extent = extentOf(current[i].layout.block);
        if (extent != state.extent)
            continue;
        for (const QRect &r : region) {
            const QRect pixels = damage::wholeBlocks(r, z) & shown & extent;
            if (!pixels.isEmpty())
                state.leader->TakeForFollower(current[i].layout, pixels.translated(-extent.topLeft()));
        }
    }
    for (const QRect &r : ToTake(region)) {
        const QRect pixels = damage::wholeBlocks(r, z) & shown;
        if (pixels.isEmpty())
            continue;
        for (int i = 0; i < current.size(); ++i) {
            LayerState &state = layers[size_t(i)];
            if (state.leader || state.copy.area().isNull())
                continue;
            const QRect extent = extentOf(current[i].layout.block);
            if (extent != state.extent) {
                state.copy.clear();
                continue;
            }
            state.copy.take(current[i].layout, (pixels & extent).translated(-extent.topLeft()));
        }
    }
}
