// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads of program files; saving is in FileSave.h.

#include "files/Codec.h"
#include "files/FileSave.h"

namespace files {

struct ReadResult {
    bool Ok = false;
    Decoded File;
    QString Error;         // reason, for the message after the path
    FileIdentity Identity; // the file read, for the checks before a save
};

// Reads the whole file; a missing path is reported, never created. A link of another user in a
// shared folder is not followed (SafePath.h).
ReadResult ReadProgramFile(const QString& path);

} // namespace files
