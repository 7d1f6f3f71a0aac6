// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the check of an archive found: each program's result as it is streamed, and the summary
// over all of them that closes the output (text for people, one JSON object for tools).

#include "check/Checker.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace check {

// One program of the archive once checked.
struct ProgramResult {
    std::string Path;
    std::string Error;                 // why it could not be read or checked, else empty
    std::optional<CheckReport> Report; // when it was checked
    double Seconds = 0;                // reading, checking and drawing it
    int Status = 0;                    // 0 good, 1 alarm or failing finding, 2 not checked
    bool Strict = false;               // checked with --strict: warnings fail it too
    std::string Picture;               // the fitted path as an SVG element, for the HTML report
    // The setup the program was to be checked with could not be read (file, line, value): it was
    // checked without one.
    std::string SetupError;
    // A subprogram kept in a file of its own (IsSubprogramFile): listed, not checked on its own.
    bool Subprogram = false;
};

// The exit status of one program: 2 when it could not be checked or its setup could not be read,
// 1 when it raised an alarm, could not run, or has an error-level finding (with `strict`, any
// finding), else 0.
int ProgramStatus(const ProgramResult& r, bool strict);

// One program's report as streamed: the checker's report of a single program with the time it
// took; for a program that could not be checked, its path and the reason.
std::string ResultJson(const ProgramResult& r);
std::string ResultText(const ProgramResult& r);

class ArchiveSummary {
  public:
    // Counts a program in (in any order).
    void Add(size_t index, const ProgramResult& r);

    size_t Programs = 0;    // in the list, read or not
    size_t Unreadable = 0;  // could not be read or checked, or its setup could not be read
    size_t Subprograms = 0; // taken as subprograms of the programs beside them, not checked
    size_t WithAlarms = 0;  // raised at least one alarm
    size_t Failing = 0;     // status 1
    int64_t Blocks = 0;
    std::map<std::string, size_t> Alarms;   // message -> how often
    std::map<std::string, size_t> Findings; // code of a finding but an alarm -> how often
    size_t AlarmCount = 0, FindingCount = 0;
    double CuttingSeconds = 0; // the control's time, over the programs checked
    // Over the programs timed on a machine: how many, the control's time and the machine's.
    size_t MachineTimed = 0;
    double MachineControlSeconds = 0;
    machine::Split MachineTime;
    int Status = 0; // the worst of the programs' (2 > 1 > 0)
    unsigned Jobs = 1;
    double WallSeconds = 0;

    // The slowest programs, slowest first (ties in list order); at most `count`.
    struct Timed {
        std::string Path;
        double Seconds;
    };
    std::vector<Timed> Slowest(size_t count = 5) const;

    std::string Json() const; // {"summary": {...}}
    std::string Text() const;

    // The programs whose setup could not be read, in list order.
    struct SetupProblem {
        size_t Index;
        std::string Path, Error;
    };
    std::vector<SetupProblem> SetupProblems() const;

  private:
    std::vector<SetupProblem> Setups;
    struct Time {
        size_t Index;
        double Seconds;
        std::string Path;
    };
    std::vector<Time> Times;
};

// A JSON number of seconds to the microsecond.
std::string SecondsJson(double seconds);

} // namespace check
