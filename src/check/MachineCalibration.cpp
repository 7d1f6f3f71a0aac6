// SPDX-License-Identifier: GPL-3.0-or-later
// --calibrate: the machine fitted to cycle times measured on it. Each program of the list runs
// once as a check runs it (its setup, the options given); the planner's record of the run is
// planned again for every trial profile (machine/Calibrate.h).

#include "check/Checker.h"
#include "check/Decode.h"
#include "check/MachineOptions.h"
#include "check/Shown.h"
#include "check/StockOptions.h"
#include "machine/Calibrate.h"
#include "machine/ProfileFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace check {

namespace {

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string Trim(std::string s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

struct Row {
    std::string Name;    // as the list gives it
    std::string Program; // from the list's folder
    double Seconds;
};

// program,seconds a line; a first line whose seconds are no number is a heading; # begins a
// comment line. A program's path is taken from the list's folder.
bool ReadList(const std::string& path, std::vector<Row>& rows, std::string& complaint) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    if (!in || !std::filesystem::is_regular_file(path, ec)) {
        complaint = path + ": cannot be read";
        return false;
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::string line;
    bool heading = false;
    for (int n = 1; std::getline(in, line); ++n) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t comma = line.rfind(',');
        const std::string name = comma == std::string::npos ? "" : Trim(line.substr(0, comma));
        const std::string value = comma == std::string::npos ? "" : Trim(line.substr(comma + 1));
        double seconds = 0;
        const auto [end, ec2] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        const bool number = !value.empty() && ec2 == std::errc() && end == value.data() + value.size();
        if (!number && rows.empty() && n == 1) { // the heading
            heading = true;
            continue;
        }
        if (name.empty() || !number || !(seconds > 0) || !std::isfinite(seconds)) {
            complaint = path + ":" + std::to_string(n) +
                        ": a line must hold a program and its measured seconds (more than 0), " +
                        "separated by a comma: " + Shown(line);
            return false;
        }
        const std::filesystem::path program(name);
        rows.push_back({name, program.is_absolute() ? name : (folder / program).string(), seconds});
    }
    if (rows.empty()) {
        complaint = path + (heading ? ": lists no program below its first line (read as a heading)"
                                    : ": lists no program");
        return false;
    }
    return true;
}

} // namespace

