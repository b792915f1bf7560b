#pragma once

#include "selection/statuskind.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRubberBand>
#include <QSize>
#include <QWidget>

class QTimer;
class SelectionArea;
class SelectionHost;
class SelectionWidget;

// v rounded down to a multiple of zoom (zoom < 1 counts as 1).
int RoundToZoom(int v, int zoom);

// One rectangle of image pixels marked on a paint widget. A transparent
// child widget of the paint widget that covers the selected area, keeps the
// corners in image pixels and takes the pointer events over the area (it
// is moved by dragging it with the left button). The outline is drawn by
// its SelectionArea child.
//
// 'start' is the pressed pixel; 'end' is the opposite corner as a pixel
// boundary (the first column and row past the selection when it lies right
// of and below 'start'). They are not ordered.
class SelectionRect : public QWidget
{
    Q_OBJECT

public:
    // An empty selection at image pixel 'start'.
    SelectionRect(const QPoint &start, int zoom, SelectionHost *host);
    ~SelectionRect() override;

    void SetEnd(const QPoint &pixel);
    // Moves the top-left to (x, y) widget pixels, keeping the size.
    void MoveTo(int x, int y);
    // Resizes the widget to exactly (w, h) widget pixels.
    void ResizeTo(int w, int h);
    void SetZoom(int zoom);

    bool IsEmpty() const;
    bool IsValid() const;
    QSize GetSize() const;
    QPoint GetTopLeft() const;
    QRect GetRect() const;

    QPoint Start() const { return start; }
    QPoint End() const { return end; }
    int Zoom() const { return zoom; }
    bool BlinkPhase() const { return blinkPhase; }
    SelectionArea *Area() const { return area; }

    // The host no longer receives notifications (it is going away).
    void DetachHost() { host = nullptr; }

public Q_SLOTS:
    void OnTimer();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ComputeGeometry();
    // Area size, strip and host follow the widget's geometry.
    void SyncGeometry();
    void ShowInStrip();
    void ReportStatus(const QPoint &pixel, StatusKind kind);
    void NotifyHost();

    SelectionHost *host = nullptr;
    QWidget *paintWidget = nullptr;
    QPointer<SelectionWidget> selectionWidget;
    SelectionArea *area = nullptr;
    QPoint start;
    QPoint end;
    int zoom = 1;
    QPoint lastGlobalPos;
    QPoint moveRemainder;
    bool dragging = false;
    QTimer *blinkTimer = nullptr;
    bool blinkPhase = false;
    // An override cursor this selection pushed and still has to restore.
    bool cursorPushed = false;
};

// The outline of a selection: a two-colour dashed rectangle whose colour
// order follows the owner's blink phase.
class SelectionArea : public QRubberBand
{
    Q_OBJECT

public:
    explicit SelectionArea(SelectionRect *owner);
    ~SelectionArea() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SelectionRect *owner = nullptr;
};
