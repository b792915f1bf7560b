#include "views/cwidget.h"

#include "dialogs/buttons.h"

CWidget::CWidget(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(2);
}

void CWidget::addCloseButton(const QString &toolTip)
{
    closeButton = new CloseButton(this, toolTip);
    connect(closeButton, &CloseButton::closeClicked, this, &CWidget::CloseView);
}
