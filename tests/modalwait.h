#pragma once

// Acting on a modal dialog or pop-up menu from inside the nested event loop
// that its exec() runs. A poll timer waits, bounded, until the dialog or menu
// is really open (the active modal widget or the active pop-up is of the asked
// type), then runs the action once. When it never opens within the bound, the
// poll gives up and closes every modal and pop-up it finds, so a test fails on
// its own assertions instead of hanging until CTest's timeout.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace modalwait {

template<typename W>
W *openWidget()
{
    if (auto *menu = qobject_cast<W *>(QApplication::activePopupWidget()))
        return menu->isVisible() ? menu : nullptr;
    if (auto *dialog = qobject_cast<W *>(QApplication::activeModalWidget()))
        return dialog->isVisible() ? dialog : nullptr;
    return nullptr;
}

// Closes whatever modal dialog or pop-up menu is open (used after a timeout).
inline void closeEverythingOpen()
{
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
        dialog->reject();
}

// Runs action(w) once a visible W is the active modal widget or pop-up.
// Call it right before the code that runs exec(). Returns a flag that turns
// true when the action ran.
template<typename W>
std::shared_ptr<bool> whenOpen(std::function<void(W *)> action, int timeoutMs = 10000)
{
    auto ran = std::make_shared<bool>(false);
    auto *poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, ran, action, timeoutMs] {
        if (W *w = openWidget<W>()) {
            poll->stop();
            poll->deleteLater();
            *ran = true;
            action(w);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            closeEverythingOpen();
        }
    });
    poll->start();
    return ran;
}

} // namespace modalwait
