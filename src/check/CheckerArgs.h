// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of zarvik-check as the program reads it: its options, their usage text, and
// the reading of the arguments with every value checked (check/CheckerCli.h runs them).

#include "check/Checker.h"
#include "check/Picture.h"
#include "check/StockOptions.h"

#include <memory>
#include <string>
#include <vector>

namespace target {
struct Target;
}

namespace check {

extern const char* const CheckerUsage;

// The options of an archive check, parsed in a block of their own.
struct ArchiveCli {
    bool Given = false; // --jobs or --report
    unsigned Jobs = 0;  // 0: one per core
    std::string ReportPath;
};

struct CliOptions {
    CheckOptions Check;
    bool Json = false;
    bool Help = false;
    bool Strict = false; // any advice finding fails the check
    std::string TracePath;
    std::string NosePath;     // --nose-path: the path the stock was cut along
    bool NosePicture = false; // --nose: the pictures draw the compensated nose path
    std::string SvgPath, PngPath, PdfPath;
    picture::SheetOptions Sheet;
    std::vector<std::string> Files;
    bool Diff = false;    // --diff OLD NEW
    std::string Baseline; // --baseline OLD_FOLDER: every program against its old version there
    // --diff with pictures: the old version's finished section, which NEW's pictures are drawn
    // against (the regions it removed and added in the target's two colours).
    std::shared_ptr<const target::Target> DiffAgainst;
    ArchiveCli Archive;
    StockOptions Stock; // stock and tools
    // --control (--fanuc) and --unit given: for programs checked one by one they win over the
    // [program] table of a program's setup.
    bool ControlGiven = false, UnitGiven = false;
};

// Reads the arguments into `o`. Returns an error text, empty when the arguments are good.
std::string ParseCheckerArgs(int argc, char** argv, CliOptions& o);

} // namespace check
