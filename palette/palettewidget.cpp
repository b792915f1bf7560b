#include "palette/palettewidget.h"

#include "dialogs/buttons.h"
#include "palette/colorarea.h"
#include "views/infowidgets.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"

#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

PaletteWidget::PaletteWidget(QWidget *parent, ViewLayer *view, bool highlight)
    : CWidget(parent)
    , view(view)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    view->SetPaletteWidget(this);
    view->SetPaletteButtonDisabled(true);
    colorArea = new ColorArea(this);
    connect(view, &ViewLayer::PaletteChanged, colorArea, &ColorArea::RepaintChanged);
    connect(view, &ViewLayer::IndexHovered, this, &PaletteWidget::HighlightIndex);

    infoWidget = new PaletteInfoWidget(this, GetIndex(), GetColorCount());
    addCloseButton(QStringLiteral("Close palette"));
    toolbarWidgets << infoWidget << closeButton;

    QHBoxLayout *top = new QHBoxLayout();
    top->addWidget(infoWidget, 0, Qt::AlignLeft);
    top->addWidget(closeButton);
    QHBoxLayout *second = new QHBoxLayout();
    second->addWidget(colorArea, 0, Qt::AlignLeft);
    QVBoxLayout *layout = new QVBoxLayout();
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding));
    setLayout(layout);

    SetHighlightEnabled(highlight);
}

void PaletteWidget::CloseView()
{
    if (ViewHost *w = mainWindow())
        w->ShowPaletteView(view->GetIndex(), false, true);
}

void PaletteWidget::SaveState(ViewState *state)
{
    if (!state)
        return;
    *state = ViewState();
    state->id = GetId();
    state->hidden = isHidden();
}

void PaletteWidget::RestoreState(const ViewState *state)
{
    if (state)
        setHidden(state->hidden);
}

int PaletteWidget::GetId()
{
    return ViewId::Palette | view->GetIndex();
}

int PaletteWidget::GetIndex() const
{
    return view->GetIndex();
}

int PaletteWidget::GetColorCount() const
{
    return view->GetPalette().size();
}

void PaletteWidget::HighlightIndex(int index)
{
    colorArea->Highlight(index);
}

void PaletteWidget::SetHighlightEnabled(bool enabled)
{
    colorArea->SetHighlightEnabled(enabled);
}

void PaletteWidget::SetMinimal(bool on)
{
    for (QWidget *w : std::as_const(toolbarWidgets))
        w->setHidden(on);
}

QSize PaletteWidget::sizeHint() const
{
    ViewHost *w = mainWindow();
    if (w && w->minimalView)
        return colorArea->sizeHint();
    return layout() ? layout()->sizeHint() : CWidget::sizeHint();
}

void PaletteWidget::ShowStatus(ColorItem *item)
{
    ViewHost *w = mainWindow();
    if (!w)
        return;
    if (!item) {
        w->SetStatusText(QStringLiteral("Mouse moved out"));
        return;
    }
    const quint32 c = item->CurrentColor();
    w->SetStatusText(QString::asprintf("[Palette %d]: RGB=%.2X %.2X %.2X (Index #%d)", view->Desc().index,
                                       qRed(c), qGreen(c), qBlue(c), item->GetIndex()));
}
