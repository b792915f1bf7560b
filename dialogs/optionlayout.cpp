#include "dialogs/optionlayout.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QSpacerItem>
#include <QVBoxLayout>

QHBoxLayout *BuildOptionLayout(QDialog *dialog, const QList<QWidget *> &leftColumn,
                               QWidget *okButton, QWidget *cancelButton)
{
    QHBoxLayout *outer = new QHBoxLayout(dialog);
    QVBoxLayout *left = new QVBoxLayout;
    for (QWidget *widget : leftColumn)
        left->addWidget(widget);
    QVBoxLayout *right = new QVBoxLayout;
    right->addWidget(okButton);
    right->addWidget(cancelButton);
    right->addItem(new QSpacerItem(0, 10, QSizePolicy::Fixed, QSizePolicy::Expanding));
    outer->addLayout(left);
    outer->addLayout(right);
    return outer;
}

void FinishOptionDialog(QDialog *dialog, QHBoxLayout *layout)
{
    dialog->setModal(true);
    dialog->setWindowFlags((dialog->windowFlags() | Qt::WindowStaysOnTopHint)
                           & ~Qt::WindowContextHelpButtonHint);
    dialog->setFixedSize(layout->sizeHint());
}
