// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QLocalSocket;

// Zarvik's side of the shop-floor calculator: start it from the Edit menu, close it at exit. The
// calculator listens on a local socket in a folder only this user can enter; a second start and
// Zarvik's "close" both speak to it there, and each side checks that the other runs as this user,
// so another user on the machine can neither block the calculator nor steer it.

// The socket path of this user's calculator: "ZarvikCalculator" in $XDG_RUNTIME_DIR when that is a
// folder of this user closed to everybody else, otherwise in "zarvik-<uid>" under the temporary
// folder, created with mode 0700. ZARVIK_CALC_INSTANCE, when set, is appended to the name, so that
// tests can run a calculator of their own beside the operator's. Empty, with the reason in *error,
// when no private folder can be had (for instance when "zarvik-<uid>" belongs to someone else).
QString CalculatorServerPath(QString* error);

// Why `path` cannot hold the calculator's socket, or empty when it can: it must be a folder
// itself (not a link to one), owned by `owner`, with no access for group or others.
QString PrivateFolderProblem(const QString& path, uint owner);

// Whether the process at the other end of a connected local socket runs as this user.
bool PeerIsThisUser(qintptr descriptor);

// Connects to this user's calculator; false when none answers or the answer comes from a process
// of another user.
bool ConnectToCalculator(QLocalSocket& socket);

// Messages understood by the calculator's server, one per connection.
inline constexpr char CalculatorRaiseMessage[] = "raise";
inline constexpr char CalculatorCloseMessage[] = "close";

// Path of the calculator program in the given folder.
QString CalculatorProgramPath(const QString& Folder);

// Folders where the calculator is looked for, in this order, for a Zarvik whose program file is in
// ProgramFolder: that folder itself (the build folder, or the bin folder of an installation), then
// the bin folder of the installation Zarvik sits in (ProgramFolder/../bin), when that is another one.
QStringList CalculatorFolders(const QString& ProgramFolder);

// Starts the calculator found next to Zarvik's own program file or in its installation. False, with
// the reason in *error, when it is missing or cannot be started.
bool StartCalculator(QString* error);
// The same from a given folder.
bool StartCalculatorFrom(const QString& Folder, QString* error);
// The same from the first of the folders that holds the calculator; when none does, *error names
// every place looked at.
bool StartCalculatorFromAny(const QStringList& Folders, QString* error);

// Asks a running calculator to close and waits briefly for it to go; does nothing when none runs.
void CloseCalculator();

// Whether a calculator of this user answers on its server.
bool CalculatorRunning();
