#pragma once

#include "app/windowpart.h"

#include <QObject>
#include <QString>

#include <memory>

class MainWindow;
class QAction;
class QMenu;

namespace snapshot {
struct Reference;
}

// Comparing the live display with a reference snapshot: File > "Compare
// with snapshot..." chooses the snapshot's folder, File > "Stop comparing"
// ends it. While on, every view marks the pixels that differ from the
// reference and counts them in its information strip. The reference is kept
// across restarts of the simulation until comparing stops.
class CompareMode : public QObject, public WindowPart
{
    Q_OBJECT

public:
    // Inserts both entries before 'before' (the Exit entry).
    CompareMode(MainWindow *window, QMenu *fileMenu, QAction *before);
    ~CompareMode() override;

    bool Active() const { return reference != nullptr; }
    // WindowPart: after the views were built each gets its part of the
    // reference (the reference outlives the views).
    void AttachViews() override;
    // Compares with the snapshot in folder; false (with the reason in the
    // status line) when it cannot be read.
    bool Start(const QString &folder);

    QAction *CompareAction() const { return compareAction; }
    QAction *StopAction() const { return stopAction; }

public Q_SLOTS:
    void OnActCompare();
    void OnActStopComparing();

Q_SIGNALS:
    // The text for the status line.
    void finished(const QString &message);

private:
    MainWindow *window = nullptr;
    QAction *compareAction = nullptr;
    QAction *stopAction = nullptr;
    std::unique_ptr<snapshot::Reference> reference;
};
