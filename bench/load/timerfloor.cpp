// What a Qt program that does nothing but wake up every 15 ms costs: a
// window of the tool's size and a timer with an empty slot. The idle cases
// of the load figures are read against it, measured in the same run, since
// a wake-up's cost is the machine's (a virtual machine's timer interrupts
// cost far more than a bare one's), not the tool's.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1280, 900);
    window.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &window, [] {});
    timer.start(15); // the tool's redraw tick
    return app.exec();
}
