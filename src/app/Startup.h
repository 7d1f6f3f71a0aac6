// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line Zarvik starts with: one program path, with or without double quotes.

#include <QString>
#include <QStringList>

namespace app {

// The arguments after the program name as the command line the window loads: the first names
// the program, taken as it stands except for double quotes enclosing the whole of it; the line
// holds that path in double quotes.
QString CommandLineOf(const QStringList& arguments);

} // namespace app
