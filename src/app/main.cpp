// Zarvik: checks lathe NC programs on screen. The optional argument is the program to open.

#include "app/MainWindow.h"
#include "app/Startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zarvik");
    QApplication::setOrganizationName("Zarvik");
    QStringList args = QApplication::arguments();
    args.removeFirst();
    app::MainWindow window;
    if (!window.Load(app::CommandLineOf(args))) return 1;
    return app.exec();
}
