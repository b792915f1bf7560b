#include "views/changeoverlays.h"

#include "paint/paintoverlay.h"
#include "paint/paintwidget.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

ChangeOverlays::Clock &clockFunction()
{
    static ChangeOverlays::Clock clock;
    return clock;
}

// Draws one of the records over the image, while it is on.
template <typename Records>
class RecordOverlay : public PaintOverlay
{
public:
    RecordOverlay(const bool &on, Records &records) : on(on), records(records) {}
    bool isActive() const override { return on; }
    void apply(CImage &image) override { records.apply(image, ChangeOverlays::now()); }

private:
    const bool &on;
    Records &records;
};

// Frames of the fade: about 25 a second.
constexpr int FadeInterval = 40;

} // namespace

void ChangeOverlays::setClock(Clock clock)
{
    clockFunction() = std::move(clock);
}

qint64 ChangeOverlays::now()
{
    if (clockFunction())
        return clockFunction()();
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

ChangeOverlays::ChangeOverlays(QObject *parent, PaintWidget *paintWidget, bool composedImage)
    : QObject(parent)
    , paint(paintWidget)
    , composed(composedImage)
    , heatOverlay(std::make_unique<RecordOverlay<HeatCounts>>(heatOn, heat))
    , flashOverlay(std::make_unique<RecordOverlay<UpdateFlash>>(flashOn, flash))
    , fadeTimer(new QTimer(this))
    , heatTimer(new QTimer(this))
{
    fadeTimer->setInterval(FadeInterval);
    heatTimer->setInterval(1000);
    connect(fadeTimer, &QTimer::timeout, this, &ChangeOverlays::OnTimerFade);
    connect(heatTimer, &QTimer::timeout, this, &ChangeOverlays::OnTimerHeat);
    // The heat map replaces the image's colours; the flashes come over it.
    if (paint) {
        paint->addOverlay(heatOverlay.get());
        paint->addOverlay(flashOverlay.get());
    }
}

ChangeOverlays::~ChangeOverlays()
{
    if (paint) {
        paint->removeOverlay(flashOverlay.get());
        paint->removeOverlay(heatOverlay.get());
    }
}

void ChangeOverlays::setFlashes(bool on)
{
    if (on == flashOn)
        return;
    flashOn = on;
    switched();
}

void ChangeOverlays::setHeatMap(bool on)
{
    if (on == heatOn)
        return;
    heatOn = on;
    switched();
}

void ChangeOverlays::switched()
{
    // Each record starts afresh when it goes on; the copy lives while
    // either is on and starts from the image as it is now.
    const QRect area = imageArea();
    const qint64 t = now();
    if (!flashOn) {
        flash.clear();
        fadeTimer->stop();
        lastFading = QRect();
    } else if (flash.area() != area) {
        flash.reset(area, t);
    }
    if (!heatOn) {
        heat.clear();
        heatTimer->stop();
    } else if (heat.area() != area) {
        heat.reset(area, t);
        heatTimer->start();
    }
    if (!flashOn && !heatOn) {
        copy.clear();
        composedCopy.clear();
    } else if ((composed ? composedCopy.area() : copy.area()) != area) {
        contentChanged();
    }
    Q_EMIT ratesChanged(ratesText());
    if (paint)
        paint->update();
}

QRect ChangeOverlays::imageArea() const
{
    if (!paint)
        return QRect();
    return QRect(QPoint(0, 0), paint->View()->heldImageExtent());
}

void ChangeOverlays::contentChanged()
{
    if ((!flashOn && !heatOn) || !paint)
        return;
    const QRect area = imageArea();
    const qint64 t = now();
    if (heatOn)
        heat.beginChange(t);
    const int bpp = composed ? 4 : paint->View()->Layout().bytesPerPixel;
    bool changed = false;
    const SpanVisitor visit = [&](const ChangedSpan &s, const uchar *before, const uchar *after) {
        const SpanBytes span{s.row, s.first, s.last, before, after, bpp};
        if (flashOn)
            flash.addSpan(span, t);
        if (heatOn)
            heat.addSpan(span);
        changed = true;
    };
    bool compared = false;
    if (composed) {
        const CImage image = area.isEmpty() ? CImage()
                                            : paint->readImage(area.left(), area.top(), area.right(), area.bottom());
        compared = composedCopy.update(image, nullptr, visit);
    } else {
        compared = copy.update(paint->View()->Layout(), area, nullptr, visit);
    }
    if (!compared) {
        // A new copy (first look, or another size or format): the records
        // start again over it; nothing counts as changed yet.
        if (flashOn)
            flash.reset(area, t);
        if (heatOn)
            heat.reset(area, t);
        paint->update();
    }
    // The view repaints the pixels it shows that changed (its own search
    // finds the same ones), so they take their marks with it; the fade and
    // the heat map's drift repaint on their timers.
    if (flashOn && changed && !fadeTimer->isActive())
        fadeTimer->start();
    if (heatOn)
        Q_EMIT ratesChanged(ratesText());
}

void ChangeOverlays::OnTimerFade()
{
    const QRect fading = flash.fadingArea(now());
    if (paint)
        paint->updatePixels(fading | lastFading);
    lastFading = fading;
    if (fading.isEmpty())
        fadeTimer->stop();
}

void ChangeOverlays::OnTimerHeat()
{
    // The older bucket's share and the rates move with the clock alone.
    if (paint)
        paint->update();
    Q_EMIT ratesChanged(ratesText());
}

int ChangeOverlays::changesAt(const QPoint &pixel)
{
    return heatOn ? heat.changes(pixel.x(), pixel.y(), now()) : -1;
}

QString ChangeOverlays::ratesText()
{
    if (!heatOn)
        return QString();
    const qint64 t = now();
    return QStringLiteral("%1 updates/s, %2 KiB/s rewritten")
        .arg(heat.updatesPerSecond(t), 0, 'f', 1)
        .arg(heat.bytesPerSecond(t) / 1024.0, 0, 'f', 1);
}
