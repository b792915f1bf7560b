#include "dialogs/manualwarndialog.h"

#include "base/settings.h"
#include "dialogs/manual.h"

#include <QCheckBox>
#include <QGridLayout>

ManualWarnDialog::ManualWarnDialog(QWidget *parent)
    : QMessageBox(parent)
{
    setIcon(QMessageBox::Information);
    setModal(true);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    setWindowTitle(QStringLiteral("Open user manual?"));
    setText(QStringLiteral("The user manual will be opened in a web browser."));

    checkBox = new QCheckBox(QStringLiteral("Do not show this again."), this);
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    connect(checkBox, &QCheckBox::checkStateChanged, this,
            [this](Qt::CheckState state) { OnStateChanged(int(state)); });
#else
    connect(checkBox, &QCheckBox::stateChanged, this, &ManualWarnDialog::OnStateChanged);
#endif
    // Bottom left, on the row of the buttons. It spans the columns like the
    // button box does, so that it does not widen the icon's column and push
    // the text aside.
    // The text's column takes any width the wider bottom row adds.
    if (QGridLayout *grid = qobject_cast<QGridLayout *>(layout())) {
        grid->addWidget(checkBox, 2, 0, 1, grid->columnCount(), Qt::AlignLeft | Qt::AlignBottom);
        grid->setColumnStretch(grid->columnCount() - 1, 1);
    }
}

void ManualWarnDialog::OnStateChanged(int state)
{
    hideWarning = state != 0;
}

bool OpenManual(QWidget *parent, int *hideWarning)
{
    if (!hideWarning || !*hideWarning) {
        ManualWarnDialog *dialog = new ManualWarnDialog(parent);
        const int result = dialog->exec();
        const bool hide = dialog->hideWarning;
        delete dialog;
        if (result != QMessageBox::Ok)
            return false;
        if (hideWarning)
            *hideWarning = hide ? 1 : 0;
        WriteSetting(SettingKey::HideManualWarning, hide ? 1 : 0);
    }
    return OpenManualUrl();
}
