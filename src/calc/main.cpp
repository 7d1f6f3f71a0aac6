// SPDX-License-Identifier: GPL-3.0-or-later
// ZarvikCalculator: the always-on-top pocket calculator of the shop floor.
#include "SingleInstance.h"
#include "ZarvikVersion.h"
#include "frmCalc.h"
#include "platform/ControlPc.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char* argv[]) {
    if (AsksForVersion(argc, argv)) return PrintVersion("ZarvikCalculator");
    QApplication App(argc, argv);
    App.setApplicationName(QStringLiteral("ZarvikCalculator"));
    App.setApplicationVersion(QStringLiteral(ZARVIK_VERSION));

    // For the documentation picture: type keys, save the window as an image, end.
    QCommandLineParser Options;
    QCommandLineOption Screenshot(QStringLiteral("screenshot"), QStringLiteral("Save the window to <file>."),
                                  QStringLiteral("file"));
    QCommandLineOption Keys(QStringLiteral("keys"), QStringLiteral("Keys typed first (\\n is Enter)."),
                            QStringLiteral("keys"));
    Options.addHelpOption();
    Options.addVersionOption();
    Options.addOptions({Screenshot, Keys});
    Options.process(App);
    bool Picture = Options.isSet(Screenshot);

    calc::SingleInstance Instance;
    QString Alone; // why the calculator runs without its server
    if (!Picture) {
        if (calc::SingleInstance::HandOverToRunning()) return 0;
        if (!Instance.Listen(&Alone))
            qWarning("ZarvikCalculator runs alone; Zarvik cannot close it: %s", qPrintable(Alone));
    }

    calc::frmCalc Window(platform::OnKvzControlPc());
    QObject::connect(&Instance, &calc::SingleInstance::RaiseRequested, &Window, &calc::frmCalc::BringToFront);
    QObject::connect(&Instance, &calc::SingleInstance::CloseRequested, &Window, &QWidget::close);
    Window.show();
    if (!Alone.isEmpty()) calc::TellRunningAlone(&Window, Alone);

    if (Picture) {
        QString Typed = Options.value(Keys).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        QString File = Options.value(Screenshot);
        QTimer::singleShot(300, &Window, [&Window, Typed, File] {
            for (QChar C : Typed)
                Window.TypeCharacter(C);
            QTimer::singleShot(300, &Window, [&Window, File] {
                bool Saved = Window.grab().save(File);
                QCoreApplication::exit(Saved ? 0 : 1);
            });
        });
    }
    return App.exec();
}
