#include "bench/soak/xinput.h"

#include <QFile>
#include <QVector>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace soak {

namespace {

bool installed(const char *program)
{
    for (const QString &dir : qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (access(QFile::encodeName(dir + QLatin1Char('/') + QLatin1String(program)).constData(), X_OK) == 0)
            return true;
    return false;
}

// Runs a program without waiting for it; its output goes nowhere.
void spawn(const QList<QByteArray> &args)
{
    const pid_t pid = fork();
    if (pid != 0)
        return;
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char *> argv;
    for (const QByteArray &a : args)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    execvp(argv.front(), argv.data());
    _exit(127);
}

QString quoted(const QString &s)
{
    QString q = s;
    q.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

} // namespace

void xdotool(const QStringList &args)
{
    QList<QByteArray> argv{QByteArray("xdotool")};
    for (const QString &a : args)
        argv.append(a.toLocal8Bit());
    spawn(argv);
}

QString xdotoolOutput(const QString &args)
{
    FILE *pipe = popen(qPrintable(QStringLiteral("xdotool %1 2>/dev/null").arg(args)), "r");
    if (!pipe)
        return QString();
    QByteArray out;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, qsizetype(n));
    pclose(pipe);
    return QString::fromLocal8Bit(out);
}

PrivateDisplay::PrivateDisplay()
{
    if (!installed("Xvfb") || !installed("xdotool"))
        return;
    int fds[2];
    if (pipe(fds) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        ::close(fds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        const QByteArray fd = QByteArray::number(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1600x1000x24", "-dpi", "96",
               "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    QByteArray number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (m_pid > 0 && poll(&pfd, 1, 10000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number.append(c);
    }
    ::close(fds[0]);
    if (number.isEmpty()) {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
        return;
    }
    m_oldDisplay = qgetenv("DISPLAY");
    m_oldPlatform = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", ":" + number);
    // The tool follows QT_QPA_PLATFORM before DISPLAY.
    qputenv("QT_QPA_PLATFORM", "xcb");
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    qputenv("DISPLAY", m_oldDisplay);
    if (m_oldPlatform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    else
        qputenv("QT_QPA_PLATFORM", m_oldPlatform);
}

BackgroundQuery::BackgroundQuery(const QString &outputFile)
    : m_file(outputFile)
{
}

BackgroundQuery::~BackgroundQuery()
{
    QFile::remove(m_file);
    QFile::remove(m_file + QStringLiteral(".part"));
}

void BackgroundQuery::start(const QString &shellCommand)
{
    QFile::remove(m_file);
    // The file appears whole, by a rename, once the command has ended.
    const QString part = quoted(m_file + QStringLiteral(".part"));
    spawn({QByteArray("sh"), QByteArray("-c"),
           QStringLiteral("(%1) >%2 2>/dev/null; mv %2 %3").arg(shellCommand, part, quoted(m_file)).toLocal8Bit()});
    m_running = true;
}

bool BackgroundQuery::ready()
{
    if (!m_running || !QFile::exists(m_file))
        return false;
    QFile f(m_file);
    m_output = f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    f.close();
    QFile::remove(m_file);
    m_running = false;
    return true;
}

QString windowScanCommand(pid_t pid)
{
    return QStringLiteral("for w in $(xdotool search --onlyvisible --pid %1); do "
                          "xdotool getwindowgeometry --shell $w; done")
        .arg(pid);
}

WindowScan parseWindowScan(const QString &output)
{
    WindowScan scan;
    QRect current;
    const auto finish = [&] {
        if (current.width() <= 0)
            return;
        scan.largest = scan.largest.expandedTo(current.size());
        if (qint64(current.width()) * current.height() > qint64(scan.main.width()) * scan.main.height())
            scan.main = current;
        current = QRect();
    };
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const int eq = line.indexOf(QLatin1Char('='));
        const QString key = line.left(eq);
        const int value = line.mid(eq + 1).toInt();
        if (key == QLatin1String("WINDOW"))
            finish();
        else if (key == QLatin1String("X"))
            current.moveLeft(value);
        else if (key == QLatin1String("Y"))
            current.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            current.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            current.setHeight(value);
    }
    finish();
    return scan;
}

QString buttonScanCommand(const QString &probe, const QString &iconDir)
{
    // The buttons a view's toolbar shows with an icon; the close button is
    // left out so that the views stay.
    return QStringLiteral("for i in ZoomPlus ZoomMinus Grid Hand Selection; do %1 icon %2/${i}_32x32.png; done")
        .arg(quoted(probe), quoted(iconDir));
}

QList<QPoint> parseButtons(const QString &output)
{
    QList<QPoint> points;
    for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList xy = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (xy.size() == 2)
            points.append(QPoint(xy.at(0).toInt() + 16, xy.at(1).toInt() + 16));
    }
    return points;
}

QPoint InputMix::somewhere()
{
    // Below the menu bar: a random Return there could end the tool.
    const QRect r = m_window.isValid() ? m_window.adjusted(2, 40, -2, -24) : QRect(50, 80, 900, 600);
    if (r.width() < 1 || r.height() < 1)
        return m_window.center();
    return QPoint(r.left() + int(m_rng() % unsigned(r.width())), r.top() + int(m_rng() % unsigned(r.height())));
}

void InputMix::step()
{
    const auto num = [](int v) { return QString::number(v); };
    if (m_menuOpen == 1) {
        // A context menu is open: pick an entry by its key. Zoom opens its
        // submenu, in which a level is chosen; an entry that opens a dialog
        // gets Escape at the next step. Close (o) is never picked.
        static const char *const entries[] = {"z", "z", "z", "g", "f", "f", "c", "l", "e", "w"};
        const QString entry = QLatin1String(entries[m_rng() % 10]);
        QStringList keys{QStringLiteral("key"), entry};
        if (entry == QLatin1String("z")) {
            const int down = int(m_rng() % 10);
            for (int i = 0; i < down; ++i)
                keys << QStringLiteral("Down");
            keys << QStringLiteral("Return");
        }
        xdotool(keys);
        m_menuOpen = 2;
        return;
    }
    if (m_menuOpen == 2) {
        xdotool({"key", "Escape", "Escape"});
        m_menuOpen = 0;
        return;
    }
    const QPoint p = somewhere();
    const unsigned r = m_rng() % 100;
    if (r < 18) {
        xdotool({"mousemove", num(p.x()), num(p.y())});
    } else if (r < 36) {
        // The wheel over a view: scrolls it, also sideways with Shift.
        static const char *const mods[] = {nullptr, nullptr, "shift", "ctrl"};
        const char *mod = mods[m_rng() % 4];
        QStringList args{"mousemove", num(p.x()), num(p.y())};
        if (mod)
            args << "keydown" << QLatin1String(mod);
        args << "click" << "--repeat" << num(1 + int(m_rng() % 6)) << (m_rng() % 2 ? "4" : "5");
        if (mod)
            args << "keyup" << QLatin1String(mod);
        xdotool(args);
    } else if (r < 50 && !m_buttons.isEmpty()) {
        const QPoint b = m_buttons.at(int(m_rng() % unsigned(m_buttons.size())));
        xdotool({"mousemove", num(b.x()), num(b.y()), "click", "1"});
    } else if (r < 58) {
        xdotool({"key", m_rng() % 2 ? "ctrl+plus" : "ctrl+minus"});
    } else if (r < 62) {
        xdotool({"key", "alt+r"});
    } else if (r < 70) {
        // A drag: a selection, a hand-tool scroll or pointer input.
        const QPoint q = somewhere();
        xdotool({"mousemove", num(p.x()), num(p.y()), "mousedown", "1", "mousemove", num(q.x()), num(q.y()),
                 "mouseup", "1"});
    } else if (r < 78) {
        xdotool({"mousemove", num(p.x()), num(p.y()), "click", "3"});
        m_menuOpen = 1;
    } else if (r < 88) {
        static const char *const keys[] = {"a", "Return", "plus", "minus", "Left", "Down", "F1", "BackSpace"};
        xdotool({"key", keys[m_rng() % 8]});
    } else {
        xdotool({"mousemove", num(p.x()), num(p.y()), "click", "1"});
    }
}

} // namespace soak
