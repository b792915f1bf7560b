#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// Chooses whether the views name what they show layers of one display or
// separate displays. Reads "MultiDisplay" at construction, writes it on OK.
class MultiDisplayDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MultiDisplayDialog(QWidget *parent);

    int Mode() const { return mode; }

public Q_SLOTS:
    void OnButtonOk();
    void OnButtonCancel();
    void OnRadioLayer(bool checked);
    void OnRadioDisplay(bool checked);

private:
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QRadioButton *layerRadio = nullptr;
    QRadioButton *displayRadio = nullptr;
    int mode = 0;
};
