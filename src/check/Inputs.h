// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files a check reads, and the rule that no output may be one of them, nor another output.
// An output onto the setup it has just read, or onto a program, would replace the operator's
// file with a picture or a report. Each kind of input is added in InputsOf, so a new one (a
// target drawing, a machine file) is guarded as soon as it is listed there.

#include "check/StockOptions.h"

#include <string>
#include <vector>

namespace check {

struct InputFile {
    std::string What; // "the program file", "the setup file", "the tool table"
    std::string Path;
};

// The inputs of checking the programs `programs` with `stock`: each program, the setup file it is
// checked with (--setup, or the one beside it), and the tool table that setup names.
std::vector<InputFile> InputsOf(const std::vector<std::string>& programs, const StockOptions& stock);

struct OutputFile {
    std::string What; // "--svg out.svg", "standard output"
    std::string Path; // empty: standard output
};

// The usage error of outputs that are an input or one another, empty when each output is a
// file of its own. Two names are one file when they are the same device and inode (links,
// hard links, "./" make no difference), or, where one does not exist yet, the same resolved path.
// Only plain files clash: writing to a pipe or a device (/dev/null) takes nothing from another.
// Standard output counts when it is a plain file.
std::string OutputClash(const std::vector<OutputFile>& outputs, const std::vector<InputFile>& inputs);

} // namespace check
