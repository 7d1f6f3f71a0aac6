// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/ProgramDiff.h"

#include "check/Archive.h"
#include "check/Decode.h"
#include "check/DiffHtml.h"
#include "check/ProgramFiles.h"
#include "check/Shown.h"
#include "stock/MmText.h"
#include "stock/SetupFile.h"
#include "target/Compare.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace check {

namespace {

// The overlay of the HTML page.
constexpr double DiffPictureWidth = 960, DiffPictureHeight = 600;

// A program file with its setup, ready to be compared: read as a check of it alone reads it
// (and as the window does), with the control and unit its setup names and the machine behind it.
bool Read(const std::string& path, const CheckOptions& check, const StockOptions& stock, ProgramVersion& v,
          std::string& complaint) {
    if (!ReadProgram(path, v.Text, complaint)) {
        complaint = path + ": " + complaint;
        return false;
    }
    v.File = path;
    v.Options = check;
    v.Options.ProgramPath = path; // its subprograms beside it
    stock.ApplyProgramChoice(path, v.Options.Lathe, stock.ControlGiven, stock.UnitGiven, complaint);
    if (!complaint.empty()) return false;
    v.Options.Stock = stock.SetupFor(path, complaint);
    if (!complaint.empty()) return false;
    if (!v.Options.Machine) v.Options.Machine = stock.Machine.For(stock.SetupPathFor(path), complaint);
    if (!complaint.empty()) return false;
    if (!v.Options.Stock) {
        complaint = path + ": --diff needs a stock: give --setup FILE or --stock, or put " +
                    stock::DefaultSetupPath(path) + " beside the program";
        return false;
    }
    return true;
}

std::string Fine(double v) {
    return NumberJson(std::round(v * 1e4) / 1e4 + 0.0);
}

std::string Lines(const std::vector<int64_t>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? ", " : "") + std::to_string(lines[i]);
    return out;
}

} // namespace

std::map<double, std::pair<double, double>> ToolTimesOf(const VersionDiff& d) {
    std::map<double, std::pair<double, double>> tools;
    for (const auto& [tool, s] : d.Old.ToolTimes)
        tools[tool].first = s;
    for (const auto& [tool, s] : d.New.ToolTimes)
        tools[tool].second = s;
    return tools;
}

std::map<double, std::pair<double, double>> MachineToolTimesOf(const VersionDiff& d) {
    std::map<double, std::pair<double, double>> tools;
    if (d.Old.Machine)
        for (const auto& [tool, split] : d.Old.Machine->Tools)
            tools[tool].first = split.Total();
    if (d.New.Machine)
        for (const auto& [tool, split] : d.New.Machine->Tools)
            tools[tool].second = split.Total();
    return tools;
}

