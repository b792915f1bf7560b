#include "dialogs/gridcolordialog.h"

#include "dialogs/buttons.h"
#include "dialogs/colorchooser.h"
#include "dialogs/optionlayout.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

GridColorDialog::GridColorDialog(QWidget *parent, GridSetting *record, const QString &title)
    : QDialog(parent)
    , record(record)
{
    if (record) {
        color = record->color;
        mode = record->mode;
    }

    label = new QLabel(QStringLiteral("Draw grid as:"), this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    chooseButton = new QPushButton(QStringLiteral("Choose Color"), this);
    xorRadio = new QRadioButton(QStringLiteral("&Inverted pixels (XOR)"), this);
    colorRadio = new QRadioButton(QStringLiteral("&Color"), this);
    colorField = new ColorField(this, color);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    chooseButton->setObjectName(QStringLiteral("chooseButton"));
    xorRadio->setObjectName(QStringLiteral("xorRadio"));
    colorRadio->setObjectName(QStringLiteral("colorRadio"));
    colorField->setObjectName(QStringLiteral("colorField"));

    connect(okButton, &QPushButton::released, this, &GridColorDialog::OnButtonOk);
    connect(cancelButton, &QPushButton::released, this, &GridColorDialog::OnButtonCancel);
    connect(chooseButton, &QPushButton::released, this, &GridColorDialog::OnButtonChooseColor);
    connect(colorRadio, &QRadioButton::toggled, this, &GridColorDialog::OnRadioColor);
    connect(xorRadio, &QRadioButton::toggled, this, &GridColorDialog::OnRadioXor);

    // The radio slot run by toggled(true) sets the enabled state.
    if (mode == GridModeColor)
        colorRadio->setChecked(true);
    else if (mode == GridModeXor)
        xorRadio->setChecked(true);

    QHBoxLayout *layout = BuildOptionLayout(
        this, {label, xorRadio, colorRadio, chooseButton, colorField}, okButton, cancelButton);
    setWindowTitle(title);
    FinishOptionDialog(this, layout);
}

void GridColorDialog::OnButtonOk()
{
    if (record) {
        record->color = color;
        record->mode = mode;
    }
    accept();
}

void GridColorDialog::OnButtonCancel()
{
    reject();
}

void GridColorDialog::OnButtonChooseColor()
{
    // The chooser is a child of this dialog; should the dialog go while the
    // chooser runs, nothing of it may be touched afterwards.
    QPointer<GridColorDialog> self(this);
    const quint32 chosen = ChooseOpaqueColor(color, this);
    if (!self)
        return;
    color = chosen;
    colorField->SetColor(color);
}

void GridColorDialog::OnRadioColor(bool checked)
{
    if (!checked)
        return;
    mode = GridModeColor;
    SetColorControlsEnabled(true);
}

void GridColorDialog::OnRadioXor(bool checked)
{
    if (!checked)
        return;
    mode = GridModeXor;
    SetColorControlsEnabled(false);
}

void GridColorDialog::SetColorControlsEnabled(bool enabled)
{
    chooseButton->setEnabled(enabled);
    colorField->setEnabled(enabled);
}
