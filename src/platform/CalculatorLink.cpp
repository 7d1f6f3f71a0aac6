// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/CalculatorLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The bin folder of an installation, relative to its prefix; the build passes the one it installs to.
#ifndef ZARVIK_INSTALL_BINDIR
#define ZARVIK_INSTALL_BINDIR "bin"
#endif

constexpr int ConnectTimeoutMs = 500;
constexpr int CloseTimeoutMs = 3000;

} // namespace

QString PrivateFolderProblem(const QString& path, uint owner) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (lstat(native.constData(), &info) != 0)
        return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
    if (info.st_uid != owner) return QStringLiteral("%1 belongs to another user").arg(path);
    if ((info.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path, QString::number(info.st_mode & 07777, 8));
    return {};
}

QString CalculatorServerPath(QString* error) {
    const uint user = getuid();
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !PrivateFolderProblem(folder, user).isEmpty()) {
        // No usable session folder: one of this user's own under the temporary folder.
        folder = QDir::tempPath() + QStringLiteral("/zarvik-") + QString::number(user);
        if (mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
            if (error)
                *error = QStringLiteral("The calculator's folder %1 cannot be created: %2")
                             .arg(folder, QString::fromLocal8Bit(strerror(errno)));
            return {};
        }
        const QString problem = PrivateFolderProblem(folder, user);
        if (!problem.isEmpty()) {
            if (error) *error = QStringLiteral("The calculator's folder is refused: ") + problem;
            return {};
        }
    }
    QString name = QStringLiteral("ZarvikCalculator");
    const QString instance = qEnvironmentVariable("ZARVIK_CALC_INSTANCE");
    if (!instance.isEmpty()) {
        QString safe = instance; // a name, never a way out of the folder
        for (QChar& c : safe)
            if (!c.isLetterOrNumber() && c != '-' && c != '_') c = '_';
        name += QLatin1Char('-') + safe;
    }
    const QString path = folder + QLatin1Char('/') + name;
    if (QFile::encodeName(path).size() >= qsizetype(sizeof(sockaddr_un::sun_path))) {
        if (error) *error = QStringLiteral("The calculator's socket path is too long: ") + path;
        return {};
    }
    return path;
}

bool PeerIsThisUser(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return false;
    return peer.uid == getuid();
}

bool ConnectToCalculator(QLocalSocket& socket) {
    const QString path = CalculatorServerPath(nullptr);
    if (path.isEmpty()) return false;
    socket.connectToServer(path);
    if (!socket.waitForConnected(ConnectTimeoutMs)) return false;
    if (PeerIsThisUser(socket.socketDescriptor())) return true;
    socket.abort();
    return false;
}

QString CalculatorProgramPath(const QString& Folder) {
#ifdef Q_OS_WIN
    return QDir(Folder).filePath(QStringLiteral("ZarvikCalculator.exe"));
#else
    return QDir(Folder).filePath(QStringLiteral("ZarvikCalculator"));
#endif
}

QStringList CalculatorFolders(const QString& ProgramFolder) {
    const QString Own = QDir::cleanPath(ProgramFolder);
    const QString Installed =
        QDir::cleanPath(Own + QStringLiteral("/../") + QStringLiteral(ZARVIK_INSTALL_BINDIR));
    QStringList Folders{Own};
    if (Installed != Own) Folders << Installed;
    return Folders;
}

bool StartCalculator(QString* error) {
    return StartCalculatorFromAny(CalculatorFolders(QCoreApplication::applicationDirPath()), error);
}

bool StartCalculatorFromAny(const QStringList& Folders, QString* error) {
    QStringList Tried;
    for (const QString& Folder : Folders) {
        QFileInfo Info(CalculatorProgramPath(Folder));
        if (Info.exists() && Info.isExecutable()) return StartCalculatorFrom(Folder, error);
        Tried << QDir::toNativeSeparators(Info.filePath());
    }
    if (error)
        *error = QStringLiteral("The calculator was not found: %1").arg(Tried.join(QStringLiteral(" or ")));
    return false;
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

void CloseCalculator() {
    QLocalSocket Socket;
    if (!ConnectToCalculator(Socket)) return;
    Socket.write(CalculatorCloseMessage);
    Socket.write("\n");
    Socket.flush();
    Socket.waitForBytesWritten(ConnectTimeoutMs);
    // The calculator drops the connection as its window closes.
    if (Socket.state() != QLocalSocket::UnconnectedState) Socket.waitForDisconnected(CloseTimeoutMs);
}

bool CalculatorRunning() {
    QLocalSocket Socket;
    bool Running = ConnectToCalculator(Socket);
    Socket.abort();
    return Running;
}
