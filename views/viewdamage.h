#pragma once

#include "imaging/framechanges.h"
#include "paint/paintsource.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QVector>

#include <vector>

class ViewWidget;
class ViewComposite;
class PaintWidget;
class CompositeDamage;

// Repainting only what changed. After a content change a view compares the
// layer rows it shows with a copy of them and repaints the changed pixels
// alone, mapped through its zoom; whatever else could change the look
// (settings, zoom, grid, selection, marks, the layer's transparency fields,
// the part shown) makes it repaint all of it.
//
// The copy always holds what the screen shows: besides the comparison, every
// paint of the paint widget, whatever asked for it (an expose, a scroll, a
// setting), takes the pixels it paints into the copy just before they are
// read. So a pixel changed and changed back between two looks, while a paint
// showed its middle state, is still found and repainted. (Pixels the
// comparison itself asked to repaint are not taken again: the simulation's
// writes in the moment between the comparison and that paint are as
// unlocked as those during any paint.)
class ViewDamage : public QObject
{
public:
    explicit ViewDamage(ViewWidget *view);

    // Repaints what changed since the last look; all of it when whole is set
    // (the first look, the palette changed, a forced refresh).
    virtual void Repaint(bool whole) = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The paint widget is about to paint region (widget pixels).
    virtual void Painting(const QRegion &region) = 0;
    // Paints the whole widget.
    void RepaintAll();

    // The state beside the pixels that a paint depends on and that is the
    // same for every pixel.
    struct Look
    {
        PaintSettings settings;
        PaintGrid grid;
        int zoom = 0;
        QRect selection;
        QSize widget;
        QSize visible;
        bool marks = false;
        bool operator==(const Look &o) const;
        bool operator!=(const Look &o) const { return !(*this == o); }
    };
    Look CurrentLook() const;

    // The pixels (widget coordinates) asked to repaint right after the
    // comparison brought the copy up to date with them: their paint need not
    // take them again. A whole frame rewritten is then read once to compare
    // and once to paint, not a third time.
    QRegion fresh;
    // Repaints region, whose pixels the copy took just now.
    void RepaintFresh(const QRegion &region);
    // The part of a paint's region whose pixels the copy must take.
    QRegion ToTake(const QRegion &painted);

    // A layer that changes nearly all its shown pixels on every change (a
    // video) gains nothing from the search, which would cost a copy of every
    // pixel per change on top of the paint: after two such changes in a row
    // the search rests for a while and every change repaints all, with no
    // copy kept; then it looks again, resting twice as long (up to ten
    // seconds at 60 changes a second) each time it finds the layer as busy.
    struct Busy
    {
        int streak = 0;
        int resting = 0;
        int restLength = 0;
        // Counts a comparison that changed `changed` of `compared` pixels.
        void counted(qint64 changed, qint64 compared);
        // True while resting (each call counts one change).
        bool rest();
    };

    ViewWidget *view;
    PaintWidget *paintWidget;
    Look lastLook;
};

// The layer and virtual-layer views: one copy of the layer pixels they show,
// plus a margin for small scrolls, bounded by the size they hold.
//
// The composite may follow a layer view's copy instead of keeping its own of
// the same layer pixels (the layer is then read once per change, not twice).
// The copy then stands for what both show: each change the comparison or a
// paint of either view finds in it is repainted in both, and whenever the
// copy is dropped or made anew its generation changes, which tells the
// composite to repaint the layer and look again.
class LayerDamage : public ViewDamage
{
public:
    explicit LayerDamage(ViewWidget *view);

    void Repaint(bool whole) override;
    const FrameCopy &Copy() const { return copy; }

    // Whether the copy holds part (layer pixels) of layout, unbroken since
    // generation Generation().
    bool Covers(const LayerLayout &layout, const QRect &part) const;
    quint64 Generation() const { return generation; }
    // The composite following the copy from now on (null: none).
    void Follow(CompositeDamage *composite);
    // A paint of the follower shows part anew: the copy takes it, and this
    // view repaints what differed.
    void TakeForFollower(const LayerLayout &layout, const QRect &part);

protected:
    void Painting(const QRegion &region) override;

private:
    // Where the paint puts the layer's pixels: the shown layer pixels, each
    // a zoom x zoom block at (pixel * zoom) when blocks is set; otherwise the
    // paint stretches them (a grown layer) or shows none.
    struct Mapping
    {
        QRect content;
        int zoom = 1;
        bool blocks = false;
    };
    Mapping CurrentMapping() const;
    // The transparency fields of the layer's header.
    std::vector<quint32> HeaderLook() const;
    void DropCopy();
    // Tells the follower of spans it has not shown yet.
    void Tell(const QVector<ChangedSpan> &spans);

    FrameCopy copy;
    quint64 generation = 0;
    QPointer<CompositeDamage> follower;
    std::vector<quint32> lastHeader;
    Busy busy;
};

// The composite: one copy per layer of the part of it the composite shows,
// since a layer's own view may be hidden or show another part. A layer whose
// position, size, transparency fields or palette changed damages where it
// was and where it is now.
class CompositeDamage : public ViewDamage
{
public:
    explicit CompositeDamage(ViewComposite *view);

    void Repaint(bool whole) override;
    // The copy of leader, which this composite follows, changed in spans.
    void LeaderChanged(const LayerDamage *leader, const QVector<ChangedSpan> &spans);

protected:
    void Painting(const QRegion &region) override;

private:
    struct LayerState
    {
        BlockView block;
        QRect extent; // display pixels it covers
        std::vector<quint32> look;
        QVector<QRgb> palette;
        FrameCopy copy;
        Busy busy;
        // The layer view whose copy stands for this one while it holds the
        // shown part, and the generation of that copy when followed.
        QPointer<LayerDamage> leader;
        quint64 leaderGeneration = 0;
        // The layer's content counter at the last look.
        int counter = 0;
        bool counterSeen = false;
    };
    // The layer view's copy to follow for layer, or null.
    LayerDamage *LeaderFor(const CompositeLayer &layer) const;
    // Display pixels the paint shows.
    QRect Shown() const;
    void ClearCopies();

    ViewComposite *composite;
    std::vector<LayerState> layers;
    quint32 lastBackground = 0;
};

// Helpers shared by the two.
namespace damage {
// Widget pixels of the changed spans: each layer pixel a zoom x zoom block
// at (pixel + offset) * zoom, merged into as few rectangles as rows allow.
QRegion spansRegion(const QVector<ChangedSpan> &spans, QPoint offset, int zoom);
// The layer pixels (pixel + offset) * zoom whose whole block lies inside rect.
QRect wholeBlocks(const QRect &rect, int zoom);
// The layer pixels (pixel + offset) * zoom whose block meets rect.
QRect touchedBlocks(const QRect &rect, int zoom);
// rect grown by margin on every side within bounds, never smaller than rect.
QRect withMargin(const QRect &rect, int margin, const QRect &bounds);
// The pixels the spans cover.
qint64 spanPixels(const QVector<ChangedSpan> &spans);
} // namespace damage