int CalibrateMachine(const CheckOptions& check, const StockOptions& stock, bool json, std::string& report,
                     std::string& complaint) {
    std::vector<Row> rows;
    if (!ReadList(stock.Machine.Measurements, rows, complaint)) return 2;
    std::vector<machine::Measured> programs;
    std::shared_ptr<const machine::Profile> start;
    std::string startName;
    MachineOptions asked = stock.Machine;
    asked.Asked = true;
    for (const Row& row : rows) {
        std::u16string text;
        if (std::string why; !ReadProgram(row.Program, text, why)) {
            complaint = row.Program + ": " + why;
            return 2;
        }
        CheckOptions options = check;
        options.Advice = false;
        std::string problem;
        options.Stock = stock.SetupFor(row.Program, problem);
        if (!problem.empty()) {
            complaint = problem;
            return 2;
        }
        // The profile to start from: --machine=FILE, else the first program's setup's, else a
        // typical small lathe.
        const std::string setupPath = stock.SetupPathFor(row.Program);
        options.Machine = asked.For(setupPath, problem);
        if (!problem.empty()) {
            complaint = problem;
            return 2;
        }
        if (!start) {
            start = options.Machine;
            startName = !asked.File.empty() ? asked.File
                        : !machine::MachineFileNamedBy(setupPath).empty()
                            ? machine::MachineFileNamedBy(setupPath)
                        : start->Assumed.size() < machine::ProfileKeys().size() ? setupPath
                                                                                : "a typical small lathe";
        }
        machine::Measured m;
        m.Name = row.Name;
        m.Seconds = row.Seconds;
        options.MachineRecording = &m.Run;
        const CheckReport r = CheckProgram(text, options);
        if (r.FailureMessage() || !r.Alarms.empty()) {
            complaint = row.Program + ": " +
                        (r.FailureMessage() ? std::string(r.FailureMessage())
                                            : "alarm at line " + std::to_string(r.Alarms.front().Line) +
                                                  ": " + r.Alarms.front().Message) +
                        "; a program that does not run has no cycle time to fit";
            return 2;
        }
        programs.push_back(std::move(m));
    }
    const machine::Calibration c = machine::Calibrate(programs, *start);
    if (!c.Ok) {
        complaint = stock.Machine.Measurements + ": " + c.Error;
        return 2;
    }
    // Each program's residual and leave-one-out error, percent of its measured time.
    const size_t count = programs.size();
    std::vector<double> residual(count), out(count);
    double sum = 0, sumOut = 0, worst = 0;
    size_t worstAt = 0;
    bool outs = false;
    for (size_t i = 0; i < count; ++i) {
        const double measured = programs[i].Seconds;
        residual[i] = (c.Predicted[i] - measured) / measured * 100;
        sum += residual[i] * residual[i];
        if (c.LeaveOneOut[i] > 0) {
            outs = true;
            out[i] = (c.LeaveOneOut[i] - measured) / measured * 100;
            sumOut += out[i] * out[i];
            if (std::fabs(out[i]) > std::fabs(worst)) worst = out[i], worstAt = i;
        }
    }
    const double n = static_cast<double>(count);
    if (json) {
        report += "{\"calibration\": {\"from\": " + JsonString(startName) +
                  ", \"steps\": " + std::to_string(c.Iterations) + ", \"parameters\": {";
        for (int k = 0; k < machine::ParameterCount; ++k) {
            const auto p = static_cast<machine::Parameter>(k);
            report += std::string(k ? ", " : "") + "\"" + machine::ParameterKey(p) +
                      "\": {\"value\": " + NumberJson(machine::ParameterValue(c.Fitted, p)) +
                      ", \"was\": " + NumberJson(machine::ParameterValue(*start, p)) +
                      ", \"fitted\": " + (c.Fixed[k] ? "false" : "true") + "}";
        }
        report += "}, \"programs\": [";
        for (size_t i = 0; i < count; ++i) {
            report += std::string(i ? ", " : "") + "{\"program\": " + JsonString(programs[i].Name) +
                      ", \"measured_s\": " + NumberJson(programs[i].Seconds) +
                      ", \"fitted_s\": " + NumberJson(c.Predicted[i]) +
                      ", \"residual_pct\": " + NumberJson(residual[i]) +
                      ", \"left_out_s\": " + (c.LeaveOneOut[i] > 0 ? NumberJson(c.LeaveOneOut[i]) : "null") +
                      ", \"left_out_pct\": " + (c.LeaveOneOut[i] > 0 ? NumberJson(out[i]) : "null") + "}";
        }
        report += "], \"residual_rms_pct\": " + NumberJson(std::sqrt(sum / n)) +
                  ", \"left_out_rms_pct\": " + (outs ? NumberJson(std::sqrt(sumOut / n)) : "null") +
                  ", \"left_out_largest_pct\": " + (outs ? NumberJson(worst) : "null") + "}}\n";
        return 0;
    }
    report += "machine calibrated on " + std::to_string(count) + " programs, from " + Shown(startName) +
              " (" + std::to_string(c.Iterations) + " steps)\n";
    for (int k = 0; k < machine::ParameterCount; ++k) {
        const auto p = static_cast<machine::Parameter>(k);
        const std::string key = machine::ParameterKey(p);
        report += "  " + machine::ValueText(c.Fitted, key);
        if (c.Fixed[k] && p == machine::Parameter::SpindleAccel && !start->Ramp.empty())
            report += " (kept: the measured spindle_ramp stands for it)\n";
        else if (c.Fixed[k])
            report += " (kept: no program's time depends on it)\n";
        else
            report += " (was " + machine::ValueText(*start, key).substr(key.size() + 3) + ")\n";
    }
    report += "  program: measured s, fitted s, residual %, left out %\n";
    for (size_t i = 0; i < count; ++i)
        report += "  " + Shown(programs[i].Name) + ": " + Fixed(programs[i].Seconds, 2) + ", " +
                  Fixed(c.Predicted[i], 2) + ", " + Fixed(residual[i], 2) + ", " +
                  (c.LeaveOneOut[i] > 0 ? Fixed(out[i], 2) : "-") + "\n";
    report += "  residual RMS " + Fixed(std::sqrt(sum / n), 2) + " %";
    if (outs)
        report += "; leave-one-out RMS " + Fixed(std::sqrt(sumOut / n), 2) + " %, largest " +
                  Fixed(worst, 2) + " % (" + Shown(programs[worstAt].Name) + ")";
    else
        report += "; too few programs to leave one out";
    report += "\n";
    return 0;
}

} // namespace check
