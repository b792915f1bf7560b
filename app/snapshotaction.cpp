#include "app/snapshotaction.h"

#include "dialogs/modalscope.h"
#include "snapshot/snapshot.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>

namespace {

FolderChooser &installedChooser()
{
    static FolderChooser chooser;
    return chooser;
}

} // namespace

QString ChooseFolder(QWidget *parent, const QString &title)
{
    if (installedChooser())
        return installedChooser()(parent);
    return QFileDialog::getExistingDirectory(parent, title);
}

void SetFolderChooser(FolderChooser chooser)
{
    installedChooser() = std::move(chooser);
}

SnapshotAction::SnapshotAction(QWidget *window, QMenu *fileMenu, QAction *before)
    : QObject(window), window(window)
{
    action = new QAction(QStringLiteral("Save &snapshot..."), this);
    action->setEnabled(false);
    fileMenu->insertAction(before, action);
    fileMenu->insertSeparator(before);
    connect(action, &QAction::triggered, this, &SnapshotAction::OnActSaveSnapshot);
}

void SnapshotAction::SetConnected(bool connected)
{
    action->setEnabled(connected);
}

void SnapshotAction::OnActSaveSnapshot()
{
    QPointer<SnapshotAction> self(this);
    QString dir;
    {
        // The chooser runs its own event loop: the views stay until it
        // closes, even when the simulation ends meanwhile.
        ModalScope scope;
        dir = ChooseFolder(window, QStringLiteral("Save snapshot"));
    }
    if (!self || dir.isEmpty())
        return;
    // The snapshot reads the blocks itself; a simulation that ended while
    // the chooser was open gives "No simulation found.".
    const snapshot::Result result = snapshot::saveSnapshot(dir);
    Q_EMIT finished(result.status == snapshot::Saved ? QStringLiteral("Snapshot saved to %1").arg(result.message)
                                                     : result.message);
}
