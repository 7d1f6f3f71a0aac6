#pragma once
// Whole-file reads and atomic writes of program files.

#include "files/Codec.h"

namespace files {

struct ReadResult {
    bool Ok = false;
    Decoded File;
    QString Error; // reason, for the message after the path
};

// Reads the whole file; a missing path is reported, never created.
ReadResult ReadProgramFile(const QString& path);

// Writes the text exactly (nothing appended) through a temporary file that replaces the old
// one only when everything was written. Returns false with the reason in `error`.
bool WriteProgramFile(const QString& path, const QString& text, Encoding& enc, QString& error);

} // namespace files
