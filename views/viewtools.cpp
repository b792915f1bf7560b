// The view as the paint widget's pointer source and as the selection
// strip's target.
#include "views/viewwidget.h"

#include "dialogs/buttons.h"
#include "views/scrollareas.h"
#include "views/viewhost.h"

#include <QApplication>
#include <QComboBox>
#include <QScrollBar>

namespace {

void moveSlider(QScrollBar *bar, int d)
{
    const qint64 to = qint64(bar->sliderPosition()) + d;
    bar->setSliderPosition(int(qBound(qint64(bar->minimum()), to, qint64(bar->maximum()))));
}

} // namespace

bool ViewWidget::HandToolOn() const
{
    return handOn;
}

bool ViewWidget::SelectionToolOn() const
{
    return selectionOn;
}

void ViewWidget::ScrollBy(int dx, int dy)
{
    if (!scrollArea)
        return;
    moveSlider(scrollArea->horizontalScrollBar(), dx);
    moveSlider(scrollArea->verticalScrollBar(), dy);
}

bool ViewWidget::ZoomPopupHasFocus() const
{
    // The pop-up is a window of its own whose parent is the combo box; its
    // list is asked for through the focus chain, so that no pop-up is built.
    QWidget *focus = QApplication::focusWidget();
    if (!zoomCombo || !focus || focus == zoomCombo)
        return false;
    for (QWidget *w = focus->parentWidget(); w; w = w->parentWidget())
        if (w == zoomCombo)
            return true;
    return false;
}

void ViewWidget::SwitchSelectionToolOn()
{
    // A click on the checked button would switch the tool off.
    if (selectionButton && !selectionButton->isChecked())
        selectionButton->click();
}

int ViewWidget::ImageWidth() const
{
    return imageWidth;
}

int ViewWidget::ImageHeight() const
{
    return imageHeight;
}
