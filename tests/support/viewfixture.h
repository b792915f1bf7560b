#pragma once

// Helpers for tests (and the paint benchmark) that build views on a
// publisher's blocks and look at the pixels their paint widgets draw, and
// ViewFixture, the base of such tests: a private environment, a fake host
// as mainWindow() and a publisher, with no main window and no timers.
#include "fakeviewhost.h"
#include "imagecompare.h"
#include "paint/paintwidget.h"
#include "palette/palettewidget.h"
#include "sim/publisher.h"
#include "testenv.h"
#include "views/scrollareas.h"
#include "views/viewlayer.h"
#include "views/viewwidget.h"

#include <QAbstractButton>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QTimer>

#include <memory>

namespace fixture {

// Stops every timer of a whole main window (or any object tree), so that its
// load timer neither rescans (which resets layerCount) nor builds views of
// its own while a test builds views directly. Tests of single views use
// ViewFixture instead, whose host has no timers.
inline void quiet(QObject &w)
{
    for (QTimer *t : w.findChildren<QTimer *>())
        t->stop();
}

inline sim::LayerSpec spec(int w, int h, int numColors = 0, int bpp = 32)
{
    return sim::LayerSpec::of(w, h, numColors, bpp);
}

inline LayerInfo infoOf(int index, const sim::LayerSpec &s)
{
    LayerInfo info;
    info.xSize = s.xSize;
    info.ySize = s.ySize;
    info.xPos = s.xPos;
    info.yPos = s.yPos;
    info.index = index;
    info.bitsPerPixel = s.bitsPerPixel;
    info.vxSize = s.vxSize < 0 ? s.xSize : s.vxSize;
    info.vySize = s.vySize < 0 ? s.ySize : s.vySize;
    return info;
}

// A cheap well-mixed hash for reproducible pixel patterns.
inline quint32 mix(quint32 x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Alpha values with opaque, fully transparent and every level in between.
inline quint32 variedPixel(quint32 h)
{
    const quint32 pick = (h >> 24) % 4;
    const quint32 alpha = pick == 0 ? 0xFFu : pick == 1 ? 0u : (h >> 24);
    return (alpha << 24) | (h & 0x00FFFFFFu);
}

inline void fillVaried32(sim::PublishedBlock *b, int w, int h, quint32 seed)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->setPixel32(x, y, variedPixel(mix(seed * 7919u + quint32(y) * 65537u + quint32(x))));
}

inline void fillIndexed(sim::PublishedBlock *b, int w, int h, int numColors, quint32 seed)
{
    for (int i = 0; i < numColors; ++i)
        b->setPaletteEntry(i, variedPixel(mix(seed + 1000u + quint32(i))));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->setPixel8(x, y, quint8(mix(seed * 31u + quint32(y) * 977u + quint32(x)) % quint32(numColors)));
}

// The first of owner's buttons whose tool tip starts with tipStart.
inline QAbstractButton *buttonWithTip(QWidget *owner, const QString &tipStart)
{
    for (QAbstractButton *b : owner->findChildren<QAbstractButton *>())
        if (b->toolTip().startsWith(tipStart))
            return b;
    return nullptr;
}

// Makes the view a top-level window whose scroll area offers the given
// maximum viewport, and shows it.
inline void showWithViewport(ViewWidget *view, QSize viewport)
{
    view->setParent(nullptr);
    CScrollArea *area = view->GetScrollArea();
    const int frame = 2 * area->frameWidth();
    area->setFixedSize(viewport + QSize(frame, frame));
    view->show();
}

inline void scrollTo(ViewWidget *view, int x, int y)
{
    view->GetScrollArea()->horizontalScrollBar()->setValue(x);
    view->GetScrollArea()->verticalScrollBar()->setValue(y);
}

// The paint widget's rectangle the scroll area can show at its scroll
// position (the maximum viewport, the part under the scroll bars included).
inline QRect shownRect(ViewWidget *view)
{
    CScrollArea *area = view->GetScrollArea();
    const QRect r(QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()),
                  area->maximumViewportSize());
    return r & view->GetPaintWidget()->rect();
}

inline QColor fillColorOf(QWidget *w)
{
    return w->palette().color(w->backgroundRole());
}

// What the widget paints of rectangle r (widget coordinates).
inline QImage renderWidget(QWidget *w, const QRect &r, QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    if (r.isEmpty())
        return QImage();
    QImage image(r.size(), format);
    image.fill(fillColorOf(w));
    w->render(&image, QPoint(), QRegion(r));
    return image;
}

// What a painting function draws of rectangle r over the same fill.
template<typename Paint>
QImage renderWith(QWidget *w, const QRect &r, Paint paint, QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    QImage image(r.size(), format);
    image.fill(fillColorOf(w));
    QPainter p(&image);
    p.translate(-r.topLeft());
    paint(p);
    return image;
}

// Empty when equal, otherwise where and how the images first differ.
using imagecompare::firstDifference;

} // namespace fixture

// The base of a widget test that builds single views or panels. reset()
// (from the test's init()) gives a fresh settings location, a new
// FakeViewHost installed as mainWindow() and a new publisher; clear() (from
// cleanup()) removes them. Views and panels a test builds take the host as
// parent and must be deleted before clear() or the next reset().
class ViewFixture
{
public:
    ViewFixture() = default;
    ~ViewFixture() { clear(); }
    ViewFixture(const ViewFixture &) = delete;
    ViewFixture &operator=(const ViewFixture &) = delete;

    void reset()
    {
        clear();
        env.resetSettings();
        hostOwner.reset(new FakeViewHost);
        host = hostOwner.get();
        setMainWindow(host);
        pub.reset(new sim::Publisher);
    }
    // The publisher goes first (it removes its blocks), then the host.
    void clear()
    {
        pub.reset();
        hostOwner.reset();
        host = nullptr;
    }

    // A view of layer n as s describes it (its block published or not).
    std::unique_ptr<ViewLayer> layerView(int n, const sim::LayerSpec &s) const
    {
        return std::make_unique<ViewLayer>(host, fixture::infoOf(n, s));
    }
    // The palette panel of an indexed layer's view.
    std::unique_ptr<PaletteWidget> palettePanel(ViewLayer *view, bool highlight) const
    {
        return std::make_unique<PaletteWidget>(host, view, highlight);
    }

    TestEnvironment env;
    FakeViewHost *host = nullptr;
    std::unique_ptr<sim::Publisher> pub;

private:
    std::unique_ptr<FakeViewHost> hostOwner;
};
