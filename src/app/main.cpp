// SPDX-License-Identifier: GPL-3.0-or-later
// Zarvik: checks lathe NC programs on screen. The optional argument is the program to open.
//
// With ZARVIK_PROBE set, the window times its own start-up for the window benchmark (see
// bench/window-bench): it writes to standard error the milliseconds since the epoch at which
// the picture of the opened program was painted, the event loop answered a posted event, one
// wheel-zoom re-run was done and painted and the background check ended, then the time of
// three more re-runs and its peak memory, and closes. Off by default.

#include "ZarvikVersion.h"
#include "app/Frame.h"
#include "app/MainWindow.h"
#include "app/ProgramDocument.h"
#include "app/Startup.h"
#include "app/TraceView.h"
#include "app/Widgets.h"
#include "files/NativePath.h"
#include "workbench/CheckWorker.h"
#include "workbench/Workbench.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

void Stamp(const char* what) {
    std::fprintf(stderr, "probe %s %lld\n", what,
                 static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
}

void ProbeStartUp(app::MainWindow& window) {
    window.View().Canvas()->repaint(); // the picture as the window would paint it next
    Stamp("drawn");
    QTimer::singleShot(0, &window, [&window] {
        Stamp("answering");
        window.View().m_CWheel1_MouseWheel(120);
        window.View().Canvas()->repaint();
        Stamp("wheel");
        // Then the background check of the program (the problems list) to its end.
        auto* wait = new QTimer(&window);
        QObject::connect(wait, &QTimer::timeout, &window, [&window, wait] {
            if (window.Bench().Worker()->Busy()) return;
            wait->stop();
            Stamp("checked");
            // Three more wheel-zoom re-runs (out, in, out), each timed: on a shared machine the
            // best of them says more than one.
            for (int turn : {-120, 120, -120}) {
                QElapsedTimer t;
                t.start();
                window.View().m_CWheel1_MouseWheel(turn);
                window.View().Canvas()->repaint();
                std::fprintf(stderr, "probe rerun_ms %lld\n", static_cast<long long>(t.elapsed()));
            }
            rusage use{};
            getrusage(RUSAGE_SELF, &use);
            std::fprintf(stderr, "probe maxrss_kb %ld\n", use.ru_maxrss);
            QCoreApplication::exit(0);
        });
        wait->start(5);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    if (AsksForVersion(argc, argv)) return PrintVersion("Zarvik");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zarvik");
    QApplication::setApplicationVersion(ZARVIK_VERSION);
    QApplication::setOrganizationName("Zarvik");
    // From the bytes, not QApplication::arguments(): a file name that is not UTF-8 must still
    // name its file. Qt has taken its own options out of argv by now.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << files::PathFromNative(argv[i]);
    app::MainWindow window;
    if (!window.Load(app::CommandLineOf(args))) return 1;
    if (window.WindowFrame().Exited()) return 0; // Exit was chosen during start-up
    if (qEnvironmentVariableIsSet("ZARVIK_PROBE")) ProbeStartUp(window);
    return app.exec();
}
