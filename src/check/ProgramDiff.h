// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --diff OLD NEW: two versions of a program compared by the part they cut. Each runs with its own
// setup; the difference of the two finished sections gives regions of material added and
// removed, each with the blocks of both files behind it, beside the times, tools, alarms and
// findings of both.

#include "check/Checker.h"
#include "check/StockOptions.h"
#include "check/VersionDiff.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace check {

// The cutting time of each tool in OLD and in NEW (0 where a version has none).
std::map<double, std::pair<double, double>> ToolTimesOf(const VersionDiff& diff);
// The machine's time of each tool in OLD and in NEW (0 where a version has none); empty when
// neither was checked with a machine.
std::map<double, std::pair<double, double>> MachineToolTimesOf(const VersionDiff& diff);

// The report (text, or one JSON object with `json`) of OLD against NEW, appended to `out`.
// Returns the exit status: 0 for the same part (or the same within the tolerance), 1 for a
// changed part, 2 when either cannot be read or has no stock (`complaint` says why). With
// `html`, the comparison's HTML page (DiffHtml.h) goes there as well.
int DiffPrograms(const std::string& oldPath, const std::string& newPath, const CheckOptions& check,
                 const StockOptions& stock, bool json, std::string& out, std::string& complaint,
                 std::string* html = nullptr);

// The finished section of the program at `path` (checked with its setup), as the part another
// version is compared with: the pictures of --diff draw NEW against it. Null with `complaint`
// when it cannot be read or cut.
std::shared_ptr<const target::Target> FinishedSectionOf(const std::string& path, const CheckOptions& check,
                                                        const StockOptions& stock, std::string& complaint);

// --baseline OLD_FOLDER PROGRAMS...: each program (or each program of a folder named) against
// the program at the same place in OLD_FOLDER (its path below the folder named, or its name
// for a file named), one report after another as DiffPrograms writes them, then a summary.
// Returns 2 when a program could not be compared, else 1 when a part changed, else 0; a
// program without a baseline is counted as new. `complaints` says what could not be compared.
int DiffWithBaseline(const std::string& baseline, const std::vector<std::string>& arguments,
                     const CheckOptions& check, const StockOptions& stock, bool json, std::string& out,
                     std::string& complaints);

} // namespace check
