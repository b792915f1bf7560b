// Comparing a view with a reference snapshot: the view keeps the reference
// image and the mask of the pixels that differ from it, which its paint
// widget marks and its information strip counts.
#include "views/infowidgets.h"
#include "views/viewwidget.h"

void ViewWidget::SetReference(const QImage &image)
{
    comparing = true;
    reference = image;
    UpdateComparison();
}

void ViewWidget::ClearReference()
{
    comparing = false;
    inReference = false;
    reference = QImage();
    diffMask = DiffMask();
    if (infoWidget)
        infoWidget->ShowComparison(QString());
    RepaintImage();
}

void ViewWidget::UpdateComparison()
{
    if (!comparing)
        return;
    // A reference of another shape than what the view shows now is no
    // reference for it: no marks.
    inReference = !reference.isNull() && ReferenceFits(reference);
    diffMask = inReference ? ComputeDifferences() : DiffMask();
    if (infoWidget)
        infoWidget->ShowComparison(ComparisonText());
    RepaintImage();
}

QString ViewWidget::ComparisonText() const
{
    if (!comparing)
        return QString();
    if (!inReference)
        return QStringLiteral("not in reference");
    if (diffMask.count == 0)
        return QStringLiteral("identical");
    return QStringLiteral("%1 pixels differ").arg(diffMask.count);
}

const DiffMask *ViewWidget::differences()
{
    return comparing && inReference ? &diffMask : nullptr;
}
