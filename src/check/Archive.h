// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check of a whole program archive: the programs of the folders and files named, checked
// side by side on a number of threads (each program on a machine of its own), each report
// streamed as its program is done, then a summary; optionally one HTML page of them all.
//
// Order: the list of programs is the arguments in their order, a folder giving its programs
// sorted by path. With one job the reports come in that order; with more, in the order the
// programs finish, each naming its file. The summary's slowest programs and the HTML table keep
// the order of the list. A program that cannot be read is reported (on standard error, and as
// {"file", "error"} in JSON) and the others are still checked. The exit status is the worst of
// the programs' (2 > 1 > 0).

#include "check/ArchiveSummary.h"
#include "check/Output.h"
#include "check/StockOptions.h"

#include <string>
#include <vector>

namespace check {

struct ArchiveOptions {
    CheckOptions Check;
    StockOptions Stock; // each program's setup: --stock, --setup, or the file beside it
    bool Json = false;
    bool Strict = false;
    unsigned Jobs = 0;      // 0: one per core
    std::string ReportPath; // the HTML page, or none
};

// Checks the programs of `arguments`, writing the reports and the summary to `out`. Returns the
// exit status; an output that cannot be written makes it 2.
int RunArchive(const ArchiveOptions& options, const std::vector<std::string>& arguments, Output& out);

// Checks the program and draws its path framed with a margin, as --fit does, in a picture of
// widthPx x heightPx (with a stock, its section over the path): the SVG document in `svg`.
CheckReport CheckWithPicture(const std::u16string& text, const std::string& path, const CheckOptions& options,
                             std::string& svg, double widthPx, double heightPx);

// The check of one program as the archive does it (reading, checking, and with `picture` the
// fitted path as SVG for the report). Never throws: what goes wrong is the result's error.
ProgramResult CheckArchiveProgram(const std::string& path, const ArchiveOptions& options, bool picture);

} // namespace check
