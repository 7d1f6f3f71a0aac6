// SPDX-License-Identifier: GPL-3.0-or-later
#include "HmiWindow.h"

#include <QProcess>
#include <QString>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace calc {

namespace {

constexpr char HmiWindowTitle[] = "KVZ-R200 HMI";

} // namespace

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
