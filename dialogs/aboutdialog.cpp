#include "dialogs/aboutdialog.h"

#include "base/version.h"
#include "dialogs/abouttexts.h"
#include "dialogs/artwork.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    hide();
    setModal(true);
    setWindowTitle(QStringLiteral("About"));

    QLabel *titleLabel = MakeLabel(AboutTexts::TitleText(versionText(), __DATE__, __TIME__));
    QLabel *noticeLabel = MakeLabel(AboutTexts::NoticeText(__DATE__));
    QLabel *logoLabel = MakeLabel(QString());
    logoLabel->setPixmap(AboutLogo());
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    logoLabel->setObjectName(QStringLiteral("logoLabel"));

    okButton = MakeButton(QStringLiteral("&OK"));
    okButton->setObjectName(QStringLiteral("okButton"));
    connect(okButton, &QPushButton::released, this, &AboutDialog::_Slot_OnBtnOK);
    connect(this, &AboutDialog::_Sig_CloseDlg, this, &AboutDialog::_Slot_OnBtnOK, Qt::QueuedConnection);

    QWidget *head = new QWidget(this);
    QGridLayout *headLayout = new QGridLayout(head);
    headLayout->setContentsMargins(0, 0, 0, 0);
    headLayout->addWidget(logoLabel, 0, 0, Qt::AlignTop);
    headLayout->addWidget(titleLabel, 0, 1, Qt::AlignLeft);

    QGridLayout *layout = new QGridLayout(this);
    layout->addWidget(head, 0, 0);
    layout->addWidget(noticeLabel, 1, 0, Qt::AlignLeft);
    layout->addWidget(okButton, 2, 0, Qt::AlignRight);

    // No title bar: the box closes only through "&OK" or Escape.
    setWindowFlags((windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
                   | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // The labels are black by design: keep the box light on dark desktop
    // themes too, so that they stay readable.
    QPalette light = palette();
    light.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
    light.setColor(QPalette::WindowText, Qt::black);
    setPalette(light);
    setAutoFillBackground(true);

    layout->activate(); // sets the minimum size from the layout
    setFixedSize(minimumSize());
    show();
}

QLabel *AboutDialog::MakeLabel(const QString &text)
{
    QLabel *label = new QLabel(text, this);
    label->setContentsMargins(0, 0, 0, 0);
    label->setStyleSheet(QStringLiteral("color: black;"));
    return label;
}

QPushButton *AboutDialog::MakeButton(const QString &text)
{
    QPushButton *button = new QPushButton(text, this);
    button->setFixedSize(button->sizeHint());
    return button;
}

void AboutDialog::_Slot_OnBtnOK()
{
    close();
}
