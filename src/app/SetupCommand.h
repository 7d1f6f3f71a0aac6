// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Parameter menu's Setup command: the setup dialog on the setup file beside the program
// (PROGRAM.setup.toml), saved as program files are, so that an interrupted save never destroys
// the file. The background check reads the saved file at the end of the command.

namespace app {

struct Parts;

// Reads: the program's file name and text. Writes: the setup file beside the program. Reports:
// a program without a file, a file changed on disk since the dialog opened, a failed save.
void EditSetup(const Parts& p);

} // namespace app
