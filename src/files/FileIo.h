#pragma once
// Whole-file reads of program files; saving is in FileSave.h.

#include "files/Codec.h"
#include "files/FileSave.h"

namespace files {

struct ReadResult {
    bool Ok = false;
    Decoded File;
    QString Error; // reason, for the message after the path
};

// Reads the whole file; a missing path is reported, never created.
ReadResult ReadProgramFile(const QString& path);

} // namespace files
