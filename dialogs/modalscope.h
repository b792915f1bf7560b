#pragma once

#include <QPoint>

class QAction;
class QDialog;
class QMenu;

// While a modal dialog or pop-up menu runs its own event loop, objects that
// the loop's caller still uses afterwards must not be deleted under it. The
// main window's redraw tick therefore defers tearing the views down while
// any ModalScope exists, and tears them down on the first tick after the
// last one ended.
class ModalScope
{
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope &) = delete;
    ModalScope &operator=(const ModalScope &) = delete;

    // True while at least one modal run is open (nested runs count each).
    static bool IsOpen();
    static int Depth();
};

// Runs dialog->exec() inside a ModalScope. Returns the dialog's result, or
// QDialog::Rejected when the dialog was deleted while it ran. The caller
// still owns the dialog; check it with a QPointer before deleting it.
int ExecModal(QDialog *dialog);

// Runs menu->exec(pos) inside a ModalScope. Returns the chosen action, or
// null when nothing was chosen or the menu was deleted while it ran.
QAction *ExecMenu(QMenu *menu, const QPoint &pos);
