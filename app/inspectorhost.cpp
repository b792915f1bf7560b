#include "app/inspectorhost.h"

#include "app/mainwindow.h"
#include "base/settings.h"
#include "app/viewmenu.h"
#include "inspector/inspectordock.h"
#include "paint/paintwidget.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QMenu>

InspectorHost::InspectorHost(MainWindow *window, QMenu *viewMenu)
    : QObject(window), window(window)
{
    dock = new InspectorDock(window);
    window->addDockWidget(Qt::RightDockWidgetArea, dock);
    viewMenu->addSeparator();
    action = AddAction("Pixel &Inspector", "", viewMenu, this);
    action->setCheckable(true);
    // triggered() comes only from the user (or trigger()), never from
    // setChecked(), so the setting is written only when the user asks.
    connect(action, &QAction::triggered, this, &InspectorHost::OnActPixelInspector);
    connect(dock, &InspectorDock::closedByUser, this, [this] {
        ViewMenu::SetActionChecked(action, false, false);
        WriteSetting(SettingKey::ShowPixelInspector, 0);
    });
    // A missing key reads as 0: hidden, as the tool always started.
    const bool shown = ReadSetting(SettingKey::ShowPixelInspector) != 0;
    ViewMenu::SetActionChecked(action, shown, false);
    dock->setVisible(shown);
}

void InspectorHost::OnActPixelInspector(bool on)
{
    dock->setVisible(on);
    WriteSetting(SettingKey::ShowPixelInspector, on ? 1 : 0);
}

void InspectorHost::AttachViews()
{
    dock->SetLayerViews(&window->LayerViews());
    dock->setCompositeView(window->CompositeView());
    QList<ViewWidget *> views;
    for (ViewLayer *v : window->LayerViews())
        views.append(v);
    for (ViewVirtLayer *v : window->VirtViews())
        views.append(v);
    if (window->CompositeView())
        views.append(window->CompositeView());
    // Each build makes new paint widgets; a connection ends with its widget.
    for (ViewWidget *view : views) {
        if (PaintWidget *paint = view->GetPaintWidget()) {
            const int kind = view->GetId() & int(0xF0000000u);
            const int layer = view->GetIndex();
            connect(paint, &PaintWidget::pixelHovered, dock,
                    [this, kind, layer](QPoint pixel) { dock->OnPixelHovered(kind, layer, pixel); });
        }
    }
}

void InspectorHost::DetachViews()
{
    dock->SetLayerViews(nullptr);
    dock->setCompositeView(nullptr);
}

void InspectorHost::Tick()
{
    dock->OnTimerRefresh();
}

void InspectorHost::WatchPixel(int viewKind, int layer, QPoint pixel)
{
    if (!dock->isVisible()) {
        ViewMenu::SetActionChecked(action, true, false);
        OnActPixelInspector(true);
    }
    dock->WatchPixel(viewKind, layer, pixel);
}
