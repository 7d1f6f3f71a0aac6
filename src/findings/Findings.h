// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a check of a program found, in one shape for every output: the control's alarms, the
// advice and what the tools hit in the stock are each a Finding, with one severity scale, one
// table of codes and one rule that fails a program. The checker's text, JSON, archive summary and
// HTML report, and the window's problems list, gutter and counts, all read these.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace findings {

// In rising order: comparisons mean "at least as serious".
enum class Severity { Info, Warning, Error };
const char* SeverityName(Severity level); // "info", "warning", "error"

// Where a code comes from.
enum class Source { Alarm, Advice, Stock, Machine };
const char* SourceName(Source from); // "control alarm", "advice", "stock", "machine"

// One code of the registry.
struct CodeInfo {
    std::string_view Code;
    Severity Level;
    Source From;
    std::string_view Explanation; // one line of English
    std::string_view One, Many;   // a few words for one and for several ("rapid into the stock")
};

// Every code there is: the control's alarms (as interp::MeaningOfAlarm names them; "alarm" for a
// text the control never shows), the advice, the stock's findings (with the comparison of the
// finished section with a target drawing), the machine's limits.
const std::vector<CodeInfo>& Registry();
// The code's entry, or null for a code the registry does not know.
const CodeInfo* Lookup(std::string_view code);

struct Position {
    double X = 0, Z = 0; // X a diameter
};

struct Finding {
    std::string Code;
    Severity Level = Severity::Warning;
    Source From = Source::Advice;
    int64_t Line = 0;           // counted as for alarms: 1 + the CR LF pairs before the block's own
    std::string N;              // the sequence number in force ("12"), when the source knows it
    std::optional<int> Tool;    // the tool that did it, for the stock's findings
    std::optional<Position> At; // where the tool was programmed to be, where there is a place
    std::string Message;        // an alarm: the control's own text; else short English naming the fix
    std::string Explanation;    // English: an alarm's meaning, else the code's line of the registry
};

// The one pass/fail rule: errors fail, warnings only with `strict`, info never.
bool Fails(const Finding& f, bool strict);
bool AnyFails(const std::vector<Finding>& all, bool strict);

// A program's verdict: it fails (a failing finding, or `failure`: it could not run as a whole),
// or passes with warnings (a warning that does not fail it), or passes.
enum class Verdict { Pass, Warnings, Fails };
Verdict VerdictOf(const std::vector<Finding>& all, bool strict, bool failure);
const char* VerdictName(Verdict v); // "pass", "warnings", "fails"

// Why a program gets its verdict, in a few words: the findings that decide it (those that fail
// it, else its warnings) by code, the commonest first, with their lines: "3 rapids into the
// stock, lines 7–12; 1 holder collision, line 20; 2 more kinds". Empty when nothing decides
// it (a pass).
std::string ReasonOf(const std::vector<Finding>& all, bool strict);

// The counts the window and the report show: alarms (the control's), and the other findings by
// severity.
struct Counts {
    size_t Alarms = 0, Errors = 0, Warnings = 0, Info = 0;
    size_t Total() const { return Alarms + Errors + Warnings + Info; }
};
Counts CountsOf(const std::vector<Finding>& all);
// "2 alarms, 3 warnings", "1 error, 1 info", "no problems".
std::string CountsText(const Counts& c);

// A finding of the registry's code with the registry's severity, source and explanation (an
// unknown code keeps `fallback` and the advice as its source).
Finding Make(std::string_view code, Severity fallback, int64_t line, std::string message);

// The findings of the three sources as one list in line order: each list keeps its own order,
// and on one line the alarms come before the advice, the advice before the stock's findings.
std::vector<Finding> MergeByLine(std::vector<Finding> alarms, std::vector<Finding> advice,
                                 std::vector<Finding> stock, std::vector<Finding> machine = {});

} // namespace findings
