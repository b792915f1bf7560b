#include "selection/editselectiondialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox *spinBox(QWidget *parent, int max, int value)
{
    auto *box = new QSpinBox(parent);
    box->setRange(0, qMax(0, max));
    box->setValue(value);
    return box;
}

QGroupBox *group(const QString &title, const QString &label1, QSpinBox *box1,
                 const QString &label2, QSpinBox *box2)
{
    auto *g = new QGroupBox(title);
    auto *rows = new QVBoxLayout(g);
    for (auto [text, box] : {std::pair{label1, box1}, std::pair{label2, box2}}) {
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(text));
        row->addWidget(box);
        rows->addLayout(row);
    }
    return g;
}

} // namespace

EditSelectionDialog::EditSelectionDialog(QWidget *parent, SelectionRecord *r)
    : QDialog(parent)
    , record(r)
{
    xBox = spinBox(this, r->maxWidth - 1, r->x);
    yBox = spinBox(this, r->maxHeight - 1, r->y);
    wBox = spinBox(this, r->maxWidth, r->width);
    hBox = spinBox(this, r->maxHeight, r->height);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group(QStringLiteral("Position"), QStringLiteral("X position"), xBox,
                            QStringLiteral("Y position"), yBox));
    layout->addWidget(group(QStringLiteral("Size"), QStringLiteral("X size"), wBox,
                            QStringLiteral("Y size"), hBox));
    layout->addLayout(buttons);

    // Connected after the values are set, so opening never adjusts them.
    connect(ok, &QPushButton::released, this, &EditSelectionDialog::OnButtonOk);
    connect(cancel, &QPushButton::released, this, &EditSelectionDialog::OnButtonCancel);
    connect(wBox, &QSpinBox::valueChanged, this, &EditSelectionDialog::OnValueChanged);
    connect(hBox, &QSpinBox::valueChanged, this, &EditSelectionDialog::OnValueChanged);

    setModal(true);
    setWindowFlags((windowFlags() | Qt::WindowStaysOnTopHint) & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(QStringLiteral("Edit selection"));
    setFixedSize(layout->sizeHint());
}

void EditSelectionDialog::OnValueChanged(int value)
{
    const bool isWidth = sender() == wBox;
    QSpinBox *partner = isWidth ? xBox : yBox;
    const int limit = isWidth ? record->maxWidth : record->maxHeight;
    if (value + partner->value() > limit)
        partner->setValue(limit - value);
}

void EditSelectionDialog::OnButtonOk()
{
    record->x = xBox->value();
    record->y = yBox->value();
    record->width = wBox->value();
    record->height = hBox->value();
    if (record->x + record->width > record->maxWidth)
        record->width = record->maxWidth - record->x;
    if (record->y + record->height > record->maxHeight)
        record->height = record->maxHeight - record->y;
    accept();
}

void EditSelectionDialog::OnButtonCancel()
{
    reject();
}
