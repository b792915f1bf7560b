#pragma once

#include <QList>

class QDialog;
class QHBoxLayout;
class QWidget;

// The build shared by the option dialogs: a left column with the given
// widgets, top to bottom, and a right column with OK, Cancel and a spacer
// that takes the remaining height. Modal, on top, no context-help button,
// fixed to the layout's size hint.
QHBoxLayout *BuildOptionLayout(QDialog *dialog, const QList<QWidget *> &leftColumn,
                               QWidget *okButton, QWidget *cancelButton);
void FinishOptionDialog(QDialog *dialog, QHBoxLayout *layout);
