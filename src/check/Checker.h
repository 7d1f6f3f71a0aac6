// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The headless checker: runs a program once from the top the way a silent re-run does and
// collects every alarm with its line, the cutting time per tool, the final position and, when
// asked, every drawn piece of path.

#include "advice/Advice.h"
#include "base/Canvas.h"
#include "base/Host.h"
#include "base/Parameters.h"
#include "findings/Findings.h"
#include "machine/Planner.h"
#include "picture/Sheet.h"
#include "stock/Machining.h"
#include "target/Compare.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace check {

struct CheckOptions {
    // Soft limits, unit, dialect and the drawing's layout, as the window's parameters set them.
    interp::Parameters Lathe;
    bool BlockDelete = false;
    // The pictures: the background, and the part of the canvas the viewport shows instead of the
    // standard view of the limits.
    bool WhiteBackground = true;
    std::optional<picture::Area> Frame;
    bool Advice = true; // look for the findings that are no alarms (advice)
    // Pass over the text (the advice's marks, the checks for a text at all) and plan the machine's
    // moves on second threads while the run goes. For a check that has a core to spare; an
    // archive's jobs already use them.
    bool SecondCore = false;
    // The program's file, when it has one: subprograms that the ISO control's M98 calls and the
    // program lacks are looked for beside it (input/Subprogram.h).
    std::string ProgramPath;
    // The ISO control ends a block at LF or a lone CR as well as CR LF (iso::WithBlockEnds). A
    // caller whose own run reads the text as it stands (the window) turns this off, so that the
    // check and the run read the same blocks.
    bool IsoBlockEnds = true;
    // Told after every block executed: its line and the number of the tool in force. The
    // workbench's tool table counts blocks per tool with it; nothing of the run depends on it.
    std::function<void(int64_t line, double tool)> OnBlock;
    // Stock and tools: when given, the stock is cut along the drawn path and what the tools hit
    // is reported (CheckReport::Stock). Tools it lacks come from the program's comments.
    std::shared_ptr<const stock::Setup> Stock;
    // With a stock: told after every piece of path has cut it, with the removal as it stands
    // (the workbench keeps some of these states to follow a run in the window).
    std::function<void(const stock::Machining&)> OnStockCut;
    // With a stock: told of every move as the stock takes it, the nose radius compensation
    // applied (the path of the programmed point as the control moves it).
    std::function<void(const stock::Move&)> OnNoseMove;
    // The machine behind the control: when given, its own time and its limits are reported
    // (CheckReport::Machine) beside the control's time, which stays as it is.
    std::shared_ptr<const machine::Profile> Machine;
    // With a stock: looked at inside each move's cuts; when set, the check is given up at once
    // (stock::Cancelled is thrown out of CheckProgram).
    const std::atomic<bool>* StockStop = nullptr;
    // The part on the drawing: with a stock, the finished section is compared with it
    // (CheckReport::Target).
    std::shared_ptr<const target::Target> Target;
    // With a machine: keeps what the run hands its planner (a calibration plans it again).
    machine::Recording* MachineRecording = nullptr;
    // With a stock: keeps the moves and tools it was cut with (CheckReport::Cut), so that its
    // section can be compared afterwards (CompareCut) without running the program again.
    bool KeepCut = false;
};

// The moves as the stock took them (the nose compensated) and the tools that cut them: what a
// comparison sweeps again to find the block behind a region.
struct CutRecord {
    std::vector<stock::Move> Moves;
    stock::Setup CutWith;
    double MmPerUnit = 1; // an inch program's positions are reported in inches
};

struct Alarm {
    int64_t Line;
    std::string Message;
};

struct TracedSegment {
    int64_t Line;
    motion::PathSegment Segment;
    int Compensation = 40; // the nose radius compensation in force: 40, 41 or 42
};

struct CheckReport {
    std::string File;
    bool Fanuc = false;
    bool Iso = false;              // read by the ISO control (reported as the dialect "ISO")
    bool ControlFromSetup = false; // the program's setup ([program]) named the control
    int16_t Unit = 1;
    int32_t Blocks = 0;
    bool ProgramEnd = false; // stopped at M02/M30; otherwise at the end of the text
    // The text has line breaks but not one CR LF: the control reads no block of it. A failure.
    bool NoCrLf = false;
    // Nothing to check: no character but blanks and line breaks. A failure.
    bool Empty = false;
    // The file holds no text (see NotText). A failure.
    bool NotText = false;
    double CuttingTime = 0; // seconds (the control's single-precision total)
    double FinalX = 0, FinalZ = 0;
    std::vector<Alarm> Alarms;
    std::vector<advice::Finding> Advice; // in line order; empty when not asked for
    std::map<double, double> ToolTimes;  // tool number -> seconds, tools with time only
    // Tool number -> the colours its cuts were drawn in, in order (a tool taken up again gets the
    // next colour of the cycle).
    std::map<double, std::vector<int32_t>> ToolColors;
    picture::Area Visible;              // the part of the canvas the pictures show
    picture::RulerMapping Mapping;      // how the canvas mapped the machine at the end
    std::optional<stock::Result> Stock; // when a stock was given: removal and its findings
    // When a machine was given: its time and limits.
    std::optional<machine::Result> Machine;
    // When a target drawing was given with a stock: the finished section against it.
    std::optional<target::Comparison> Target;
    // With CheckOptions::KeepCut and a stock that was cut: how it was cut.
    std::shared_ptr<const CutRecord> Cut;
    // When a stock was given but could not be cut: why. The program is then checked without it
    // (Stock is empty), its alarms and advice as ever.
    std::string StockError;
    // The alarms, the advice and the stock's findings as one list in line order (alarms before
    // advice before the stock on one line; CollectFindings): what every report reads.
    std::vector<findings::Finding> Findings;

