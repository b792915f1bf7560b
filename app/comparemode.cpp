#include "app/comparemode.h"

#include "app/mainwindow.h"
#include "app/snapshotaction.h"
#include "dialogs/modalscope.h"
#include "snapshot/reference.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPointer>

CompareMode::CompareMode(MainWindow *w, QMenu *fileMenu, QAction *before)
    : QObject(w)
    , window(w)
{
    compareAction = new QAction(QStringLiteral("Compare with snapshot..."), this);
    compareAction->setStatusTip(QStringLiteral("Mark the pixels that differ from a snapshot saved earlier."));
    stopAction = new QAction(QStringLiteral("Stop comparing"), this);
    stopAction->setEnabled(false);
    fileMenu->insertAction(before, compareAction);
    fileMenu->insertAction(before, stopAction);
    fileMenu->insertSeparator(before);
    connect(compareAction, &QAction::triggered, this, &CompareMode::OnActCompare);
    connect(stopAction, &QAction::triggered, this, &CompareMode::OnActStopComparing);
}

CompareMode::~CompareMode() = default;

void CompareMode::OnActCompare()
{
    QPointer<CompareMode> self(this);
    QString folder;
    {
        // The chooser runs its own event loop: the views stay until it
        // closes, even when the simulation ends meanwhile.
        ModalScope scope;
        folder = ChooseFolder(window, QStringLiteral("Compare with snapshot"));
    }
    if (self && !folder.isEmpty())
        Start(folder);
}

bool CompareMode::Start(const QString &folder)
{
    auto loaded = std::make_unique<snapshot::Reference>();
    QString error;
    if (!snapshot::loadReference(folder, loaded.get(), &error)) {
        Q_EMIT finished(error);
        return false;
    }
    reference = std::move(loaded);
    stopAction->setEnabled(true);
    AttachViews();
    Q_EMIT finished(QStringLiteral("Comparing with %1").arg(QDir::toNativeSeparators(folder)));
    return true;
}

void CompareMode::OnActStopComparing()
{
    reference.reset();
    stopAction->setEnabled(false);
    for (ViewLayer *view : window->LayerViews())
        view->ClearReference();
    for (ViewVirtLayer *view : window->VirtViews())
        view->ClearReference();
    if (ViewComposite *composite = window->CompositeView())
        composite->ClearReference();
    Q_EMIT finished(QString());
}

void CompareMode::AttachViews()
{
    if (!reference)
        return;
    const auto layerImage = [this](int n) {
        return n >= 0 && n < reference->layers.size() ? reference->layers.at(n) : QImage();
    };
    for (ViewLayer *view : window->LayerViews())
        view->SetReference(layerImage(view->GetIndex()));
    for (ViewVirtLayer *view : window->VirtViews())
        view->SetReference(layerImage(view->GetIndex()));
    if (ViewComposite *composite = window->CompositeView())
        composite->SetReference(reference->composite);
}
