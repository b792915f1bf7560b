#include "app/mainwindow.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    // One layer pixel must be exactly zoom device pixels, so Qt's automatic
    // scaling stays off; the tool scales its own fixed sizes by the screen's
    // DPI instead. A value the user set is respected.
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

    QCoreApplication::setOrganizationName(QStringLiteral("Travik"));
    QCoreApplication::setApplicationName(QStringLiteral("noXelView"));

    QApplication *app = new QApplication(argc, argv);
    MainWindow *window = new MainWindow;
    setMainWindow(window);
    window->show();
    app->exec();

    delete window;
    delete app;
    return 0;
}
