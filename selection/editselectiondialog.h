#pragma once

#include <QDialog>

class QSpinBox;

// The numbers the edit dialog works on; owned by the caller.
struct SelectionRecord
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int maxWidth = 0;   // image width (in only)
    int maxHeight = 0;  // image height (in only)
};

// Modal dialog in which a selection's position and size are typed. Growing
// the size pulls the position back so the selection still fits; OK clips
// the size to the image; Cancel leaves the record untouched.
class EditSelectionDialog : public QDialog
{
    Q_OBJECT

public:
    EditSelectionDialog(QWidget *parent, SelectionRecord *record);

    QSpinBox *XBox() const { return xBox; }
    QSpinBox *YBox() const { return yBox; }
    QSpinBox *WBox() const { return wBox; }
    QSpinBox *HBox() const { return hBox; }

protected Q_SLOTS:
    void OnButtonOk();
    void OnButtonCancel();
    void OnValueChanged(int value);

private:
    SelectionRecord *record = nullptr;
    QSpinBox *xBox = nullptr;
    QSpinBox *yBox = nullptr;
    QSpinBox *wBox = nullptr;
    QSpinBox *hBox = nullptr;
};