    // The one rule: the program could not run as a whole, or a finding fails it (an error; with
    // `strict` a warning too).
    bool Fails(bool strict) const { return FailureMessage() || findings::AnyFails(Findings, strict); }
    findings::Verdict Verdict(bool strict) const {
        return findings::VerdictOf(Findings, strict, FailureMessage() != nullptr);
    }
    // Why the program could not be checked as a whole, or null.
    const char* FailureMessage() const;
};

// Runs `text` (the decoded program) once. `onSegment`, when given, receives every path piece;
// each of `pictures` every drawing primitive, in the standard view of the limits when it is a
// ViewportCanvas of a picture that size (for SVG and PNG pictures). Text sizes come from the
// first picture.
CheckReport CheckProgram(const std::u16string& text, const CheckOptions& options,
                         const std::function<void(const TracedSegment&)>& onSegment = {},
                         const std::vector<motion::Canvas*>& pictures = {}, double pictureWidthPx = 1600,
                         double pictureHeightPx = 1000);

// Compares the section of `report` (checked with KeepCut) with `drawn`, which has no drawn pieces
// (another version's section): sets report.Target and its findings as a check with that target
// would have.
void CompareCut(CheckReport& report, const target::Target& drawn);

// The words of the reports for how a run ended, the same in the text and in JSON.
inline constexpr const char* EndedAtProgramEnd = "Program End";
inline constexpr const char* EndedAtEndOfText = "EOF";
inline constexpr const char* NoCrLfMessage = "no CR LF line ends: the control reads no block";
inline constexpr const char* EmptyMessage = "empty program";
inline constexpr const char* NotTextMessage = "not a text program";

// Whether a decoded program holds no text: a NUL character outside text written as UTF-16 (whose
// every other byte is NUL; it is a program that reads no block), or more than one character in
// ten a control character other than tab, line breaks, form feed and the end-of-file mark.
// Shift_JIS and Latin-1 programs, and programs with a stray control character, are text.
bool NotText(const std::u16string& text);

// Report texts.
std::string ReportJson(const CheckReport& report);
std::string ReportText(const CheckReport& report);
// The legend of a picture of the program: its file's name, times and alarms, and the tools with
// time.
picture::LegendContent LegendOf(const CheckReport& report);
std::string SegmentJson(const TracedSegment& segment);
// SegmentJson appended to `out`: the trace of a long program is built in one reused buffer.
void AppendSegmentJson(std::string& out, const TracedSegment& segment);
// Shortest text that reads back as the same double.
std::string NumberJson(double v);
// A JSON string of the text; bytes that are not UTF-8 (a path in another encoding) as Latin-1.
std::string JsonString(const std::string& text);

// The one place where the alarms, the advice and the stock's findings become findings::Finding
// (Findings.cpp): fills report.Findings from report.Alarms, report.Advice and report.Stock, with
// the registry's severity and explanation. CheckProgram calls it; a report made by hand calls it
// once its lists are filled.
void CollectFindings(CheckReport& report);
// A deviation from the target drawing in words: "cut 0.01 mm into the drawn part from Z-10 to
// Z-12.5 (0.785 mm3)".
std::string TargetMessage(const target::Deviation& d);

// The findings in the reports (StockReport.cpp), from report.Findings: the JSON "advice" entries
// and the text lines of every finding but the alarms, the stock's with the tool and its position;
// the stock's own member and lines; and whether the stock's findings alone fail the check.
void AppendAdviceJson(std::string& out, const CheckReport& report);
void AppendAdviceText(std::string& out, const CheckReport& report);
void AppendStockJson(std::string& out, const CheckReport& report);
void AppendStockText(std::string& out, const CheckReport& report);
bool StockFails(const CheckReport& report, bool strict);

// The machine's part of the reports (MachineReport.cpp): its time beside the control's; its
// limits go with every other finding (CollectFindings).
void AppendMachineJson(std::string& out, const CheckReport& report);
void AppendMachineText(std::string& out, const CheckReport& report);
// A machine time's split as JSON members ("cutting_s": ..., "m_codes_s": ...) and as words
// ("cutting 1.20, rapid 0.35, ...", seconds).
void AppendSplitJson(std::string& out, const machine::Split& split);
std::string SplitText(const machine::Split& split);

// The comparison with the target drawing (TargetReport.cpp): its regions, beside the findings
// (gouge, excess) that every report lists.
void AppendTargetJson(std::string& out, const CheckReport& report);
void AppendTargetText(std::string& out, const CheckReport& report);
// The inspection sheet's lines as the reports write them: one a size, the feature's name and
// verdict on its first size's line; numbers to four decimals, angles in degrees.
struct SheetRow {
    std::string Feature, Size, Nominal, Simulated, Deviation, Tolerance, Verdict, Note;
    bool Ok = true, Measured = true;
};
std::vector<SheetRow> SheetRows(const target::Sheet& sheet);
// "8 features, 2 not OK (general tolerance class m)"
std::string SheetSummary(const target::Sheet& sheet);

} // namespace check
