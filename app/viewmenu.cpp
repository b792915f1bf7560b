#include "app/viewmenu.h"

#include "app/mainwindow.h"

#include <QAction>
#include <QMenu>

ViewMenu::ViewMenu(QMenu *viewMenu, QWidget *owner)
    : QObject(owner)
{
    static const char *const titles[KindCount] = {"Visible &Layer", "&Virtual Layer", "&Palettes"};
    for (int k = 0; k < KindCount; ++k) {
        QMenu *menu = AddMenu(titles[k], nullptr, owner);
        viewMenu->addMenu(menu);
        // The placeholder belongs to the submenu, so the first fill's
        // clear() frees it. It carries no number.
        QAction *placeholder = AddAction("Layer &0", "", menu, menu);
        placeholder->setCheckable(true);
        placeholder->setChecked(false);
        placeholder->setEnabled(false);
        menus[k] = menu;
        entries[k].append(placeholder);
    }
}

QAction *ViewMenu::Entry(Kind kind, int n) const
{
    for (QAction *action : entries[kind]) {
        const QVariant data = action->data();
        if (data.isValid() && data.toInt() == n)
            return action;
    }
    return nullptr;
}

void ViewMenu::Fill(Kind kind, const QList<int> &numbers)
{
    if (numbers.isEmpty())
        return;
    QMenu *menu = menus[kind];
    // The entries belong to the submenu, so clear() frees them.
    menu->clear();
    entries[kind].clear();
    const char *format = kind == Palettes ? "Palette &%1" : "Layer &%1";
    for (int n : numbers) {
        const QByteArray text = QString::fromLatin1(format).arg(n).toLatin1();
        QAction *action = AddAction(text.constData(), "", menu, menu);
        action->setData(n);
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this, [this, kind, n](bool on) {
            if (kind == VisibleLayers)
                Q_EMIT visibleLayerToggled(n, on);
            else if (kind == VirtualLayers)
                Q_EMIT virtualLayerToggled(n, on);
            else
                Q_EMIT paletteToggled(n, on);
        });
        entries[kind].append(action);
    }
}

void ViewMenu::SetChecked(Kind kind, int n, bool checked, bool withSignals)
{
    SetActionChecked(Entry(kind, n), checked, withSignals);
}

void ViewMenu::SetActionChecked(QAction *action, bool checked, bool withSignals)
{
    if (!action)
        return;
    const bool wasBlocked = withSignals ? action->signalsBlocked() : action->blockSignals(true);
    action->setChecked(checked);
    if (!withSignals)
        action->blockSignals(wasBlocked);
}
