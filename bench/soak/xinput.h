#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <random>
#include <sys/types.h>

// Pointer, wheel and keys into the tool's real window under an X server,
// driven with xdotool, and what the soak reads of that window from outside.
// Nothing here waits for a slow child: the soak measures the tool's stalls
// by when it reads inotify events, so its own loop must keep running.
namespace soak {

// Runs xdotool without waiting for it.
void xdotool(const QStringList &args);
// Output of a short xdotool query (waited for; empty on failure): only for
// use before the stalls are measured.
QString xdotoolOutput(const QString &args);

// A private X server (Xvfb) for the runs that have no display. Starts only
// when Xvfb and xdotool are installed; sets DISPLAY for this process and
// its children while it runs.
class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay &) = delete;
    PrivateDisplay &operator=(const PrivateDisplay &) = delete;
    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    QByteArray m_oldDisplay;
    QByteArray m_oldPlatform;
};

// A shell command run in the background with its output collected in a
// file; ready() polls for the end without waiting.
class BackgroundQuery
{
public:
    explicit BackgroundQuery(const QString &outputFile);
    ~BackgroundQuery();
    bool running() const { return m_running; }
    void start(const QString &shellCommand);
    // True once the command has ended; its output is in output().
    bool ready();
    QString output() const { return m_output; }

private:
    QString m_file;
    bool m_running = false;
    QString m_output;
};

// The tool's windows as xdotool sees them.
struct WindowScan
{
    QRect main;        // the largest visible window (the main window)
    QSize largest;     // largest width and height of any visible window
};
// Shell command printing the geometry of every visible window of the process.
QString windowScanCommand(pid_t pid);
WindowScan parseWindowScan(const QString &output);

// Shell command printing "NAME X Y" for every toolbar icon the probe finds
// on the screen; parseButtons turns its output into click points.
QString buttonScanCommand(const QString &probe, const QString &iconDir);
QList<QPoint> parseButtons(const QString &output);

// One step of the random input into the window: pointer moves, clicks and
// drags, the wheel over the views (also with Shift and Ctrl), context menus
// with a random entry chosen, zoom keys, Alt+R, plain keys and clicks on
// the views' toolbar buttons.
class InputMix
{
public:
    explicit InputMix(unsigned seed) : m_rng(seed) {}
    void setWindow(const QRect &window) { m_window = window; }
    void setButtons(const QList<QPoint> &buttons) { m_buttons = buttons; }
    void step();

private:
    QPoint somewhere();
    std::mt19937 m_rng;
    QRect m_window;
    QList<QPoint> m_buttons;
    int m_menuOpen = 0;
};

} // namespace soak
