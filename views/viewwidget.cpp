#include "views/viewwidget.h"

#include "dialogs/buttons.h"
#include "dialogs/gridcolordialog.h"
#include "dialogs/modalscope.h"
#include "dialogs/scale.h"
#include "paint/paintwidget.h"
#include "selection/selectionwidget.h"
#include "views/changeoverlays.h"
#include "paint/zoomlevels.h"
#include "simlink/layerblock.h"
#include "views/infowidgets.h"
#include "views/scrollareas.h"
#include "views/viewdamage.h"
#include "views/viewhost.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const auto &ZoomFactors = ZoomLevelFactors;

QSize zoomedHeld(QSize size, int zoom)
{
    return zoomedSize(size.width(), size.height(), zoom);
}

int roundDown(int v, int zoom)
{
    return zoom > 0 ? v - v % zoom : v;
}

} // namespace

QSize heldImageSize(qint64 width, qint64 height, qint64 pixelBytes, int bytesPerPixel, qint64 rowPixels)
{
    if (pixelBytes <= 0 || bytesPerPixel <= 0)
        return QSize(0, 0);
    // No wider than one row of the whole pixel area.
    const qint64 w = qBound<qint64>(0, width, pixelBytes / bytesPerPixel);
    // No more rows than fit at the row length the pixels are addressed with.
    const qint64 stride = qMax<qint64>(rowPixels, 0) * bytesPerPixel;
    const qint64 h = qBound<qint64>(0, height, stride > 0 ? pixelBytes / stride : 0);
    return QSize(int(qMin<qint64>(w, INT_MAX)), int(qMin<qint64>(h, INT_MAX)));
}

int ViewWidget::ZoomFactor(int index)
{
    if (index < 0 || index >= ZoomLevelCount)
        return 1;
    return ZoomFactors[index];
}

ViewWidget::ViewWidget(QWidget *parent)
    : CWidget(parent)
{
    if (ViewHost *w = mainWindow()) {
        const QPair<quint32, int> grid = w->DefaultGrid();
        gridColor = grid.first;
        gridMode = grid.second;
    }
    setFocusPolicy(Qt::ClickFocus);
}

ViewWidget::~ViewWidget() = default;

void ViewWidget::BuildToolbar()
{
    const float s = GetScale();
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);

    infoWidget = new LayerInfoWidget(this);
    addCloseButton(QStringLiteral("Close layer"));
    gridColorButton = new CButton(this);
    gridButton = new CButton(this);
    resetButton = new CButton(this);
    handButton = new CButton(this);
    selectionButton = new CButton(this);
    zoomInButton = new CButton(this);
    zoomOutButton = new CButton(this);
    scrollArea = new CScrollArea(this);
    zoomCombo = new QComboBox(this);
    selectionWidget = new SelectionWidget(this, this);

    gridColorButton->SetButton(ButtonGridColor);
    gridButton->SetButton(ButtonGrid);
    resetButton->SetButton(ButtonReset);
    handButton->SetButton(ButtonHand);
    selectionButton->SetButton(ButtonSelection);
    zoomInButton->SetButton(ButtonZoomIn);
    zoomOutButton->SetButton(ButtonZoomOut);

    scrollArea->setWidget(paintWidget);

    // The first insertion makes index 0 current before any signal is
    // connected, so no slot runs during the build.
    for (int i = 0; i < ZoomLevelCount; ++i)
        zoomCombo->insertItem(zoomCombo->count(), QIcon(), QStringLiteral("%1%").arg(ZoomFactors[i] * 100), QVariant());
    zoomCombo->setFixedSize(int(80 * s), int(32 * s));
    zoomCombo->setToolTip(QStringLiteral("Zoom level"));

    toolbarWidgets << infoWidget << closeButton << gridButton << gridColorButton << resetButton << handButton
                   << selectionButton << zoomInButton << zoomOutButton << zoomCombo << selectionWidget;

    topRow = new QHBoxLayout();
    topRow->addWidget(infoWidget, 0, Qt::AlignLeft | Qt::AlignTop);
    topRow->addWidget(resetButton, 0, Qt::AlignRight);
    topRow->addWidget(zoomInButton);
    topRow->addWidget(zoomOutButton);
    topRow->addWidget(zoomCombo);
    topRow->addWidget(closeButton);

    toolColumn = new QVBoxLayout();
    toolColumn->addWidget(selectionButton);
    toolColumn->addWidget(handButton);
    toolColumn->addWidget(gridButton);
    toolColumn->addWidget(gridColorButton, 0, Qt::AlignTop);

    middleRow = new QHBoxLayout();
    middleRow->addWidget(scrollArea, 0, Qt::AlignLeft | Qt::AlignTop);
    middleRow->addLayout(toolColumn);

    bottomRow = new QHBoxLayout();
    bottomRow->addWidget(selectionWidget, 0, Qt::AlignLeft);

    mainLayout = new QVBoxLayout();
    mainLayout->addLayout(topRow);
    mainLayout->addLayout(middleRow);
    mainLayout->addLayout(bottomRow);
    setLayout(mainLayout);

    connect(zoomCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, &ViewWidget::OnCmbIndexChanged);
    connect(gridButton, &QAbstractButton::toggled, this, &ViewWidget::OnBtnGridToggled);
    connect(gridColorButton, &QAbstractButton::clicked, this, &ViewWidget::OnBtnGridColorClicked);
    connect(resetButton, &QAbstractButton::clicked, this, &ViewWidget::OnBtnResetClicked);
    connect(handButton, &QAbstractButton::toggled, this, &ViewWidget::OnBtnHandToggled);
    connect(selectionButton, &QAbstractButton::toggled, this, &ViewWidget::OnBtnSelectionToggled);
    connect(zoomInButton, &QAbstractButton::clicked, this, &ViewWidget::OnBtnZoomInClicked);
    connect(zoomOutButton, &QAbstractButton::clicked, this, &ViewWidget::OnBtnZoomOutClicked);

    paintWidget->resize(zoomedHeld(HeldSize(imageWidth, imageHeight), zoom));
}

