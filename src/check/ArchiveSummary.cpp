// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/ArchiveSummary.h"

#include "check/Shown.h"

#include <algorithm>
#include <cstdio>

namespace check {

namespace {

std::string Counts(const std::map<std::string, size_t>& counts) {
    std::string out = "{";
    for (const auto& [key, n] : counts) {
        if (out.size() > 1) out += ", ";
        out += JsonString(key) + ": " + std::to_string(n);
    }
    return out + "}";
}

std::string FixedSeconds(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s", seconds);
    return buf;
}

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string SecondsJson(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", seconds);
    return buf;
}

int ProgramStatus(const ProgramResult& r, bool strict) {
    if (r.Subprogram) return 0;
    if (!r.Report || !r.SetupError.empty()) return 2;
    return r.Report->Fails(strict) ? 1 : 0;
}

std::string ResultJson(const ProgramResult& r) {
    if (r.Subprogram) return "{\"file\": " + JsonString(r.Path) + ", \"subprogram\": true}\n";
    if (!r.Report) return "{\"file\": " + JsonString(r.Path) + ", \"error\": " + JsonString(r.Error) + "}\n";
    std::string out = ReportJson(*r.Report);
    out.pop_back(); // the closing brace: the time goes last
    if (!r.SetupError.empty()) out += ", \"setup_error\": " + JsonString(r.SetupError);
    return out + ", \"check_time_s\": " + SecondsJson(r.Seconds) + "}\n";
}

std::string ResultText(const ProgramResult& r) {
    if (r.Subprogram) return Shown(r.Path) + "\n  subprogram: checked as part of the programs that call it\n";
    if (!r.Report) return Shown(r.Path) + "\n  not checked: " + Shown(r.Error) + "\n";
    const std::string setup = r.SetupError.empty() ? "" : "  setup: " + Shown(r.SetupError) + "\n";
    return ReportText(*r.Report) + setup + "  check time " + FixedSeconds(r.Seconds) + "\n";
}

void ArchiveSummary::Add(size_t index, const ProgramResult& r) {
    ++Programs;
    Status = std::max(Status, r.Status);
    if (r.Subprogram) {
        ++Subprograms;
        return;
    }
    Times.push_back({index, r.Seconds, r.Path});
    if (!r.Report) {
        ++Unreadable;
        return;
    }
    // Run without its setup: what the control found still counts, but the program is not checked.
    if (!r.SetupError.empty()) {
        ++Unreadable;
        Setups.push_back({index, r.Path, r.SetupError});
    }
    if (r.Status == 1) ++Failing;
    Blocks += r.Report->Blocks;
    CuttingSeconds += r.Report->CuttingTime;
    if (const auto& m = r.Report->Machine) {
        ++MachineTimed;
        MachineControlSeconds += r.Report->CuttingTime;
        machine::Split& t = MachineTime;
        t.Cutting += m->Total.Cutting, t.Rapid += m->Total.Rapid, t.Acceleration += m->Total.Acceleration;
        t.ToolChange += m->Total.ToolChange, t.SpindleRamp += m->Total.SpindleRamp;
        t.Dwell += m->Total.Dwell, t.MCodes += m->Total.MCodes;
    }
    const findings::Counts counts = findings::CountsOf(r.Report->Findings);
    if (counts.Alarms) ++WithAlarms;
    for (const findings::Finding& f : r.Report->Findings)
        ++(f.From == findings::Source::Alarm ? Alarms[f.Message] : Findings[f.Code]);
    AlarmCount += counts.Alarms;
    FindingCount += counts.Total() - counts.Alarms;
}

std::vector<ArchiveSummary::Timed> ArchiveSummary::Slowest(size_t count) const {
    std::vector<Time> times = Times;
    count = std::min(count, times.size());
    std::partial_sort(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(count), times.end(),
                      [](const Time& a, const Time& b) {
                          return a.Seconds != b.Seconds ? a.Seconds > b.Seconds : a.Index < b.Index;
                      });
    std::vector<Timed> out;
    for (size_t i = 0; i < count; ++i)
        out.push_back({times[i].Path, times[i].Seconds});
    return out;
}

std::vector<ArchiveSummary::SetupProblem> ArchiveSummary::SetupProblems() const {
    std::vector<SetupProblem> out = Setups;
    std::sort(out.begin(), out.end(),
              [](const SetupProblem& a, const SetupProblem& b) { return a.Index < b.Index; });
    return out;
}

std::string ArchiveSummary::Json() const {
    std::string out = "{\"summary\": {\"programs\": " + std::to_string(Programs);
    out += ", \"unreadable\": " + std::to_string(Unreadable);
    if (Subprograms) out += ", \"subprograms\": " + std::to_string(Subprograms);
    out += ", \"with_alarms\": " + std::to_string(WithAlarms);
    out += ", \"failing\": " + std::to_string(Failing);
    out += ", \"blocks\": " + std::to_string(Blocks);
    out += ", \"alarms\": {\"total\": " + std::to_string(AlarmCount) + ", \"by_message\": " + Counts(Alarms) +
           "}";
    out += ", \"findings\": {\"total\": " + std::to_string(FindingCount) +
           ", \"by_code\": " + Counts(Findings) + "}";
    if (MachineTimed) { // only when a machine was given: the summary stays as it was without
        out += ", \"machine\": {\"programs\": " + std::to_string(MachineTimed) +
               ", \"time_s\": " + SecondsJson(MachineTime.Total()) +
               ", \"control_time_s\": " + SecondsJson(MachineControlSeconds) + ", ";
        AppendSplitJson(out, MachineTime);
        out += "}";
    }
    out += ", \"slowest\": [";
    bool first = true;
    for (const Timed& t : Slowest()) {
        if (!first) out += ", ";
        first = false;
        out += "{\"file\": " + JsonString(t.Path) + ", \"check_time_s\": " + SecondsJson(t.Seconds) + "}";
    }
    out += "], \"jobs\": " + std::to_string(Jobs);
    out += ", \"wall_time_s\": " + SecondsJson(WallSeconds);
    return out + ", \"status\": " + std::to_string(Status) + "}}\n";
}

std::string ArchiveSummary::Text() const {
    std::string out = "summary: " + Plural(Programs, "program", "programs") + " in " +
                      FixedSeconds(WallSeconds) + " with " + Plural(Jobs, "job", "jobs") + "\n";
    out += "  " + Plural(static_cast<size_t>(Blocks), "block", "blocks") + "; " +
           Plural(WithAlarms, "program", "programs") + " with alarms, " + std::to_string(Failing) +
           " failing, " + std::to_string(Unreadable) + " not checked; exit status " + std::to_string(Status) +
           "\n";
    if (Subprograms)
        out += "  " +
               Plural(Subprograms, "subprogram in a file of its own", "subprograms in files of their own") +
               ", checked only as part of the programs calling " + (Subprograms == 1 ? "it" : "them") + "\n";
    if (MachineTimed)
        out += "  machine time " + FixedSeconds(MachineTime.Total()) + " over " +
               Plural(MachineTimed, "program", "programs") + ", control " +
               FixedSeconds(MachineControlSeconds) + ": " + SplitText(MachineTime) + "\n";
    if (!Setups.empty()) out += "  not checked, the setup could not be read:\n";
    for (const SetupProblem& p : SetupProblems())
        out += "    " + Shown(p.Path) + ": " + Shown(p.Error) + "\n";
    out += "  " + Plural(AlarmCount, "alarm", "alarms") + (Alarms.empty() ? "\n" : ":\n");
    for (const auto& [message, n] : Alarms)
        out += "    " + std::to_string(n) + "  " + Shown(message) + "\n";
    out += "  " + Plural(FindingCount, "finding", "findings") + (Findings.empty() ? "\n" : ":\n");
    for (const auto& [code, n] : Findings)
        out += "    " + std::to_string(n) + "  " + Shown(code) + "\n";
    const std::vector<Timed> slowest = Slowest();
    if (!slowest.empty()) out += "  slowest:\n";
    for (const Timed& t : slowest)
        out += "    " + FixedSeconds(t.Seconds) + "  " + Shown(t.Path) + "\n";
    return out;
}

} // namespace check
