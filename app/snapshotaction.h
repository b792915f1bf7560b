#pragma once

#include "app/windowpart.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// The folder chooser, replaceable so that tests never block on a real
// dialog. It returns an empty string when the user cancels.
using FolderChooser = std::function<QString(QWidget *parent)>;
// Installs a chooser; an empty one restores QFileDialog::getExistingDirectory.
void SetFolderChooser(FolderChooser chooser);
// Asks for a folder with the installed chooser (or the file dialog).
QString ChooseFolder(QWidget *parent, const QString &title);

// "Save &snapshot..." in the File menu: asks for a folder and writes the
// snapshot of the running simulation into it. Enabled only while a
// simulation is connected.
class SnapshotAction : public QObject, public WindowPart
{
    Q_OBJECT

public:
    // Inserts the entry and a separator before 'before' (the Exit entry).
    SnapshotAction(QWidget *window, QMenu *fileMenu, QAction *before);

    QAction *Action() const { return action; }
    void SetConnected(bool connected);
    // WindowPart: enabled while the views exist.
    void AttachViews() override { SetConnected(true); }
    void DetachViews() override { SetConnected(false); }

public Q_SLOTS:
    void OnActSaveSnapshot();

Q_SIGNALS:
    // The text for the status line after an attempt.
    void finished(const QString &message);

private:
    QWidget *window = nullptr;
    QAction *action = nullptr;
};
