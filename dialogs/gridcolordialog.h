#pragma once

#include "dialogs/gridsetting.h"

#include <QDialog>

class ColorField;
class QLabel;
class QPushButton;
class QRadioButton;

// Chooses how a pixel grid is drawn (in a colour or by inverting pixels) and
// its colour. The caller's record is copied at construction and written back
// only on OK, so after exec() it holds new values exactly when accepted.
class GridColorDialog : public QDialog
{
    Q_OBJECT

public:
    GridColorDialog(QWidget *parent, GridSetting *record, const QString &title);

    // The working values (what OK would write).
    quint32 Color() const { return color; }
    int Mode() const { return mode; }

public Q_SLOTS:
    void OnButtonOk();
    void OnButtonCancel();
    void OnButtonChooseColor();
    void OnRadioColor(bool checked);
    void OnRadioXor(bool checked);

private:
    void SetColorControlsEnabled(bool enabled);

    QLabel *label = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *chooseButton = nullptr;
    QRadioButton *xorRadio = nullptr;
    QRadioButton *colorRadio = nullptr;
    ColorField *colorField = nullptr;
    quint32 color = 0;
    int mode = 0;
    GridSetting *record = nullptr;
};
