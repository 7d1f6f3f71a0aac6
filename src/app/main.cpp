// Zarvik: checks lathe NC programs on screen. The optional argument is the program to open.

#include "ZarvikVersion.h"
#include "app/MainWindow.h"
#include "app/Startup.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (AsksForVersion(argc, argv)) {
        std::printf("Zarvik %s\n", ZARVIK_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zarvik");
    QApplication::setApplicationVersion(ZARVIK_VERSION);
    QApplication::setOrganizationName("Zarvik");
    QStringList args = QApplication::arguments();
    args.removeFirst();
    app::MainWindow window;
    if (!window.Load(app::CommandLineOf(args))) return 1;
    return app.exec();
}
