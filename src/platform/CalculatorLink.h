#pragma once

#include <QString>
#include <QStringList>

// Zarvik's side of the shop-floor calculator: start it from the Edit menu, close it at exit. The
// calculator owns a local server under a per-user name; a second start and Zarvik's "close" both
// speak to it there, so neither can reach another user's calculator.

// Name of the calculator's local server for the current user. ZARVIK_CALC_INSTANCE, when set, is
// appended, so that tests can run a calculator of their own beside the operator's.
QString CalculatorServerName();

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