QSize ViewWidget::HeldSize(qint64 width, qint64 height)
{
    const LayerLayout layout = Layout();
    if (layout.block.isNull())
        return QSize(int(qBound<qint64>(0, width, qint64(INT_MAX))), int(qBound<qint64>(0, height, qint64(INT_MAX))));
    return heldImageSize(width, height, layout.block.size() - BlockView::HeaderSize, layout.bytesPerPixel,
                         layout.rowPixels);
}

QSize ViewWidget::sizeHint() const
{
    if (!scrollArea)
        return CWidget::sizeHint();
    QSize hint = scrollArea->sizeHint();
    ViewHost *w = mainWindow();
    if (w && w->minimalView)
        return hint;
    qint64 width = hint.width();
    qint64 height = hint.height();
    const int sp = mainLayout->spacing();
    height += sp + topRow->sizeHint().height();
    width += sp + toolColumn->sizeHint().width();
    height += sp + bottomRow->sizeHint().height();
    const QMargins m = mainLayout->contentsMargins();
    width += m.left() + m.right() + 2 * lineWidth();
    height += m.top() + m.bottom() + 2 * lineWidth();
    return QSize(int(qBound<qint64>(0, width, qint64(QWIDGETSIZE_MAX))), int(qBound<qint64>(0, height, qint64(QWIDGETSIZE_MAX))));
}

bool ViewWidget::Refresh()
{
    const BlockView rec = GetRecord();
    const int c = simlink::contentCounter(rec);
    const int p = simlink::paletteCounter(rec);
    bool changed = !countersSeen;
    if (!countersSeen || p != paletteCount) {
        paletteCount = p;
        OnPaletteChanged();
        changed = true;
    }
    const int z = qMax(1, zoom);
    const QSize shown(roundDown(paintWidget->width(), z) / z, roundDown(paintWidget->height(), z) / z);
    const auto heldSize = [this, &rec] { return HeldSize(simlink::xSize(rec), simlink::ySize(rec)); };
    // Without a counter change only the tiles' alternation repaints, and
    // only what shows them. The alternation is also when a size changed
    // without a counter change is followed, with a whole refresh.
    if (!changed && c == contentCount && !forceRefresh && (!backgroundChanged || heldSize() == shown)) {
        RefreshBackground();
        return false;
    }
    // A palette change, the first refresh or a forced one shows everything
    // anew; a content change only the pixels that changed, plus the
    // background where the tiles alternated meanwhile.
    const bool whole = changed || forceRefresh || !countersSeen;
    countersSeen = true;
    contentCount = c;
    forceRefresh = false;
    const bool background = backgroundChanged;
    backgroundChanged = false;

    const QSize size = heldSize();
    if (size != shown) {
        ResizeImage(size.width(), size.height(), true);
        RepaintImage();
    } else {
        RepaintChanged(whole);
        if (background && paintWidget)
            paintWidget->RepaintBackground();
    }
    if (changeOverlays)
        changeOverlays->contentChanged();
    UpdateLinkedView();
    UpdateInfo();
    return true;
}

