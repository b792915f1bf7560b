#include "views/viewvirtlayer.h"

#include "simlink/layerblock.h"
#include "paint/paintlayer.h"
#include "views/infowidgets.h"
#include "views/viewdamage.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"

ViewVirtLayer::ViewVirtLayer(QWidget *parent, ViewLayer *layerView)
    : ViewWidget(parent)
    , layerView(layerView)
    , layerDesc(&layerView->Desc())
{
    imageWidth = layerDesc->vxSize;
    imageHeight = layerDesc->vySize;
    layerView->SetVirtView(this);
    paintWidget = new PaintVirt(this, this);
    damage = new LayerDamage(this);
    BuildToolbar();
    UpdateInfo();
}

void ViewVirtLayer::CloseView()
{
    if (ViewHost *w = mainWindow())
        w->ShowVirtView(GetIndex(), false, true);
}

int ViewVirtLayer::GetId()
{
    return ViewId::VirtLayer | GetIndex();
}

int ViewVirtLayer::GetIndex()
{
    return layerView->GetIndex();
}

QString ViewVirtLayer::GetTitle()
{
    return QStringLiteral("Virt. Layer %1").arg(GetIndex());
}

BlockView ViewVirtLayer::GetRecord()
{
    return layerView->GetRecord();
}

void ViewVirtLayer::UpdateInfo()
{
    if (infoWidget)
        infoWidget->ShowVirtLayer(this);
}

LayerLayout ViewVirtLayer::Layout()
{
    // Always 32-bit, addressed with the layer's row length, rows of the
    // virtual width; no origin and no check for negative coordinates.
    return virtualLayerLayout(layerView->GetRecord(), *layerDesc);
}

QVector<QRgb> ViewVirtLayer::layerPalette()
{
    return layerView->GetPalette();
}

bool ViewVirtLayer::ReferenceFits(const QImage &image)
{
    // This view reads every layer as true colour; a snapshot writes an
    // indexed layer's indices, which are not what it shows.
    const BlockView rec = GetRecord();
    return image.width() == simlink::vxSize(rec) && image.height() == simlink::vySize(rec)
           && image.format() != QImage::Format_Indexed8;
}

DiffMask ViewVirtLayer::ComputeDifferences()
{
    return diffStoredPixels(Layout(), layerView->GetPalette(), paintSettings().rules.alphaMode, heldImageExtent(),
                            ReferenceImage(), QPoint(0, 0));
}
