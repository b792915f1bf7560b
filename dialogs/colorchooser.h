#pragma once

#include <QColor>
#include <functional>

class QWidget;

// The system colour chooser, replaceable so that tests never block on a
// real dialog. A chooser returns an invalid QColor when the user cancels.
using ColorChooser = std::function<QColor(const QColor &initial, QWidget *parent)>;

// Installs a chooser; an empty one restores QColorDialog::getColor.
void SetColorChooser(ColorChooser chooser);
// Asks the installed chooser for a colour, starting from 'initial'.
QColor ChooseColor(const QColor &initial, QWidget *parent);

// The colour a dialog keeps after asking the chooser: the chosen red, green
// and blue with alpha 0xFF, or 'working' unchanged when the chooser was
// cancelled.
quint32 ChooseOpaqueColor(quint32 working, QWidget *parent);
