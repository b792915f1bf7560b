#include "views/viewlayer.h"

#include "dialogs/buttons.h"
#include "paint/paintlayer.h"
#include "simlink/connection.h"
#include "simlink/layerblock.h"
#include "views/infowidgets.h"
#include "views/viewdamage.h"
#include "views/viewhost.h"
#include "views/viewvirtlayer.h"

#include <QSharedMemory>
#include <QVBoxLayout>

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
    layerDamage = new LayerDamage(this);
    damage = layerDamage;
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
    if (virtView) {
        virtView->RepaintChanged();
        virtView->NoteContentChange();
    }
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
    return visibleLayerLayout(record, desc, indexed).format;
}

qint64 ViewLayer::GetBytesPerLine() const
{
    return visibleLayerLayout(record, desc, indexed).bytesPerLine;
}

LayerLayout ViewLayer::Layout()
{
    // Addressed with the description and palette state the view was built
    // with (imageWidth is desc.xSize).
    return visibleLayerLayout(record, desc, indexed);
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

QVector<quint32> ViewLayer::GetPalette()
{
    // Every palette panel paint and every indexed image asks for the
    // palette: the block is read again only when the simulation announced a
    // change.
    ViewHost *w = mainWindow();
    const quint8 alpha = w ? w->alphaMode : 255;
    const qint32 counter = simlink::paletteCounter(record);
    if (!paletteRead || paletteBlock != record.base() || paletteCounterRead != counter || paletteAlphaMode != alpha) {
        palette = readPalette(record, alpha);
        paletteRead = true;
        paletteBlock = record.base();
        paletteCounterRead = counter;
        paletteAlphaMode = alpha;
    }
    return palette;
}

quint32 ViewLayer::CurrentPaletteEntry(int index)
{
    ViewHost *w = mainWindow();
    return readPaletteEntry(record, w ? w->alphaMode : 255, index);
}

QVector<quint32> ViewLayer::CurrentPalette()
{
    ViewHost *w = mainWindow();
    return readPalette(record, w ? w->alphaMode : 255);
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

namespace {

// A snapshot writes a layer's whole virtual screen when it is at least as
// large as the visible window, else the window.
bool referenceIsVirtualScreen(BlockView rec)
{
    return simlink::vxSize(rec) >= simlink::xSize(rec) && simlink::vySize(rec) >= simlink::ySize(rec);
}

} // namespace

bool ViewLayer::ReferenceFits(const QImage &image)
{
    const bool whole = referenceIsVirtualScreen(record);
    const qint64 w = whole ? simlink::vxSize(record) : simlink::xSize(record);
    const qint64 h = whole ? simlink::vySize(record) : simlink::ySize(record);
    return image.width() == w && image.height() == h;
}

QPoint ViewLayer::ReferenceOffset()
{
    // The visible window starts at the origin only in a larger virtual screen.
    if (!referenceIsVirtualScreen(record) || (simlink::vxSize(record) == simlink::xSize(record)
                                              && simlink::vySize(record) == simlink::ySize(record)))
        return QPoint(0, 0);
    return QPoint(simlink::xOrg(record), simlink::yOrg(record));
}

DiffMask ViewLayer::ComputeDifferences()
{
    return diffStoredPixels(Layout(), GetPalette(), paintSettings().rules.alphaMode, heldImageExtent(),
                            ReferenceImage(), ReferenceOffset());
}