void ViewWidget::RefreshBackground()
{
    if (!backgroundChanged)
        return;
    backgroundChanged = false;
    if (paintWidget)
        paintWidget->RepaintBackground();
}

int ViewWidget::GetZoom() const
{
    return ZoomFactor(zoomCombo ? zoomCombo->currentIndex() : 0);
}

void ViewWidget::SetZoom(int factor)
{
    for (int i = 0; i < ZoomLevelCount; ++i) {
        if (ZoomFactors[i] == factor) {
            zoomCombo->setCurrentIndex(i);
            return;
        }
    }
}

void ViewWidget::ResizeImage(int w, int h, bool scaled)
{
    paintWidget->resize(scaled ? zoomedHeld(HeldSize(w, h), zoom) : zoomedSize(w, h, 1));
    scrollArea->updateGeometry();
    UpdateInfo();
}

QSize ViewWidget::GetScrollPos() const
{
    if (!scrollArea)
        return QSize(0, 0);
    const int z = qMax(1, zoom);
    return QSize(roundDown(scrollArea->horizontalScrollBar()->value(), z),
                 roundDown(scrollArea->verticalScrollBar()->value(), z));
}

void ViewWidget::ScrollLater(int x, int y)
{
    pendingScrollX = x;
    pendingScrollY = y;
    QTimer::singleShot(15, this, &ViewWidget::OnTimerSetScrollPos);
}

QSize ViewWidget::GetVisibleSize() const
{
    if (!scrollArea || !paintWidget)
        return QSize(0, 0);
    const QSize max = scrollArea->maximumViewportSize();
    return QSize(qMin(max.width(), paintWidget->width()), qMin(max.height(), paintWidget->height()));
}

qint64 ViewWidget::GetPixelOffset(QPoint p, bool scaled)
{
    const LayerLayout layout = Layout();
    if (layout.block.isNull())
        return -1;
    if (layout.negativeIsNone && (p.x() < 0 || p.y() < 0))
        return -1;
    if (scaled)
        p /= qreal(qMax(1, zoom));
    return pixelOffset(layout, p.x(), p.y());
}

const uchar *ViewWidget::GetPixelAddress(QPoint p, bool scaled)
{
    const qint64 offset = GetPixelOffset(p, scaled);
    if (offset < 0)
        return nullptr;
    const LayerLayout layout = Layout();
    return layout.block.frameBytes(offset, layout.bytesPerPixel);
}

void ViewWidget::SetSelection(int x, int y, int w, int h)
{
    if (w == 0 && h == 0)
        return;
    const auto last = [](int from, int size) {
        return int(qBound(qint64(INT_MIN), qint64(from) + size - 1, qint64(INT_MAX)));
    };
    paintWidget->setSelection(x, y, last(x, w), last(y, h));
}

void ViewWidget::SetSelectionRect(int l, int t, int r, int b)
{
    if (r == l - 1 && b == t - 1)
        return;
    SetSelection(l, t, r - l + 1, b - t + 1);
}

void ViewWidget::GetSelectionRect(ViewState *state) const
{
    // Kept also with zero width or height, so a line comes back after a
    // restart; only no selection, or one of no size at all, is none.
    const QRect sel = paintWidget ? paintWidget->selectionExtent() : QRect();
    if (sel.isNull()) {
        state->selLeft = 0;
        state->selTop = 0;
        state->selRight = -1;
        state->selBottom = -1;
        return;
    }
    state->selLeft = sel.left();
    state->selTop = sel.top();
    state->selRight = sel.left() + sel.width() - 1;
    state->selBottom = sel.top() + sel.height() - 1;
}

void ViewWidget::RepaintImage()
{
    if (paintWidget)
        paintWidget->update();
}

