#pragma once

#include "app/windowpart.h"

#include <QObject>

class InspectorDock;
class MainWindow;
class QAction;
class QMenu;

// Puts the pixel inspector into the main window: its dock, the checkable
// "Pixel &Inspector" entry at the end of the View menu, the setting that
// keeps whether it is shown (written only when the user changes it), and an
// event filter on every view's paint widget that reports the pixel under
// the pointer. A window part.
class InspectorHost : public QObject, public WindowPart
{
    Q_OBJECT

public:
    InspectorHost(MainWindow *window, QMenu *viewMenu);

    InspectorDock *Dock() const { return dock; }
    QAction *Action() const { return action; }

    // WindowPart: the dock follows the views and refreshes on the tick.
    void AttachViews() override;
    void DetachViews() override;
    void Tick() override;
    // Pins a view's pixel: the dock is shown if hidden (a user who asks to
    // watch expects to see the history; this counts as the user showing it)
    // and its watch begins at that pixel.
    void WatchPixel(int viewKind, int layer, QPoint pixel) override;

public Q_SLOTS:
    void OnActPixelInspector(bool on);

private:
    MainWindow *window = nullptr;
    InspectorDock *dock = nullptr;
    QAction *action = nullptr;
};

namespace SettingKey {
inline constexpr char ShowPixelInspector[] = "ShowPixelInspector";
} // namespace SettingKey
