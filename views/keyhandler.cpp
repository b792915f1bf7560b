// Key input of a view: every key press and release of the view and of its
// paint widget ends here.
#include "dialogs/buttons.h"
#include "paint/paintwidget.h"
#include "simlink/connection.h"
#include "simlink/input.h"
#include "views/keytext.h"
#include "views/viewhost.h"
#include "views/viewwidget.h"

#include <QKeyEvent>

void ViewWidget::HandleKey(QKeyEvent *event)
{
    if (!event)
        return;
    const bool press = event->type() == QEvent::KeyPress;
    // The event's own modifiers: the state the key was typed with.
    const Qt::KeyboardModifiers modifiers = event->modifiers();

    if (selectionOn || handOn) {
        // The key serves the tool; nothing reaches the simulation.
        switch (ToolKey(event->key(), modifiers, selectionOn, press)) {
        case ToolKeyAction::Copy:
            if (paintWidget)
                paintWidget->OnCopyTriggered();
            break;
        case ToolKeyAction::EndTool:
            EndActiveTool();
            break;
        case ToolKeyAction::None:
            break;
        }
        return;
    }

    const bool capsLock = simlink::capsLockOn(event->text(), modifiers & Qt::ShiftModifier);
    const KeyInput input = TranslateKeyEvent(event->key(), modifiers, capsLock, press);
    if (!input.send)
        return;
    simlink::WriteKey(GetRecord(), RecordLayer(), input.value, input.state);
    ShowStatus(input.status);
}

void ViewWidget::EndActiveTool()
{
    // Unchecking a checked button runs its slot; a tool switched on without
    // its button is switched off directly. Either way the slot runs once, so
    // the override cursor is restored once.
    if (selectionOn) {
        if (selectionButton && selectionButton->isChecked())
            selectionButton->setChecked(false);
        else
            OnBtnSelectionToggled(false);
    }
    if (handOn) {
        if (handButton && handButton->isChecked())
            handButton->setChecked(false);
        else
            OnBtnHandToggled(false);
    }
}

void ViewWidget::keyPressEvent(QKeyEvent *event)
{
    HandleKey(event);
    event->accept();
}

void ViewWidget::keyReleaseEvent(QKeyEvent *event)
{
    HandleKey(event);
    event->accept();
}

bool ViewWidget::focusNextPrevChild(bool next)
{
    // Only while the view itself or its paint widget has the focus: a Tab in
    // the zoom combo box still moves on as usual.
    if (hasFocus() || (paintWidget && paintWidget->hasFocus()))
        return false;
    return CWidget::focusNextPrevChild(next);
}