int DiffPrograms(const std::string& oldPath, const std::string& newPath, const CheckOptions& check,
                 const StockOptions& stock, bool json, std::string& out, std::string& complaint,
                 std::string* html) {
    ProgramVersion before, after;
    if (!Read(oldPath, check, stock, before, complaint) || !Read(newPath, check, stock, after, complaint))
        return 2;
    // The page shows the blocks' text and draws NEW again: both versions are kept for it.
    const std::optional<VersionDiff> diff =
        html ? CompareVersions(before, after, complaint)
             : CompareVersions(std::move(before), std::move(after), complaint);
    if (!diff) return 2;
    const VersionDiff& d = *diff;
    if (html) {
        // NEW drawn against OLD's part: its regions in the target's two colours.
        CheckOptions drawn = after.Options;
        drawn.Target = SectionAsTarget(d.Old);
        std::string svg;
        CheckWithPicture(after.Text, newPath, drawn, svg, DiffPictureWidth, DiffPictureHeight);
        *html = DiffHtml(d, before.Text, after.Text, svg);
    }
    if (json) {
        out += "{\"diff\": {\"old\": " + JsonString(oldPath) + ", \"new\": " + JsonString(newPath) +
               ", \"verdict\": " + JsonString(d.Verdict) + ", \"tolerance\": " + Fine(d.Tolerance) +
               ", \"regions\": [";
    } else {
        out += Shown(oldPath) + " -> " + Shown(newPath) + ": " + d.Verdict + "\n";
    }
    for (size_t i = 0; i < d.Regions.size(); ++i) {
        const target::Deviation& c = d.Regions[i].Change;
        const bool removed = d.Regions[i].Removed;
        const std::vector<int64_t>& oldLines = d.Regions[i].OldLines;
        if (json)
            out += (i ? ", " : "") + std::string("{\"kind\": \"") + (removed ? "removed" : "added") +
                   "\", \"depth\": " + Fine(c.Depth) + ", \"area_mm2\": " + Fine(c.AreaMm2) +
                   ", \"volume_mm3\": " + Fine(c.VolumeMm3) + ", \"z\": [" + Fine(c.Z0) + ", " + Fine(c.Z1) +
                   "], \"old_lines\": [" + Lines(oldLines) + "], \"new_lines\": [" + Lines(c.Lines) + "]}";
        else
            out += std::string("  ") + (removed ? "removed " : "added ") + stock::MmText(c.Depth) +
                   " mm deep, Z" + stock::MmText(c.Z1) + " to Z" + stock::MmText(c.Z0) + ", " +
                   stock::MmText(c.AreaMm2) + " mm2, " + stock::MmText(c.VolumeMm3) + " mm3; old lines " +
                   (oldLines.empty() ? "none" : Lines(oldLines)) + ", new lines " +
                   (c.Lines.empty() ? "none" : Lines(c.Lines)) + "\n";
    }
    // The rest of both reports, side by side: the control's times, and the machine's beside
    // them when one was given.
    std::map<double, std::pair<double, double>> tools = ToolTimesOf(d);
    const std::map<double, std::pair<double, double>> machine = MachineToolTimesOf(d);
    const bool machined = d.Old.Machine || d.New.Machine;
    for (const auto& [tool, t] : machine)
        tools.try_emplace(tool, 0.0, 0.0); // a tool with machine time only (a tool change)
    const auto machineOf = [&machine](double tool) {
        const auto it = machine.find(tool);
        return it == machine.end() ? std::pair<double, double>{0, 0} : it->second;
    };
    const double oldMachine = d.Old.Machine ? d.Old.Machine->Total.Total() : 0,
                 newMachine = d.New.Machine ? d.New.Machine->Total.Total() : 0;
    const findings::Counts &was = d.OldCounts, &is = d.NewCounts;
    const auto alarmsJson = [](const std::vector<Alarm>& alarms) {
        std::string a;
        for (size_t i = 0; i < alarms.size(); ++i)
            a += (i ? ", " : "") + std::string("{\"line\": ") + std::to_string(alarms[i].Line) +
                 ", \"message\": " + JsonString(alarms[i].Message) + "}";
        return "[" + a + "]";
    };
    if (json) {
        out += "], \"cutting_time_s\": [" + NumberJson(d.Old.CuttingTime) + ", " +
               NumberJson(d.New.CuttingTime) + "]";
        if (machined)
            out += ", \"machine_time_s\": [" + NumberJson(oldMachine) + ", " + NumberJson(newMachine) + "]";
        out += ", \"tools\": [";
        bool first = true;
        for (const auto& [tool, t] : tools) {
            out += (first ? "" : ", ") + std::string("{\"tool\": ") + NumberJson(tool) +
                   ", \"cutting_time_s\": [" + NumberJson(t.first) + ", " + NumberJson(t.second) + "]";
            if (machined) {
                const auto m = machineOf(tool);
                out += ", \"machine_time_s\": [" + NumberJson(m.first) + ", " + NumberJson(m.second) + "]";
            }
            out += "}";
            first = false;
        }
        out += "], \"alarms\": [" + std::to_string(was.Alarms) + ", " + std::to_string(is.Alarms) +
               "], \"alarms_only_old\": " + alarmsJson(d.OnlyOldAlarms) +
               ", \"alarms_only_new\": " + alarmsJson(d.OnlyNewAlarms) + ", \"findings\": [" +
               std::to_string(was.Total() - was.Alarms) + ", " + std::to_string(is.Total() - is.Alarms) +
               "]}}\n";
    } else {
        out += "  cutting time " + Fine(d.Old.CuttingTime) + " s -> " + Fine(d.New.CuttingTime) + " s";
        if (machined) out += ", machine time " + Fine(oldMachine) + " s -> " + Fine(newMachine) + " s";
        out += "\n";
        for (const auto& [tool, t] : tools) {
            const auto m = machineOf(tool);
            if (t.first == t.second && m.first == m.second) continue;
            out += "  tool " + NumberJson(tool) + ": " + Fine(t.first) + " s -> " + Fine(t.second) + " s";
            if (machined) out += ", machine " + Fine(m.first) + " s -> " + Fine(m.second) + " s";
            out += "\n";
        }
        out += "  findings " + findings::CountsText(was) + " -> " + findings::CountsText(is) + "\n";
    }
    return d.Changed() ? 1 : 0;
}

