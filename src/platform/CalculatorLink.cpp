#include "platform/CalculatorLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int ConnectTimeoutMs = 500;
constexpr int CloseTimeoutMs = 3000;

} // namespace

QString CalculatorServerName() {
#ifdef Q_OS_UNIX
    QString User = QString::number(getuid());
#else
    QString User = qEnvironmentVariable("USERNAME", QDir::homePath());
#endif
    QString Name = QStringLiteral("ZarvikCalculator-") + User;
    QString Instance = qEnvironmentVariable("ZARVIK_CALC_INSTANCE");
    if (!Instance.isEmpty()) Name += QLatin1Char('-') + Instance;
    return Name;
}

QString CalculatorProgramPath(const QString& Folder) {
#ifdef Q_OS_WIN
    return QDir(Folder).filePath(QStringLiteral("ZarvikCalculator.exe"));
#else
    return QDir(Folder).filePath(QStringLiteral("ZarvikCalculator"));
#endif
}

bool StartCalculator(QString* error) {
    return StartCalculatorFrom(QCoreApplication::applicationDirPath(), error);
}

bool StartCalculatorFrom(const QString& Folder, QString* error) {
    QString Program = CalculatorProgramPath(Folder);
    QFileInfo Info(Program);
    if (!Info.exists() || !Info.isExecutable()) {
        if (error)
            *error =
                QStringLiteral("The calculator was not found: %1").arg(QDir::toNativeSeparators(Program));
        return false;
    }
    if (!QProcess::startDetached(Program, {}, Folder)) {
        if (error)
            *error = QStringLiteral("The calculator could not be started: %1")
                         .arg(QDir::toNativeSeparators(Program));
        return false;
    }
    return true;
}

namespace {

// Connects to this user's calculator; the socket option matches the server's abstract namespace.
bool Connect(QLocalSocket& Socket) {
    Socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    Socket.connectToServer(CalculatorServerName());
    return Socket.waitForConnected(ConnectTimeoutMs);
}

} // namespace

void CloseCalculator() {
    QLocalSocket Socket;
    if (!Connect(Socket)) return;
    Socket.write(CalculatorCloseMessage);
    Socket.write("\n");
    Socket.flush();
    Socket.waitForBytesWritten(ConnectTimeoutMs);
    // The calculator drops the connection as its window closes.
    if (Socket.state() != QLocalSocket::UnconnectedState) Socket.waitForDisconnected(CloseTimeoutMs);
}

bool CalculatorRunning() {
    QLocalSocket Socket;
    bool Running = Connect(Socket);
    Socket.abort();
    return Running;
}
