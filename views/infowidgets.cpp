#include "views/infowidgets.h"

#include "simlink/layerblock.h"
#include "views/viewcomposite.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const char BoldName[] = "*{font-weight: bold;} QToolTip{font-weight: normal;}";

// K: "Display" in multi-display mode, "Layer" otherwise.
QString kindWord()
{
    ViewHost *w = mainWindow();
    return w ? w->LayerWord() : QStringLiteral("Layer");
}

void frameStrip(QFrame *strip)
{
    strip->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    strip->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    strip->setLineWidth(1);
}

QString sizeText(qint64 w, qint64 h)
{
    return QStringLiteral("%1 x %2").arg(w).arg(h);
}

QString posText(qint64 x, qint64 y)
{
    return QStringLiteral("(%1 | %2)").arg(x).arg(y);
}

} // namespace

LayerInfoWidget::LayerInfoWidget(ViewWidget *view)
    : QFrame(view)
{
    frameStrip(this);
    nameLabel = new QLabel(this);
    sizeLabel = new QLabel(this);
    posLabel = new QLabel(this);
    depthLabel = new QLabel(this);
    nameLabel->setStyleSheet(QLatin1String(BoldName));
    const QString k = kindWord().toLower();
    sizeLabel->setToolTip(QStringLiteral("X- and Y-size of the %1").arg(k));
    posLabel->setToolTip(QStringLiteral("Position of the %1").arg(k));
    depthLabel->setToolTip(QStringLiteral("Color depth of the %1").arg(k));
    QGridLayout *grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(sizeLabel, 0, 1);
    grid->addWidget(depthLabel, 1, 0);
    grid->addWidget(posLabel, 1, 1);
    compareLabel = new QLabel(this);
    compareLabel->setToolTip(QStringLiteral("Pixels that differ from the reference snapshot"));
    compareLabel->hide();
    grid->addWidget(compareLabel, 2, 0, 1, 2);
    ratesLabel = new QLabel(this);
    ratesLabel->setToolTip(QStringLiteral("Content changes per second and bytes rewritten per second, over the last 10 seconds"));
    ratesLabel->hide();
    grid->addWidget(ratesLabel, 3, 0, 1, 2);
}

void LayerInfoWidget::ShowRates(const QString &text)
{
    ratesLabel->setText(text);
    ratesLabel->setHidden(text.isEmpty());
}

void LayerInfoWidget::ShowComparison(const QString &text)
{
    compareLabel->setText(text);
    compareLabel->setHidden(text.isEmpty());
}

void LayerInfoWidget::ShowLayer(ViewLayer *view)
{
    const BlockView rec = view->GetRecord();
    const QString k = kindWord();
    const int n = view->GetIndex();
    if (view->IsVisibleArea()) {
        nameLabel->setText(QStringLiteral("Vis. %1 #%2").arg(k).arg(n));
        nameLabel->setToolTip(QStringLiteral("Visible %1 #%2").arg(k).arg(n));
    } else {
        const QString name = QStringLiteral("%1 #%2").arg(k).arg(n);
        nameLabel->setText(name);
        nameLabel->setToolTip(name);
    }
    sizeLabel->setText(sizeText(simlink::xSize(rec), simlink::ySize(rec)));
    posLabel->setText(posText(simlink::xPos(rec), simlink::yPos(rec)));
    QString depth = QStringLiteral("%1 bpp").arg(simlink::bitsPerPixel(rec));
    if (view->IsIndexed())
        depth += QStringLiteral(" (Indexed)");
    depthLabel->setText(depth);
}

void LayerInfoWidget::ShowVirtLayer(ViewVirtLayer *view)
{
    const BlockView rec = view->GetRecord();
    const QString k = kindWord();
    const int n = view->GetIndex();
    nameLabel->setText(QStringLiteral("Virt. %1 #%2").arg(k).arg(n));
    nameLabel->setToolTip(QStringLiteral("Virtual %1 #%2").arg(k).arg(n));
    sizeLabel->setText(sizeText(simlink::vxSize(rec), simlink::vySize(rec)));
    sizeLabel->setToolTip(QStringLiteral("Virtual X- and Y-size of the %1").arg(k.toLower()));
    posLabel->setText(posText(simlink::xPos(rec), simlink::yPos(rec)));
    depthLabel->setText(QStringLiteral("%1 bpp").arg(simlink::bitsPerPixel(rec)));
}

void LayerInfoWidget::ShowComposite(ViewComposite *view)
{
    nameLabel->setText(QStringLiteral("Composite View"));
    sizeLabel->setText(sizeText(view->imageWidth, view->imageHeight));
    posLabel->setText(posText(0, 0));
    const QList<ViewLayer *> &layers = view->LayerViews();
    const int bpp = layers.isEmpty() ? 0 : layers.first()->Desc().bitsPerPixel;
    depthLabel->setText(QStringLiteral("%1 bpp").arg(bpp));
}

PaletteInfoWidget::PaletteInfoWidget(QWidget *panel, int index, int colorCount)
    : QFrame(panel)
{
    frameStrip(this);
    nameLabel = new QLabel(this);
    countLabel = new QLabel(this);
    nameLabel->setStyleSheet(QLatin1String(BoldName));
    const int n = index;
    nameLabel->setToolTip(QStringLiteral("Palette of %1 #%2").arg(kindWord()).arg(n));
    countLabel->setToolTip(QStringLiteral("Number of colors in the palette"));
    nameLabel->setText(QStringLiteral("Palette #%1").arg(n));
    countLabel->setText(QStringLiteral("NumColors: %1").arg(colorCount));
    QVBoxLayout *layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(countLabel);
}
