// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include "platform/CalculatorLink.h"

#include <QLocalSocket>
#include <QMessageBox>

namespace calc {

namespace {

constexpr int TimeoutMs = 500;

} // namespace

SingleInstance::SingleInstance(QObject* Parent) : QObject(Parent) {
    // The socket itself is this user's only, inside a folder that already is.
    Server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&Server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

bool SingleInstance::HandOverToRunning() {
    QLocalSocket Socket;
    if (!ConnectToCalculator(Socket)) return false;
    Socket.write(CalculatorRaiseMessage);
    Socket.write("\n");
    Socket.waitForBytesWritten(TimeoutMs);
    Socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen(QString* Error) {
    const QString Path = CalculatorServerPath(Error);
    if (Path.isEmpty()) return false;
    if (Server.listen(Path)) return true;
    if (Server.serverError() == QAbstractSocket::AddressInUseError) {
        // A calculator that just started answers there: it is the one.
        QLocalSocket Probe;
        if (ConnectToCalculator(Probe)) {
            if (Error) *Error = QStringLiteral("Another calculator has just started.");
            return false;
        }
        // The socket of a calculator that ended without removing it; nobody answers there.
        QLocalServer::removeServer(Path);
        if (Server.listen(Path)) return true;
    }
    if (Error) *Error = Server.errorString();
    return false;
}

QString SingleInstance::ServerPath() const {
    return Server.fullServerName();
}

void SingleInstance::Accept() {
    while (QLocalSocket* Socket = Server.nextPendingConnection()) {
        // Only messages from this user's own programs count.
        if (!PeerIsThisUser(Socket->socketDescriptor())) {
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

QMessageBox* TellRunningAlone(QWidget* Parent, const QString& Reason) {
    auto* Box = new QMessageBox(QMessageBox::Warning, QStringLiteral(" Calculator"),
                                QStringLiteral("The calculator runs alone: Zarvik cannot close it, and "
                                               "another start opens a second calculator."),
                                QMessageBox::Ok, Parent);
    Box->setInformativeText(Reason);
    Box->setAttribute(Qt::WA_DeleteOnClose);
    Box->setWindowModality(Qt::NonModal); // the calculator stays at hand
    Box->show();
    return Box;
}

} // namespace calc
