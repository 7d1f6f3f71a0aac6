// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line Zarvik starts with: one program path, with or without double quotes.

#include <QString>
#include <QStringList>

namespace app {

// The arguments after the program name as one command line. An argument with a blank is put in
// double quotes, so that a quoted path followed by anything else still names just that path;
// one that already carries double quotes is taken as it stands.
QString CommandLineOf(const QStringList& arguments);

} // namespace app