void ViewWidget::RepaintChanged(bool whole)
{
    if (damage)
        damage->Repaint(whole);
    else
        RepaintImage();
}

void ViewWidget::SetMinimal(bool on)
{
    setFrameStyle(on ? 0 : (QFrame::StyledPanel | QFrame::Sunken));
    for (QWidget *w : std::as_const(toolbarWidgets))
        w->setHidden(on);
    if (on) {
        setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
        if (middleRow)
            middleRow->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    } else {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    updateGeometry();
}

void ViewWidget::SaveState(ViewState *state)
{
    if (!state)
        return;
    *state = ViewState();
    state->id = GetId();
    state->zoom = quint8(GetZoom());
    state->gridOn = gridOn;
    state->gridColor = gridColor;
    state->gridMode = gridMode;
    state->hidden = isHidden();
    state->updatesShown = UpdatesShown();
    state->heatMapShown = HeatMapShown();
    const QSize scroll = GetScrollPos();
    state->scrollX = scroll.width();
    state->scrollY = scroll.height();
    GetSelectionRect(state);
}

void ViewWidget::RestoreState(const ViewState *state)
{
    if (!state)
        return;
    SetZoom(state->zoom);
    gridMode = state->gridMode;
    gridColor = state->gridColor;
    gridOn = state->gridOn;
    ScrollLater(state->scrollX, state->scrollY);
    SetSelectionRect(state->selLeft, state->selTop, state->selRight, state->selBottom);
    ShowUpdates(state->updatesShown);
    ShowHeatMap(state->heatMapShown);
    // Shown and hidden alike: a view hidden by the build (a virtual-layer
    // view) comes back shown when it was shown.
    setHidden(state->hidden);
    RepaintImage();
}

void ViewWidget::OnCmbIndexChanged(int index)
{
    if (index < 0 || index >= ZoomLevelCount)
        return;
    zoom = ZoomFactors[index];
    ResizeImage(imageWidth, imageHeight, true);
    const bool first = index == 0;
    zoomOutButton->setDisabled(first);
    resetButton->setDisabled(first);
    zoomInButton->setDisabled(index == zoomCombo->count() - 1);
    gridButton->setDisabled(index <= 1);
    RepaintImage();
    paintWidget->rescaleSelection(zoom);
}

void ViewWidget::OnBtnZoomInClicked(bool)
{
    if (zoomCombo->currentIndex() < zoomCombo->count() - 1)
        zoomCombo->setCurrentIndex(zoomCombo->currentIndex() + 1);
}

void ViewWidget::OnBtnZoomOutClicked(bool)
{
    if (zoomCombo->currentIndex() > 0)
        zoomCombo->setCurrentIndex(zoomCombo->currentIndex() - 1);
}

void ViewWidget::OnBtnResetClicked(bool)
{
    zoomCombo->setCurrentIndex(0);
}

void ViewWidget::OnBtnGridToggled(bool on)
{
    gridOn = on;
    RepaintImage();
    gridButton->setChecked(on);
}

void ViewWidget::OnBtnGridColorClicked(bool)
{
    GridSetting record;
    record.color = gridColor;
    record.mode = gridMode;
    // While the dialog runs the views are not torn down (ModalScope); the
    // guards keep this safe should the view or dialog go anyway.
    QPointer<ViewWidget> self(this);
    QPointer<GridColorDialog> dialog =
        new GridColorDialog(this, &record, QStringLiteral("Grid color of %1").arg(GetTitle()));
    ExecModal(dialog);
    if (!self)
        return;
    delete dialog.data();
    gridColor = record.color;
    gridMode = record.mode;
    RepaintImage();
}

void ViewWidget::OnBtnHandToggled(bool on)
{
    handOn = on;
    if (on)
        selectionButton->setChecked(false);
    else
        paintWidget->handSwitchedOff();
}

void ViewWidget::OnBtnSelectionToggled(bool on)
{
    selectionOn = on;
    if (on) {
        handButton->setChecked(false);
    } else {
        paintWidget->selectionSwitchedOff();
    }
}

void ViewWidget::OnTimerSetScrollPos()
{
    scrollArea->horizontalScrollBar()->setValue(pendingScrollX);
    scrollArea->verticalScrollBar()->setValue(pendingScrollY);
}
