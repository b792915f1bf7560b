// The view as the paint widget's source: what it draws and with which settings.
#include "views/viewwidget.h"

#include "selection/selectionwidget.h"
#include "views/viewhost.h"

QSize ViewWidget::imageSize() const
{
    return QSize(imageWidth, imageHeight);
}

QSize ViewWidget::heldImageExtent()
{
    return HeldSize(imageWidth, imageHeight);
}

int ViewWidget::zoomFactor() const
{
    return zoom;
}

PaintGrid ViewWidget::grid() const
{
    PaintGrid g;
    g.on = gridOn;
    g.mode = gridMode;
    g.color = gridColor;
    return g;
}

QVector<QRgb> ViewWidget::layerPalette()
{
    return QVector<QRgb>();
}

QList<CompositeLayer> ViewWidget::compositeLayers()
{
    return QList<CompositeLayer>();
}

PaintSettings ViewWidget::paintSettings() const
{
    // Without a window: the rules' defaults, no background, no shading.
    PaintSettings s;
    if (ViewHost *w = mainWindow()) {
        s.rules.alphaMode = w->alphaMode;
        s.rules.layerCount = w->layerCount;
        s.transDrawMode = w->transDrawMode;
        s.transDrawColor = w->transDrawColor;
        s.transPhase = w->transPhase;
        s.highlightSelection = w->highlightSelection != 0;
    }
    return s;
}

void ViewWidget::ShowGrid(bool on)
{
    OnBtnGridToggled(on);
}

void ViewWidget::FitWindowToViews()
{
    ViewHost *host = mainWindow();
    if (!host)
        return;
    // The host keeps the window within its screen.
    host->ResizeWithinScreen(host->WindowSizeHint());
}

void ViewWidget::EditSelection()
{
    if (selectionWidget)
        selectionWidget->OnEditSelectionTriggered();
}

void ViewWidget::CloseFromMenu()
{
    CloseView();
}

void ViewWidget::WatchPixel(const QPoint &pixel)
{
    // A pixel outside the image (a menu opened beside it) pins nothing.
    if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= imageWidth || pixel.y() >= imageHeight)
        return;
    if (ViewHost *w = mainWindow())
        w->WatchPixel(GetId() & int(0xF0000000u), GetIndex(), pixel);
}

int ViewWidget::RecordLayer()
{
    return GetIndex();
}

void ViewWidget::ShowStatus(const QString &text)
{
    if (ViewHost *w = mainWindow())
        w->SetStatusText(text);
}
