#include "dialogs/colorchooser.h"

#include "dialogs/modalscope.h"

#include <QColorDialog>

namespace {

ColorChooser &InstalledChooser()
{
    static ColorChooser chooser;
    return chooser;
}

} // namespace

void SetColorChooser(ColorChooser chooser)
{
    InstalledChooser() = std::move(chooser);
}

QColor ChooseColor(const QColor &initial, QWidget *parent)
{
    // The chooser runs its own event loop: count it as a modal run so that
    // nothing its caller uses afterwards is torn down meanwhile.
    ModalScope scope;
    const ColorChooser &chooser = InstalledChooser();
    if (chooser)
        return chooser(initial, parent);
    return QColorDialog::getColor(initial, parent);
}

quint32 ChooseOpaqueColor(quint32 working, QWidget *parent)
{
    const QColor chosen = ChooseColor(QColor(QRgb(working)), parent);
    // Cancelling the chooser gives an invalid colour, whose components read
    // as black: keep the working colour instead of turning it black.
    if (!chosen.isValid())
        return working;
    return 0xFF000000u | quint32(chosen.red()) << 16 | quint32(chosen.green()) << 8
           | quint32(chosen.blue());
}
