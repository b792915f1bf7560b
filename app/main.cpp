#include "app/mainwindow.h"
#include "dialogs/scale.h"
#include "snapshot/commandline.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    // "--snapshot" and "--help" run without a window; anything else starts the tool.
    const int commandLineStatus = snapshot::runCommandLine(argc, argv);
    if (commandLineStatus >= 0)
        return commandLineStatus;

    // One layer pixel must be exactly zoom device pixels: Qt's automatic
    // scaling stays off and the tool scales its fixed sizes itself.
    DisableAutomaticHighDpiScaling();

    QCoreApplication::setOrganizationName(QStringLiteral("Travik"));
    QCoreApplication::setApplicationName(QStringLiteral("noXelView"));

    QApplication *app = new QApplication(argc, argv);
    ForgetHighDpiScalingVariable();
    MainWindow *window = new MainWindow;
    setMainWindow(window);
    window->show();
    app->exec();

    delete window;
    delete app;
    return 0;
}
