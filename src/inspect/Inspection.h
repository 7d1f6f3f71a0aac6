// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One silent check of a program for the workbench: the checker's run from the top, with every
// piece of path and its block kept in a PathIndex, the alarms and advice as one problems list,
// the tools of the run, and where each line starts in the text.

#include "check/Checker.h"
#include "check/VersionDiff.h"
#include "findings/Findings.h"
#include "inspect/PathIndex.h"
#include "inspect/StockFollow.h"
#include "inspect/StockSection.h"
#include "picture/Framing.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace inspect {

// The four kinds the problems list shows and filters by, read off the one finding model: the
// control's alarms, and the other findings by their severity. Declared from the most serious.
enum class Kind { Alarm, Error, Warning, Info };
inline constexpr int Kinds = 4;
Kind KindOf(const findings::Finding& f);
const char* KindName(Kind k); // "alarm", and for the others the severity's name

// A finding of the check, as the problems list and the gutter show it.
struct Problem : findings::Finding {
    std::string Sequence; // the block's own N word as written ("N120"), or empty
};

// Identical problems (same kind, code and message) as one row: a soft-limit alarm repeated
// by every later block, a lower-case finding on every line.
struct ProblemGroup {
    std::vector<size_t> Members; // indexes into the problems, in line order
    int64_t FirstLine = 0, LastLine = 0;
};
// In the order of their first occurrence, over problems in line order.
std::vector<ProblemGroup> GroupProblems(const std::vector<Problem>& problems);

struct ToolRow {
    double Tool = 0;
    std::vector<int32_t> Colors; // the colours its cuts were drawn in
    double Seconds = 0;          // cutting time, the checker's
    int64_t Blocks = 0;          // blocks executed with the tool in force
    int64_t FirstLine = 0;       // line of the first of them
    // Checked with a setup: the tool as the stock is cut with it, where its values came from
    // (ToolText), and its insert's outline (mm, about the programmed point, radius up).
    std::string Insert;
    std::vector<stock::Outline> Shape;
    std::vector<stock::Outline> Holder; // its holder's, the same way
};

// Where each line starts: line 1 at 0, line k + 1 after the k-th CR LF (lines counted as the
// checker counts them).
class LineStarts {
  public:
    explicit LineStarts(std::u16string_view text = {});
    int64_t Lines() const { return static_cast<int64_t>(Starts.size()); }
    // Offset of the line's first character; lines out of range are clamped.
    size_t StartOf(int64_t line) const;
    // Offset just past the line's text (before its CR LF).
    size_t EndOf(int64_t line) const;
    int64_t LineAt(size_t offset) const;

  private:
    std::vector<size_t> Starts;
    size_t Size = 0;
};

// The N word of a block as written ("N0120"), or empty: the first N outside a comment followed
// by a digit.
std::string SequenceOf(std::u16string_view block);

struct InspectionResult {
    check::CheckOptions Options; // how (without the block hook)
    check::CheckReport Report;
    PathIndex Paths;
    // The report's findings (check::CheckReport::Findings) in line order, the most serious kind
    // first on a line.
    std::vector<Problem> Problems;
    std::vector<ProblemGroup> Groups; // the problems grouped, as the problems list shows them
    std::vector<ToolRow> Tools;       // in the order the tools first worked
    LineStarts Starts;
    std::optional<StockSection> Section; // when checked with a setup
    // With a setup: the setup the stock was cut with (the program's tools added) and the states
    // a run in the window is followed from (StockFollow.h).
    std::shared_ptr<const stock::Setup> CutSetup;
    StockSteps Steps;
    findings::Counts Counts; // of the problems, as the status line and the filters show them
    // Against another version of the program (the window's Compare with version): the regions
    // the text as checked added and removed, or why they could not be found.
    std::shared_ptr<const check::VersionDiff> Versions;
    std::string VersionsError;

    // The text of a line without its CR LF, in `text` (the program as checked, or as it is now:
    // the line is cut to the text's length).
    std::u16string_view LineText(std::u16string_view text, int64_t line) const;
};

// Thrown out of RunInspection when `stop` was set: the check was given up (a newer text is waiting).
struct Stopped {};

// `stop`, when given, is looked at every few thousand blocks, and `progress` is then set to the
// share of the text's lines reached (percent). A program of more lines than 32 bits count (far
// beyond the largest file the window opens) throws std::out_of_range.
InspectionResult RunInspection(const std::u16string& text, check::CheckOptions options,
                               const std::atomic<bool>* stop = nullptr, std::atomic<int>* progress = nullptr);

// "2 alarms, 3 warnings", "1 error, 1 info", "no problems" (findings::CountsText).
std::string ProblemCounts(const findings::Counts& counts);

// The area of the canvas that shows the part (picture::PartExtent), or with FitScope::All the
// whole path, with a margin of 5 % in a viewport of widthPx x heightPx, for a picture drawn with
// `view`'s layout; none when nothing was drawn.
std::optional<picture::Area> FitFrame(const PathIndex& paths, const ViewMap& view, double widthPx,
                                      double heightPx, picture::FitScope scope = picture::FitScope::Part);

} // namespace inspect
