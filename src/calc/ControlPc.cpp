#include "ControlPc.h"

#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace calc {

namespace {

constexpr char HmiWindowTitle[] = "KVZ-R200 HMI";

} // namespace

QString KvzMarkerPath() {
    QString Override = qEnvironmentVariable("ZARVIK_KVZ_MARKER");
    if (!Override.isEmpty()) return Override;
#ifdef Q_OS_WIN
    return QStringLiteral("C:/KVZ-R/KVZMNGCD.CNC");
#else
    return QStringLiteral("/KVZ-R/KVZMNGCD.CNC");
#endif
}

bool DetectKvzControl() {
    return QFileInfo::exists(KvzMarkerPath());
}

void ActivateHmi() {
#ifdef Q_OS_WIN
    if (HWND Hmi = FindWindowA(nullptr, HmiWindowTitle)) SetForegroundWindow(Hmi);
#else
    // X11 gives a program no direct way to raise a foreign window; the window-manager control
    // tool does it when it is installed. Without it nothing happens.
    QProcess::startDetached(QStringLiteral("wmctrl"), {QStringLiteral("-F"), QStringLiteral("-a"),
                                                       QString::fromLatin1(HmiWindowTitle)});
#endif
}

} // namespace calc
