// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>

class QMessageBox;
class QWidget;

namespace calc {

// One calculator per user. The first one owns a local server in this user's private folder; a
// later start finds it, asks it to come to the front and ends. Zarvik asks it to close the same
// way. A connection from a process of another user is dropped unread.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QObject* Parent = nullptr);

    // True when a calculator of this user already runs; it has then been asked to come forward.
    static bool HandOverToRunning();
    // Starts the server; false, with the reason in *Error, when it cannot (the calculator then
    // simply runs without it).
    bool Listen(QString* Error = nullptr);
    // Where the server listens, once it does.
    QString ServerPath() const;

  signals:
    void RaiseRequested();
    void CloseRequested();

  private:
    void Accept();
    void Read(class QLocalSocket* Socket);

    QLocalServer Server;
};

// Tells the operator, beside the calculator and without stopping it, that it runs without its
// server (`Reason`: another user may hold its folder): Zarvik cannot close it, and another start
// opens a second calculator. The box goes away when dismissed.
QMessageBox* TellRunningAlone(QWidget* Parent, const QString& Reason);

} // namespace calc
