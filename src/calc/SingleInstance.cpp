#include "SingleInstance.h"

#include "platform/CalculatorLink.h"

#include <QLocalSocket>

#ifdef Q_OS_LINUX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace calc {

namespace {

constexpr int TimeoutMs = 500;

// An abstract socket has no file permissions: only messages from this user's own programs count.
bool SameUser(const QLocalSocket& Socket) {
#ifdef Q_OS_LINUX
    ucred Peer{};
    socklen_t Size = sizeof Peer;
    if (getsockopt(static_cast<int>(Socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &Peer, &Size) != 0) {
        return false;
    }
    return Peer.uid == getuid();
#else
    Q_UNUSED(Socket);
    return true;
#endif
}

} // namespace

SingleInstance::SingleInstance(QObject* Parent) : QObject(Parent) {
    Server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&Server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

bool SingleInstance::HandOverToRunning() {
    QLocalSocket Socket;
    Socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    Socket.connectToServer(CalculatorServerName());
    if (!Socket.waitForConnected(TimeoutMs)) return false;
    Socket.write(CalculatorRaiseMessage);
    Socket.write("\n");
    Socket.waitForBytesWritten(TimeoutMs);
    Socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen() {
    return Server.listen(CalculatorServerName());
}

void SingleInstance::Accept() {
    while (QLocalSocket* Socket = Server.nextPendingConnection()) {
        if (!SameUser(*Socket)) {
            Socket->abort();
            Socket->deleteLater();
            continue;
        }
        connect(Socket, &QLocalSocket::disconnected, Socket, &QObject::deleteLater);
        connect(Socket, &QLocalSocket::readyRead, this, [this, Socket] { Read(Socket); });
        Read(Socket);
    }
}

void SingleInstance::Read(QLocalSocket* Socket) {
    while (Socket->canReadLine()) {
        QByteArray Message = Socket->readLine().trimmed();
        if (Message == CalculatorRaiseMessage) emit RaiseRequested();
        if (Message == CalculatorCloseMessage) emit CloseRequested();
    }
}

} // namespace calc