std::shared_ptr<const target::Target> FinishedSectionOf(const std::string& path, const CheckOptions& check,
                                                        const StockOptions& stock, std::string& complaint) {
    ProgramVersion v;
    if (!Read(path, check, stock, v, complaint)) return nullptr;
    CheckReport report = CheckProgram(v.Text, v.Options);
    report.File = path;
    if (!report.Stock) {
        complaint = path + ": " + report.StockError;
        return nullptr;
    }
    return SectionAsTarget(report);
}

int DiffWithBaseline(const std::string& baseline, const std::vector<std::string>& arguments,
                     const CheckOptions& check, const StockOptions& stock, bool json, std::string& out,
                     std::string& complaints) {
    size_t same = 0, changed = 0, fresh = 0, failed = 0;
    for (const std::string& argument : arguments) {
        std::string folder = argument;
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const bool isFolder = std::filesystem::is_directory(folder);
        for (const ProgramEntry& entry : ListPrograms({argument})) {
            if (!entry.Error.empty()) {
                complaints += entry.Path + ": " + entry.Error + "\n";
                ++failed;
                continue;
            }
            // The same place below the baseline: the path below the folder named, or the name.
            const std::string below = isFolder && entry.Path.rfind(folder + "/", 0) == 0
                                          ? entry.Path.substr(folder.size() + 1)
                                          : std::filesystem::path(entry.Path).filename().string();
            const std::string old = (std::filesystem::path(baseline) / below).string();
            if (!std::filesystem::is_regular_file(old)) {
                ++fresh;
                out += json ? "{\"baseline\": {\"new\": " + JsonString(entry.Path) + ", \"old\": null}}\n"
                            : Shown(entry.Path) + ": new, no " + Shown(old) + " to compare with\n";
                continue;
            }
            std::string complaint;
            const int status = DiffPrograms(old, entry.Path, check, stock, json, out, complaint);
            if (status == 2) {
                complaints += Shown(old) + " -> " + Shown(entry.Path) + ": " + complaint + "\n";
                ++failed;
            } else {
                ++(status == 0 ? same : changed);
            }
        }
    }
    const size_t all = same + changed + fresh + failed;
    if (json)
        out += "{\"summary\": {\"programs\": " + std::to_string(all) + ", \"same\": " + std::to_string(same) +
               ", \"changed\": " + std::to_string(changed) + ", \"new\": " + std::to_string(fresh) +
               ", \"not_compared\": " + std::to_string(failed) + "}}\n";
    else
        out += "baseline " + Shown(baseline) + ": " + std::to_string(all) + " programs, " +
               std::to_string(same) + " the same part (within the tolerance), " + std::to_string(changed) +
               " changed, " + std::to_string(fresh) + " new, " + std::to_string(failed) + " not compared\n";
    return failed ? 2 : changed ? 1 : 0;
}

} // namespace check
