#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QWidget;

// The View menu's entries that follow the views: one checkable entry per
// layer view, virtual-layer view and palette panel, in three submenus. Each
// entry carries its layer number as its QAction data, so entries are found
// and reported by that number, never by their label.
class ViewMenu : public QObject
{
    Q_OBJECT

public:
    enum Kind { VisibleLayers, VirtualLayers, Palettes, KindCount };

    // Appends the three submenus to viewMenu, each holding one disabled
    // placeholder entry until the first build.
    ViewMenu(QMenu *viewMenu, QWidget *owner);

    QMenu *Submenu(Kind kind) const { return menus[kind]; }
    const QList<QAction *> &Entries(Kind kind) const { return entries[kind]; }
    // The entry carrying layer number n, or null.
    QAction *Entry(Kind kind, int n) const;
    // Replaces a submenu's entries by one checked entry per number, labelled
    // "Layer &n" or "Palette &n". An empty list keeps the entries there are.
    void Fill(Kind kind, const QList<int> &numbers);
    // Checks the entry of n; without signals its toggle is not reported.
    void SetChecked(Kind kind, int n, bool checked, bool withSignals);

    static void SetActionChecked(QAction *action, bool checked, bool withSignals);

Q_SIGNALS:
    void visibleLayerToggled(int n, bool on);
    void virtualLayerToggled(int n, bool on);
    void paletteToggled(int n, bool on);

private:
    QMenu *menus[KindCount] = {};
    QList<QAction *> entries[KindCount];
};
