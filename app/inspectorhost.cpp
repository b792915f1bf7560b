#include "app/inspectorhost.h"

#include "app/mainwindow.h"
#include "app/settings.h"
#include "app/viewmenu.h"
#include "inspector/inspectordock.h"
#include "paint/paintwidget.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>

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
    QList<ViewWidget *> views;
    for (ViewLayer *v : window->LayerViews())
        views.append(v);
    for (ViewVirtLayer *v : window->VirtViews())
        views.append(v);
    if (window->CompositeView())
        views.append(window->CompositeView());
    for (ViewWidget *view : views)
        if (QWidget *paint = view->GetPaintWidget())
            paint->installEventFilter(this);
}

void InspectorHost::DetachViews()
{
    dock->SetLayerViews(nullptr);
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

bool InspectorHost::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove || !dock->isVisible())
        return false;
    // The paint widget sits inside its view; find the view above it.
    ViewWidget *view = nullptr;
    for (QObject *o = watched->parent(); o && !view; o = o->parent())
        view = qobject_cast<ViewWidget *>(o);
    if (!view)
        return false;
    const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
    const int zoom = qMax(1, view->GetZoom());
    if (pos.x() < 0 || pos.y() < 0)
        return false;
    const QPoint pixel(pos.x() / zoom, pos.y() / zoom);
    if (pixel.x() >= view->imageWidth || pixel.y() >= view->imageHeight)
        return false;
    const int kind = view->GetId() & int(0xF0000000u);
    dock->OnPixelHovered(kind, view->GetIndex(), pixel);
    return false;
}
