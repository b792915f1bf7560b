#include "dialogs/transparencydialog.h"

#include "base/settings.h"
#include "dialogs/buttons.h"
#include "dialogs/colorchooser.h"
#include "dialogs/gridsetting.h"
#include "dialogs/optionlayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

TransparencyDialog::TransparencyDialog(QWidget *parent)
    : QDialog(parent)
{
    color = quint32(ReadSetting(SettingKey::TransDrawColor));

    label = new QLabel(QStringLiteral("Show transparency as:"), this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    chooseButton = new QPushButton(QStringLiteral("Choose Color"), this);
    alternateRadio = new QRadioButton(QStringLiteral("Alternating &tiled background"), this);
    tilesRadio = new QRadioButton(QStringLiteral("Tiled &background"), this);
    coloredRadio = new QRadioButton(QStringLiteral("&Colored background"), this);
    colorField = new ColorField(this, color);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    chooseButton->setObjectName(QStringLiteral("chooseButton"));
    alternateRadio->setObjectName(QStringLiteral("alternateRadio"));
    tilesRadio->setObjectName(QStringLiteral("tilesRadio"));
    coloredRadio->setObjectName(QStringLiteral("coloredRadio"));
    colorField->setObjectName(QStringLiteral("colorField"));

    connect(okButton, &QPushButton::released, this, &TransparencyDialog::OnButtonOk);
    connect(cancelButton, &QPushButton::released, this, &TransparencyDialog::OnButtonCancel);
    connect(chooseButton, &QPushButton::released, this, &TransparencyDialog::OnButtonColor);
    connect(alternateRadio, &QRadioButton::toggled, this, &TransparencyDialog::OnRadioAlternate);
    connect(tilesRadio, &QRadioButton::toggled, this, &TransparencyDialog::OnRadioTiles);
    connect(coloredRadio, &QRadioButton::toggled, this, &TransparencyDialog::OnRadioColored);

    mode = ReadSetting(SettingKey::TransDrawMode);
    switch (mode) {
    case TransModeAlternating:
        alternateRadio->setChecked(true);
        SetColorControlsEnabled(false);
        break;
    case TransModeTiles:
        tilesRadio->setChecked(true);
        SetColorControlsEnabled(false);
        break;
    case TransModeColored:
        coloredRadio->setChecked(true);
        SetColorControlsEnabled(true);
        break;
    default:
        break;
    }

    QHBoxLayout *layout = BuildOptionLayout(
        this, {label, alternateRadio, tilesRadio, coloredRadio, chooseButton, colorField},
        okButton, cancelButton);
    setWindowTitle(QStringLiteral("Transparency"));
    setSizeGripEnabled(false);
    FinishOptionDialog(this, layout);
}

void TransparencyDialog::OnButtonOk()
{
    WriteSetting(SettingKey::TransDrawColor, int(color));
    WriteSetting(SettingKey::TransDrawMode, mode);
    accept();
}

void TransparencyDialog::OnButtonCancel()
{
    reject();
}

void TransparencyDialog::OnButtonColor()
{
    color = ChooseOpaqueColor(color, this);
    colorField->SetColor(color);
}

void TransparencyDialog::OnRadioAlternate(bool checked)
{
    if (!checked)
        return;
    mode = TransModeAlternating;
    SetColorControlsEnabled(false);
}

void TransparencyDialog::OnRadioTiles(bool checked)
{
    if (!checked)
        return;
    mode = TransModeTiles;
    SetColorControlsEnabled(false);
}

void TransparencyDialog::OnRadioColored(bool checked)
{
    if (!checked)
        return;
    mode = TransModeColored;
    SetColorControlsEnabled(true);
}

void TransparencyDialog::SetColorControlsEnabled(bool enabled)
{
    chooseButton->setEnabled(enabled);
    colorField->setEnabled(enabled);
}
