#include "dialogs/buttons.h"

#include "dialogs/artwork.h"
#include "dialogs/icontable.h"
#include "dialogs/scale.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <map>
#include <utility>

namespace {

// Largest size asked for, so that actualSize answers with the picture's own size.
const QSize AnySize(65535, 65535);

QString IconFileName(int scaleIndex, IconId iconId)
{
    const IconTable::PixelSize size = IconTable::SizeOf(iconId, scaleIndex);
    return QStringLiteral(":/Resource/Scale_%1/%2_%3x%4.png")
        .arg(IconTable::Percents[scaleIndex])
        .arg(QLatin1String(IconTable::Names[iconId]))
        .arg(size.width)
        .arg(size.height);
}

struct ButtonRow
{
    IconId iconId; // IconNone: a text button
    const char *text;
    const char *toolTip;
    bool checkable;
    bool disabled;
};

// The toolbar button table, indexed by button id.
const ButtonRow ButtonTable[] = {
    {IconGrid, nullptr,
     "<b>Grid</b><br>Toggles the pixel grid. Usable if zoom level is 300% or more.", true, true},
    {IconGridColor, nullptr,
     "<b>Grid Color</b><br>Edit the grid color and grid mode for this layer.", false, false},
    {IconNone, "1:1", "Reset zoom", false, true},
    {IconHand, nullptr,
     "<b>Hand Tool</b><br>Drag to scroll when the layer has scrollbars.", true, false},
    {IconSelection, nullptr,
     "<b>Selection Tool</b><br>Measure or mark an area. Selected areas can be copied.", true, false},
    {IconZoomPlus, nullptr, "Zoom in", false, false},
    {IconZoomMinus, nullptr, "Zoom out", false, true},
    {IconPalette, nullptr,
     "<b>Toggle Palette</b><br>Shows or hides the palette of the layer.", true, false},
    {IconClose, nullptr, "", false, false},
};
constexpr int ButtonCount = int(sizeof(ButtonTable) / sizeof(ButtonTable[0]));

} // namespace

QString ScaledIconFileName(int percent, IconId iconId)
{
    const int s = IconTable::ScaleIndexOf(percent);
    if (s < 0 || iconId < 0 || iconId >= IconTable::IconCount)
        return QString();
    return IconFileName(s, iconId);
}

namespace {

// One icon per picture and scale, shared by every button that shows it. A
// QIcon made afresh for each button puts new pixmaps into Qt's pixmap cache on
// every view build, so the tool's memory would climb by the cache's size over
// repeated connections. Emptied before the application goes, as pixmaps must.
std::map<std::pair<float, int>, QIcon> &iconCache()
{
    static std::map<std::pair<float, int>, QIcon> cache;
    static bool cleanupRegistered = false;
    if (!cleanupRegistered) {
        cleanupRegistered = true;
        qAddPostRoutine([] {
            iconCache().clear();
            cleanupRegistered = false;
        });
    }
    return cache;
}

QIcon MakeScaledIcon(IconId iconId, float scale)
{
    const int percent = int(scale * 100);
    const int s = IconTable::ScaleIndexOf(percent);
    if (s >= 0)
        return QIcon(IconFileName(s, iconId));

    // No set drawn for this scale: shrink or grow the largest set smoothly.
    const QIcon largest(IconFileName(IconTable::ScaleCount - 1, iconId));
    const QPixmap pixmap = largest.pixmap(largest.actualSize(AnySize));
    if (pixmap.isNull())
        return QIcon();
    const QSize base = UnscaleSize(pixmap.size(), 3.5);
    const QSize target = ScaleSize(base, scale);
    if (target.isEmpty())
        return QIcon();
    return QIcon(pixmap.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
}

} // namespace

QIcon GetScaledIcon(IconId iconId)
{
    if (iconId < 0 || iconId >= IconTable::IconCount)
        return QIcon();
    EnsureArtworkResources();
    const float scale = GetScale();
    QIcon &icon = iconCache()[std::make_pair(scale, iconId)];
    if (icon.isNull())
        icon = MakeScaledIcon(iconId, scale);
    return icon;
}

CButton::CButton(QWidget *parent)
    : QPushButton(parent)
{
    const int side = int(GetScale() * 32);
    setFixedSize(side, side);
    setFocusPolicy(Qt::NoFocus);
}

void CButton::SetButton(ButtonId buttonId)
{
    if (buttonId < 0 || buttonId >= ButtonCount)
        return;
    const ButtonRow &row = ButtonTable[buttonId];
    if (row.iconId < 0) {
        if (row.text)
            setText(QString::fromLatin1(row.text));
    } else {
        const QIcon icon = GetScaledIcon(row.iconId);
        setIcon(icon);
        setIconSize(icon.actualSize(AnySize));
    }
    setToolTip(QString::fromLatin1(row.toolTip));
    setCheckable(row.checkable);
    setDisabled(row.disabled);
}

CloseButton::CloseButton(QWidget *panel, const QString &toolTip)
    : CButton(panel)
{
    SetButton(ButtonClose);
    setToolTip(toolTip);
    connect(this, &QPushButton::released, this, &CloseButton::OnBtnCloseClicked);
}

void CloseButton::OnBtnCloseClicked()
{
    emit closeClicked();
}

IconWidget::IconWidget(QWidget *parent, const QIcon &icon)
    : QPushButton(parent)
    , icon_(icon)
{
    setFixedSize(icon_.actualSize(AnySize, QIcon::Normal, QIcon::Off));
}

IconWidget::~IconWidget() = default;

void IconWidget::paintEvent(QPaintEvent *)
{
    // Only the picture: no button frame, no focus or pressed state.
    QPainter painter(this);
    const QSize size = icon_.actualSize(AnySize, QIcon::Normal, QIcon::Off);
    painter.drawPixmap(0, 0, icon_.pixmap(size, QIcon::Normal, QIcon::Off));
}

ColorField::ColorField(QWidget *parent, quint32 color)
    : QWidget(parent)
    , color_(color)
{
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
}

ColorField::~ColorField() = default;

void ColorField::SetColor(quint32 color)
{
    color_ = color;
    update();
}

QSize ColorField::sizeHint() const
{
    return ScaleSize(QSize(80, 20), GetScale());
}

void ColorField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // QColor(QRgb) drops the alpha byte: the swatch always shows the colour
    // opaque, enabled or not (a disabled swatch still names its colour).
    painter.fillRect(rect(), QColor(QRgb(color_)));
}
