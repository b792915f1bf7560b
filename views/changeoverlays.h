#pragma once

#include "imaging/changemarks.h"
#include "imaging/framechanges.h"
#include "imaging/imagecopy.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

class PaintOverlay;
class PaintWidget;
class QTimer;

// A view's update flashes and redraw heat map: while either is on, the
// view keeps a copy of its image (layer pixels as the block holds them, or
// the composed display), finds at each content change which pixels changed
// and draws the records over its image through two paint overlays. Off,
// nothing is copied or kept.
class ChangeOverlays : public QObject
{
    Q_OBJECT

public:
    // composed: the paint widget shows a composed display (read as an
    // image) rather than one layer's pixels (compared in the block).
    ChangeOverlays(QObject *parent, PaintWidget *paint, bool composed);
    ~ChangeOverlays() override;

    bool flashesOn() const { return flashOn; }
    bool heatMapOn() const { return heatOn; }
    void setFlashes(bool on);
    void setHeatMap(bool on);

    // The view's content changed (its counter moved): compares, records,
    // and repaints what the records change.
    void contentChanged();
    // How often the pixel changed in the last ten seconds; -1 without the
    // heat map or for a pixel outside the image.
    int changesAt(const QPoint &pixel);
    // "%1 updates/s, %2 KiB/s rewritten" while the heat map is on, else
    // empty.
    QString ratesText();

    // The clock every view's records use, in milliseconds; tests set one
    // of their own (an empty function restores the monotonic clock).
    using Clock = std::function<qint64()>;
    static void setClock(Clock clock);
    static qint64 now();

Q_SIGNALS:
    // The rates text changed (with a change, each second, or going off).
    void ratesChanged(const QString &text);

private:
    void OnTimerFade();
    void OnTimerHeat();
    void switched();
    // The image's area: the pixels the view holds.
    QRect imageArea() const;

    QPointer<PaintWidget> paint;
    bool composed = false;
    bool flashOn = false;
    bool heatOn = false;
    FrameCopy copy;
    ImageCopy composedCopy;
    UpdateFlash flash;
    HeatCounts heat;
    std::unique_ptr<PaintOverlay> heatOverlay;
    std::unique_ptr<PaintOverlay> flashOverlay;
    QTimer *fadeTimer = nullptr;
    QTimer *heatTimer = nullptr;
    QRect lastFading;
};
