#include "views/viewlayer.h"

#include "dialogs/buttons.h"
#include "paint/paintlayer.h"
#include "simlink/connection.h"
#include "views/infowidgets.h"
#include "views/viewhost.h"
#include "views/viewvirtlayer.h"

#include <QSharedMemory>
#include <QVBoxLayout>

namespace {

bool packedIndexDepth(qint32 bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8;
}

} // namespace

ViewLayer::ViewLayer(QWidget *parent, const LayerInfo &info)
    : ViewWidget(parent)
    , desc(info)
{
    imageWidth = desc.xSize;
    imageHeight = desc.ySize;
    visibleArea = desc.xSize != desc.vxSize || desc.ySize != desc.vySize;
    record = simlink::attachLayer(sharedMemory, desc.index);
    indexed = simlink::isIndexedCount(simlink::NumColors(record));
    paintWidget = new PaintLayer(this, this);
    BuildToolbar();
    UpdateInfo();

    ViewHost *w = mainWindow();
    if (indexed && !(w && w->minimalView)) {
        paletteButton = new CButton(this);
        paletteButton->SetButton(ButtonPalette);
        connect(paletteButton, &QAbstractButton::clicked, this, &ViewLayer::OnBtnColorsClicked);
        toolColumn->removeWidget(gridColorButton);
        toolColumn->addWidget(gridColorButton);
        toolColumn->addWidget(paletteButton, 0, Qt::AlignTop);
        toolbarWidgets.append(paletteButton);
    }
}

ViewLayer::~ViewLayer()
{
    DetachBlock();
}

void ViewLayer::DetachBlock()
{
    // The paint widget must not read the block once it is detached.
    record = BlockView();
    if (!sharedMemory)
        return;
    simlink::detachLayer(sharedMemory);
    delete sharedMemory;
    sharedMemory = nullptr;
}

void ViewLayer::CloseView()
{
    if (ViewHost *w = mainWindow())
        w->ShowLayerView(desc.index, false, true);
}

int ViewLayer::GetId()
{
    return ViewId::Layer | GetIndex();
}

int ViewLayer::GetIndex()
{
    return desc.index;
}

QString ViewLayer::GetTitle()
{
    ViewHost *w = mainWindow();
    const QString word = w ? w->LayerWord() : QStringLiteral("Layer");
    return QStringLiteral("%1%2 %3").arg(visibleArea ? QStringLiteral("Vis. ") : QString(), word).arg(desc.index);
}

BlockView ViewLayer::GetRecord()
{
    return record;
}

bool ViewLayer::IsVisibleArea()
{
    return visibleArea;
}

bool ViewLayer::IsIndexed()
{
    return indexed;
}

void ViewLayer::OnPaletteChanged()
{
    emit PaletteChanged();
}

void ViewLayer::UpdateLinkedView()
{
    if (virtView)
        virtView->RepaintImage();
}

void ViewLayer::HighlightIndex(int index)
{
    emit IndexHovered(index);
}

void ViewLayer::UpdateInfo()
{
    if (infoWidget)
        infoWidget->ShowLayer(this);
}

int ViewLayer::GetImageFormat() const
{
    if (!indexed)
        return QImage::Format_ARGB32;
    return packedIndexDepth(desc.bitsPerPixel) ? QImage::Format_Indexed8 : QImage::Format_Invalid;
}

qint64 ViewLayer::GetBytesPerLine() const
{
    if (!indexed)
        return qint64(imageWidth) * 4;
    return packedIndexDepth(desc.bitsPerPixel) ? qint64(imageWidth) : 0;
}

LayerLayout ViewLayer::Layout()
{
    LayerLayout layout;
    layout.block = record;
    layout.indexed = indexed;
    layout.bytesPerPixel = indexed ? 1 : 4;
    layout.rowPixels = imageWidth;
    if (visibleArea) {
        // The visible window at the simulation's current origin.
        layout.originX = simlink::xOrg(record);
        layout.originY = simlink::yOrg(record);
    }
    layout.negativeIsNone = true;
    layout.format = QImage::Format(GetImageFormat());
    layout.bytesPerLine = GetBytesPerLine();
    return layout;
}

void ViewLayer::SetPaletteWidget(QWidget *widget)
{
    paletteWidget = widget;
}

void ViewLayer::SetPaletteButtonDisabled(bool disabled)
{
    if (paletteButton)
        paletteButton->setDisabled(disabled);
}

const QVector<quint32> &ViewLayer::GetPalette()
{
    ViewHost *w = mainWindow();
    palette = readPalette(record, w ? w->alphaMode : 255);
    return palette;
}

QVector<QRgb> ViewLayer::layerPalette()
{
    return GetPalette();
}

void ViewLayer::OnBtnColorsClicked(bool)
{
    // Through the main window, so that the View entry follows and the
    // window is refitted; showing the panel disables this button.
    if (!paletteWidget || !paletteWidget->isHidden())
        return;
    emit PaletteRequested(desc.index);
    // A panel the main window does not list (built on its own) is shown here.
    if (paletteWidget->isHidden()) {
        paletteWidget->show();
        SetPaletteButtonDisabled(true);
    }
}
