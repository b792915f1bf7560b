#include "app/mainwindow.h"

#include "base/settings.h"
#include "palette/palettewidget.h"
#include "views/viewcomposite.h"
#include "views/viewlayer.h"
#include "views/viewvirtlayer.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

// The window-wide modes: always on top, minimal view, the two highlight
// options, and the window size fitted to the views within the screen.

void MainWindow::OnActAlwaysOnTop(bool on)
{
    Qt::WindowFlags flags = windowFlags();
    if (on) {
        alwaysOnTop = 1;
        flags |= Qt::WindowStaysOnTopHint;
    } else {
        alwaysOnTop = 0;
        flags &= ~Qt::WindowStaysOnTopHint;
    }
    WriteSetting(SettingKey::AlwaysOnTop, alwaysOnTop);
    // Changing the flags hides a visible window.
    setWindowFlags(flags);
    show();
}

void MainWindow::OnActMinimalView(bool on)
{
    minimalView = on ? 1 : 0;
    WriteSetting(SettingKey::MinimalView, minimalView);
    ApplyMinimalView();
}

void MainWindow::ApplyMinimalView()
{
    const bool on = minimalView != 0;
    for (ViewLayer *view : qAsConst(layerViews))
        view->SetMinimal(on);
    if (compositeView)
        compositeView->SetMinimal(on);
    for (ViewVirtLayer *view : qAsConst(virtViews))
        view->SetMinimal(on);
    for (PaletteWidget *panel : qAsConst(paletteViews))
        panel->SetMinimal(on);
}

void MainWindow::OnActHighlightColors(bool on)
{
    for (PaletteWidget *panel : qAsConst(paletteViews))
        panel->SetHighlightEnabled(on);
    highlightPaletteColors = on ? 1 : 0;
    WriteSetting(SettingKey::HighlightPaletteColors, highlightPaletteColors);
}

void MainWindow::OnActHighlightSelect(bool on)
{
    highlightSelection = on ? 1 : 0;
    WriteSetting(SettingKey::HighlightSelection, highlightSelection);
    RepaintViews();
}

void MainWindow::OnActRestoreSize()
{
    // After the layout changes still pending in this event-loop pass.
    QTimer::singleShot(15, this, &MainWindow::OnTimerResize);
}

void MainWindow::RequestRestoreSize()
{
    OnActRestoreSize();
}

void MainWindow::OnTimerResize()
{
    const QSize s = sizeHint();
    ResizeWithinScreen(QSize(qMax(350, s.width()), qMax(300, s.height())));
    if (splitter)
        splitter->restoreState(splitterState);
}

QSize MainWindow::ScreenLimit() const
{
    const QScreen *s = screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The window frame lies outside the client size that resize() sets.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize avail = s->availableGeometry().size() - frame.expandedTo(QSize(0, 0));
    return avail.expandedTo(QSize(1, 1));
}

void MainWindow::ResizeWithinScreen(const QSize &size)
{
    resize(size.boundedTo(ScreenLimit()).expandedTo(QSize(1, 1)));
}

QSize MainWindow::sizeHint() const
{
    QSize s = centralLayout ? centralLayout->sizeHint() : QSize();
    s.rheight() += statusBar()->geometry().height();
    if (menuBar_)
        s.rheight() += menuBar_->geometry().height();
    return s;
}
