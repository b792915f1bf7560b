#include "dialogs/modalscope.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPointer>

namespace {

int openRuns = 0;

} // namespace

ModalScope::ModalScope()
{
    ++openRuns;
}

ModalScope::~ModalScope()
{
    --openRuns;
}

bool ModalScope::IsOpen()
{
    return openRuns > 0;
}

int ModalScope::Depth()
{
    return openRuns;
}

int ExecModal(QDialog *dialog)
{
    if (!dialog)
        return QDialog::Rejected;
    QPointer<QDialog> guard(dialog);
    ModalScope scope;
    const int result = dialog->exec();
    return guard ? result : int(QDialog::Rejected);
}

QAction *ExecMenu(QMenu *menu, const QPoint &pos)
{
    if (!menu)
        return nullptr;
    QPointer<QMenu> guard(menu);
    ModalScope scope;
    QAction *chosen = menu->exec(pos);
    // A chosen action belongs to the menu (or its owner); with the menu gone
    // it may be gone too.
    return guard ? chosen : nullptr;
}
