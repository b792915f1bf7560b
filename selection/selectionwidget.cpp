#include "selection/selectionwidget.h"

#include "dialogs/buttons.h"
#include "dialogs/modalscope.h"
#include "selection/editselectiondialog.h"
#include "selection/selectionhost.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

QString posText(int x, int y)
{
    return QStringLiteral("(%1 | %2)").arg(x).arg(y);
}

QString sizeText(int w, int h)
{
    return QStringLiteral("%1 x %2").arg(w).arg(h);
}

} // namespace

SelectionWidget::SelectionWidget(QWidget *parent, SelectionTarget *t)
    : QFrame(parent)
    , target(t)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    posIcon = new IconWidget(this, GetScaledIcon(IconSelPos));
    sizeIcon = new IconWidget(this, GetScaledIcon(IconSelSize));
    posLabel = new QLabel(this);
    sizeLabel = new QLabel(this);
    posLabel->setObjectName(QStringLiteral("posLabel"));
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));

    const QString sizeTip = QStringLiteral("Size of the selection");
    const QString posTip = QStringLiteral("Top-left position of the selection");
    sizeLabel->setToolTip(sizeTip);
    sizeIcon->setToolTip(sizeTip);
    posLabel->setToolTip(posTip);
    posIcon->setToolTip(posTip);

    // The widest numbers fix each label's width.
    posLabel->setText(posText(9999, 9999));
    posLabel->setFixedSize(posLabel->sizeHint());
    sizeLabel->setText(sizeText(9999, 9999));
    sizeLabel->setFixedSize(sizeLabel->sizeHint());

    const int iconWidth = posIcon->width();
    auto *row = new QHBoxLayout(this);
    row->setSpacing(0);
    row->addWidget(posIcon);
    row->addSpacerItem(new QSpacerItem(iconWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    row->addWidget(posLabel);
    row->addSpacerItem(new QSpacerItem(2 * iconWidth, 0, QSizePolicy::Maximum, QSizePolicy::Fixed));
    // The one-pixel spacer lowers the size icon by one pixel.
    auto *iconColumn = new QVBoxLayout;
    iconColumn->addSpacerItem(new QSpacerItem(0, 1, QSizePolicy::Fixed, QSizePolicy::Fixed));
    iconColumn->addWidget(sizeIcon);
    row->addLayout(iconColumn);
    row->addSpacerItem(new QSpacerItem(iconWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    row->addWidget(sizeLabel);

    Clear();
}

SelectionWidget::~SelectionWidget() = default;

void SelectionWidget::SetValues(int x, int y, int width, int height)
{
    selX = x;
    selY = y;
    selWidth = width;
    selHeight = height;
    hasSelection = true;
    ShowNumbers(x, y, width, height);
}

void SelectionWidget::Clear()
{
    hasSelection = false;
    ShowNumbers(0, 0, 0, 0);
}

void SelectionWidget::ShowNumbers(int x, int y, int width, int height)
{
    posLabel->setText(posText(x, y));
    sizeLabel->setText(sizeText(width, height));
}

void SelectionWidget::contextMenuEvent(QContextMenuEvent *event)
{
    // Heap menu held by a guard: if the strip is torn down while the menu is
    // open, the menu goes with it and nothing here is touched afterwards.
    QPointer<QMenu> menu = new QMenu(this);
    QAction *edit = menu->addAction(QStringLiteral("&Edit selection..."));
    edit->setEnabled(hasSelection);
    edit->setStatusTip(QStringLiteral("Edit the position and size of the current selection."));
    connect(edit, &QAction::triggered, this, &SelectionWidget::OnEditSelectionTriggered);
    ExecMenu(menu, event->globalPos());
    delete menu.data();
}

void SelectionWidget::OnEditSelectionTriggered()
{
    SelectionRecord record;
    record.x = selX;
    record.y = selY;
    record.width = selWidth;
    record.height = selHeight;
    record.maxWidth = target ? target->ImageWidth() : 0;
    record.maxHeight = target ? target->ImageHeight() : 0;

    QPointer<SelectionWidget> self(this);
    QPointer<EditSelectionDialog> dialog = new EditSelectionDialog(this, &record);
    const int result = ExecModal(dialog);
    // Torn down while the dialog was open: the dialog went with the strip.
    if (!self || !dialog)
        return;
    delete dialog.data();

    if (result == QDialog::Accepted && target)
        target->SetSelection(record.x, record.y, record.width, record.height);
}
