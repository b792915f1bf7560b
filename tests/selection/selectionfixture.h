#pragma once

// A stand-in for the paint widget and its view: a widget of an image's
// zoomed size that hosts a selection, records what the selection reports,
// and owns a strip whose target records the numbers it is given.
#include "selection/selectionhost.h"
#include "selection/selectionrect.h"
#include "selection/selectionwidget.h"

#include <QList>
#include <QPair>
#include <QWidget>

struct RecordingTarget : SelectionTarget
{
    int width = 0;
    int height = 0;
    QList<QRect> set;  // x, y, w, h of every SetSelection

    int ImageWidth() const override { return width; }
    int ImageHeight() const override { return height; }
    void SetSelection(int x, int y, int w, int h) override { set.append(QRect(x, y, w, h)); }
};

class FakePaintWidget : public QWidget, public SelectionHost
{
public:
    FakePaintWidget(int imageWidth, int imageHeight, int zoom)
        : strip(new SelectionWidget(&view, &target))
    {
        target.width = imageWidth;
        target.height = imageHeight;
        setParent(&view);
        resize(imageWidth * zoom, imageHeight * zoom);
        view.resize(imageWidth * zoom + 300, imageHeight * zoom + 100);
        strip->move(0, imageHeight * zoom + 10);
        view.show();
    }
    ~FakePaintWidget() override
    {
        delete selection;
        setParent(nullptr);
    }

    // Starts a selection as the paint widget does on a press.
    SelectionRect *startAt(QPoint pixel, int zoom)
    {
        delete selection;
        selection = new SelectionRect(pixel, zoom, this);
        return selection;
    }

    QWidget *SelectionParent() override { return this; }
    SelectionWidget *SelectionStrip() override { return strip; }
    void ReportSelectionStatus(const QPoint &pixel, StatusKind kind) override { reports.append({pixel, kind}); }
    void SelectionChanged(const QRect &rect) override { changes.append(rect); }

    QWidget view;
    RecordingTarget target;
    SelectionWidget *strip;
    SelectionRect *selection = nullptr;
    QList<QPair<QPoint, StatusKind>> reports;
    QList<QRect> changes;
};
