#include "views/viewcomposite.h"

#include "imaging/composite.h"
#include "paint/paintcomposite.h"
#include "simlink/layerblock.h"
#include "views/infowidgets.h"
#include "views/viewdamage.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"

ViewComposite::ViewComposite(QWidget *parent, const QList<ViewLayer *> *layerViews)
    : ViewWidget(parent)
    , layerViews(layerViews)
{
    if (!layerViews->isEmpty())
        simlink::compositeSize(layerViews->first()->GetRecord(), &imageWidth, &imageHeight);
    paintWidget = new PaintComposite(this, this);
    damage = new CompositeDamage(this);
    BuildToolbar();
    UpdateInfo();
}

void ViewComposite::CloseView()
{
    if (ViewHost *w = mainWindow())
        w->ShowLayerView(-1, false, true);
}

int ViewComposite::GetId()
{
    return ViewId::Composite;
}

int ViewComposite::GetIndex()
{
    return -1;
}

QString ViewComposite::GetTitle()
{
    return QStringLiteral("Composite View");
}

BlockView ViewComposite::GetRecord()
{
    return layerViews->isEmpty() ? BlockView() : layerViews->first()->GetRecord();
}

int ViewComposite::RecordLayer()
{
    return layerViews->isEmpty() ? 0 : layerViews->first()->GetIndex();
}

void ViewComposite::UpdateInfo()
{
    if (infoWidget)
        infoWidget->ShowComposite(this);
}

LayerLayout ViewComposite::Layout()
{
    // The composite does not come from one frame buffer: no pixel addresses.
    return LayerLayout();
}

QList<CompositeLayer> ViewComposite::compositeLayers()
{
    QList<CompositeLayer> layers;
    layers.reserve(layerViews->size());
    for (ViewLayer *v : *layerViews) {
        if (!layerShown(v->GetIndex()))
            continue;
        CompositeLayer layer;
        layer.layout = v->Layout();
        if (layer.layout.indexed)
            layer.palette = v->GetPalette();
        layers.append(layer);
    }
    return layers;
}

bool ViewComposite::ReferenceFits(const QImage &image)
{
    int w = 0, h = 0;
    return simlink::compositeSize(GetRecord(), &w, &h) && image.size() == QSize(w, h);
}

DiffMask ViewComposite::ComputeDifferences()
{
    // Only called with a reference of the display's size, which its loading
    // bounded.
    const QSize size = ReferenceImage().size();
    const QImage actual = readCompositeImage(compositeLayers(), GetRecord(), paintSettings().rules, 0, 0,
                                             size.width() - 1, size.height() - 1);
    return diffImages(actual, ReferenceImage());
}
