#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: logo, name, version, build date and time, the maker's
// address and the notice. Frameless and on top; closes through "&OK" or
// Escape.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent);

Q_SIGNALS:
    void _Sig_CloseDlg();

public Q_SLOTS:
    void _Slot_OnBtnOK();

private:
    QLabel *MakeLabel(const QString &text);
    QPushButton *MakeButton(const QString &text);

    QPushButton *okButton = nullptr;
};
