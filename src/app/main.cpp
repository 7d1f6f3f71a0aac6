// Zarvik: checks lathe NC programs on screen. The optional argument is the program to open.

#include "ZarvikVersion.h"
#include "app/MainWindow.h"

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
    // The command line as one text, an argument with blanks in double quotes, so that a quoted
    // path followed by anything else still names just that path.
    QStringList args = QApplication::arguments();
    args.removeFirst();
    for (QString& a : args)
        if (a.contains(' ')) a = '"' + a + '"';
    app::MainWindow window;
    if (!window.Load(args.join(' '))) return 1;
    return app.exec();
}
