#pragma once

#include "selection/statuskind.h"

#include <QPoint>
#include <QRect>

class QWidget;
class SelectionWidget;

// What a selection needs from the paint widget it lies on. The paint widget
// implements it and is the selection's Qt parent; the selection reaches
// nothing else of its view.
//
// A host deletes its selection in its own destructor (before QWidget's
// destructor deletes the children), because the selection notifies the host
// when it goes.
class SelectionHost
{
public:
    virtual ~SelectionHost() = default;

    // The paint widget: parent of the selection; its size bounds dragging.
    virtual QWidget *SelectionParent() = 0;
    // The strip of the paint widget's view; may be null.
    virtual SelectionWidget *SelectionStrip() = 0;
    // A status report about layer pixel 'pixel': the pointer is inside the
    // selection (StatusInSelection) or the selection moved to it
    // (StatusSelectionMoved).
    virtual void ReportSelectionStatus(const QPoint &pixel, StatusKind kind) = 0;
    // The selection's image rectangle (inclusive) changed; a null QRect
    // when it is no longer valid or is going away.
    virtual void SelectionChanged(const QRect &rect) = 0;
};

// What the selection strip and its edit dialog need from their view: the
// image size that bounds the numbers, and setting the selection by them.
class SelectionTarget
{
public:
    virtual ~SelectionTarget() = default;

    virtual int ImageWidth() const = 0;
    virtual int ImageHeight() const = 0;
    // Top-left pixel and size; a size of 0 x 0 sets nothing.
    virtual void SetSelection(int x, int y, int w, int h) = 0;
};
