#include "dialogs/multidisplaydialog.h"

#include "base/settings.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

MultiDisplayDialog::MultiDisplayDialog(QWidget *parent)
    : QDialog(parent)
{
    mode = ReadSetting(SettingKey::MultiDisplay);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    layerRadio = new QRadioButton(QStringLiteral("Multi &layer mode"), this);
    displayRadio = new QRadioButton(QStringLiteral("Multi &display mode"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    layerRadio->setObjectName(QStringLiteral("layerRadio"));
    displayRadio->setObjectName(QStringLiteral("displayRadio"));

    connect(okButton, &QPushButton::released, this, &MultiDisplayDialog::OnButtonOk);
    connect(cancelButton, &QPushButton::released, this, &MultiDisplayDialog::OnButtonCancel);
    connect(layerRadio, &QRadioButton::toggled, this, &MultiDisplayDialog::OnRadioLayer);
    connect(displayRadio, &QRadioButton::toggled, this, &MultiDisplayDialog::OnRadioDisplay);

    if (mode == 0)
        layerRadio->setChecked(true);
    else if (mode == 1)
        displayRadio->setChecked(true);

    QVBoxLayout *layout = new QVBoxLayout(this);
    QVBoxLayout *radios = new QVBoxLayout;
    radios->addWidget(layerRadio);
    radios->addWidget(displayRadio);
    QHBoxLayout *buttons = new QHBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(radios);
    layout->addLayout(buttons);

    setModal(true);
    setWindowTitle(QStringLiteral("Multi layer/display mode"));
    setFixedSize(layout->sizeHint());
    setWindowFlags((windowFlags() | Qt::WindowStaysOnTopHint) & ~Qt::WindowContextHelpButtonHint);
}

void MultiDisplayDialog::OnButtonOk()
{
    WriteSetting(SettingKey::MultiDisplay, mode);
    accept();
}

void MultiDisplayDialog::OnButtonCancel()
{
    reject();
}

void MultiDisplayDialog::OnRadioLayer(bool checked)
{
    if (checked)
        mode = 0;
}

void MultiDisplayDialog::OnRadioDisplay(bool checked)
{
    if (checked)
        mode = 1;
}
