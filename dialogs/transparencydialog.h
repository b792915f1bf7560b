#pragma once

#include <QDialog>

class ColorField;
class QLabel;
class QPushButton;
class QRadioButton;

// Chooses how transparent pixels are shown behind an image: alternating
// tiles, steady tiles or a plain colour, and that colour. Reads and writes
// "TransDrawColor" and "TransDrawMode" itself; writes only on OK.
class TransparencyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TransparencyDialog(QWidget *parent);

    quint32 Color() const { return color; }
    int Mode() const { return mode; }

public Q_SLOTS:
    void OnButtonOk();
    void OnButtonCancel();
    void OnButtonColor();
    void OnRadioAlternate(bool checked);
    void OnRadioTiles(bool checked);
    void OnRadioColored(bool checked);

private:
    void SetColorControlsEnabled(bool enabled);

    QLabel *label = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *chooseButton = nullptr;
    QRadioButton *alternateRadio = nullptr;
    QRadioButton *tilesRadio = nullptr;
    QRadioButton *coloredRadio = nullptr;
    ColorField *colorField = nullptr;
    quint32 color = 0;
    int mode = 0;
};
