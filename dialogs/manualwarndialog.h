#pragma once

#include <QMessageBox>

class QCheckBox;

// Asks before the user manual opens in the web browser; its check box turns
// the question off for good (the caller stores hideWarning after OK).
class ManualWarnDialog : public QMessageBox
{
    Q_OBJECT

public:
    explicit ManualWarnDialog(QWidget *parent);

    QCheckBox *CheckBox() const { return checkBox; }

    bool hideWarning = false;

public Q_SLOTS:
    void OnStateChanged(int state);

private:
    QCheckBox *checkBox = nullptr;
};

// The manual action: asks unless told not to, stores the answer, opens the
// manual. Returns true when the manual was opened. 'hideWarning' is the
// caller's flag (loaded from "HideManualWarning"); it is updated and written
// only when the question was answered with OK.
bool OpenManual(QWidget *parent, int *hideWarning);
