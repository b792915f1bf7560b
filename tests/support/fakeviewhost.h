#pragma once

// A stand-in for the main window, for tests of single views, panels and
// paint widgets: it holds the shared state and settings members as plain
// fields a test sets, and records what the widgets ask of the window
// (status texts, show and hide requests, resizes) instead of acting on it.
// It has no timers, so nothing rescans or rebuilds behind a test's back.
#include "views/viewhost.h"

#include <QList>
#include <QSize>
#include <QStringList>
#include <QWidget>

class FakeViewHost : public QWidget, public ViewHost
{
public:
    enum class ViewKind { Layer, Virt, Palette };
    // One ShowLayerView/ShowVirtView/ShowPaletteView call.
    struct ShowCall
    {
        ViewKind kind;
        int n;
        bool show;
        bool adjust;
        bool operator==(const ShowCall &o) const
        {
            return kind == o.kind && n == o.n && show == o.show && adjust == o.adjust;
        }
    };

    FakeViewHost();
    // Stops being mainWindow() if it still is.
    ~FakeViewHost() override;

    void SetStatusText(const QString &text) override;
    QString StatusText() const override { return statusText; }
    void ShowLayerView(int n, bool show, bool adjust) override;
    void ShowVirtView(int n, bool show, bool adjust) override;
    void ShowPaletteView(int n, bool show, bool adjust) override;
    // Recorded only; the host's own size does not change.
    void ResizeWithinScreen(const QSize &size) override { resizes.append(size); }
    QSize ScreenLimit() const override { return screenLimit; }
    QSize WindowSizeHint() const override { return sizeHint(); }
    QWidget *ViewContainer() const override { return container; }

    QString statusText;       // the current status line
    QStringList statusTexts;  // every text set, in order
    QList<ShowCall> showCalls;
    QList<QSize> resizes;     // every ResizeWithinScreen size, in order
    QSize screenLimit = QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QWidget *container;       // a child of the host
};
