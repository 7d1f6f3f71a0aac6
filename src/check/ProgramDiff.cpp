// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/ProgramDiff.h"

#include "check/Decode.h"
#include "check/ProgramFiles.h"
#include "check/Shown.h"
#include "stock/SetupFile.h"
#include "target/Compare.h"

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace check {

namespace {

struct Version {
    std::u16string Text;
    CheckOptions Options;
    CheckReport Report;
};

bool Run(const std::string& path, const CheckOptions& check, const StockOptions& stock, Version& v,
         std::string& complaint) {
    if (!ReadProgram(path, v.Text, complaint)) {
        complaint = path + ": " + complaint;
        return false;
    }
    v.Options = check;
    v.Options.Stock = stock.SetupFor(path, complaint);
    if (!complaint.empty()) return false;
    if (!v.Options.Stock) {
        complaint = path + ": --diff needs a stock: give --setup FILE or --stock, or put " +
                    stock::DefaultSetupPath(path) + " beside the program";
        return false;
    }
    v.Report = CheckProgram(v.Text, v.Options);
    v.Report.File = path;
    if (!v.Report.Stock) {
        complaint = path + ": " + v.Report.StockError;
        return false;
    }
    return true;
}

// The other version's finished section as the part `v` is compared with.
std::shared_ptr<const target::Target> AsTarget(const Version& v) {
    auto t = std::make_shared<target::Target>();
    t->Section = v.Report.Stock->Part;
    t->Outlines = t->Section.Outlines();
    t->Options.File = v.Report.File;
    return t;
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

// The region of the other comparison lying over `d`, for the other file's blocks.
const target::Deviation* Across(const target::Deviation& d, const target::Comparison& other,
                                target::Deviation::Kind kind) {
    for (const target::Deviation& o : other.Deviations)
        if (o.Type == kind && !o.Area.Intersect(d.Area).Empty()) return &o;
    return nullptr;
}

} // namespace

int DiffPrograms(const std::string& oldPath, const std::string& newPath, const CheckOptions& check,
                 const StockOptions& stock, bool json, std::string& out, std::string& complaint) {
    Version before, after;
    if (!Run(oldPath, check, stock, before, complaint) || !Run(newPath, check, stock, after, complaint))
        return 2;
    // Their own findings, before either is compared with the other.
    const findings::Counts was = findings::CountsOf(before.Report.Findings),
                           is = findings::CountsOf(after.Report.Findings);
    // NEW against OLD: its gouges are material it removed, its excess material it added, with
    // its own blocks; OLD against NEW gives the old file's blocks for the same regions.
    after.Options.Target = AsTarget(before);
    after.Report = CheckProgram(after.Text, after.Options);
    before.Options.Target = AsTarget(after);
    before.Report = CheckProgram(before.Text, before.Options);
    if (!after.Report.Target || !before.Report.Target) {
        complaint = "the stock could not be cut";
        return 2;
    }
    const target::Comparison& changes = *after.Report.Target;
    const stock::Region& a = after.Report.Stock->Part;
    const stock::Region& b = before.Report.Stock->Part;
    const bool identical = a.Minus(b).Area() + b.Minus(a).Area() < 1e-9;
    const std::string verdict = !changes.Deviations.empty()
                                    ? "changed: " + std::to_string(changes.Deviations.size()) +
                                          (changes.Deviations.size() == 1 ? " region" : " regions")
                                : identical ? "same part"
                                            : "same within tolerance";
    if (json) {
        out += "{\"diff\": {\"old\": " + JsonString(oldPath) + ", \"new\": " + JsonString(newPath) +
               ", \"verdict\": " + JsonString(verdict) + ", \"tolerance\": " + Fine(changes.Tolerance) +
               ", \"regions\": [";
    } else {
        out += Shown(oldPath) + " -> " + Shown(newPath) + ": " + verdict + "\n";
    }
    for (size_t i = 0; i < changes.Deviations.size(); ++i) {
        const target::Deviation& d = changes.Deviations[i];
        const bool removed = d.Type == target::Deviation::Kind::Gouge;
        // Material NEW removed is material OLD left: OLD's excess against NEW, and the other way.
        const target::Deviation* old =
            Across(d, *before.Report.Target,
                   removed ? target::Deviation::Kind::Excess : target::Deviation::Kind::Gouge);
        const std::vector<int64_t> oldLines = old ? old->Lines : std::vector<int64_t>{};
        if (json)
            out += (i ? ", " : "") + std::string("{\"kind\": \"") + (removed ? "removed" : "added") +
                   "\", \"depth\": " + Fine(d.Depth) + ", \"area_mm2\": " + Fine(d.AreaMm2) +
                   ", \"volume_mm3\": " + Fine(d.VolumeMm3) + ", \"z\": [" + Fine(d.Z0) + ", " + Fine(d.Z1) +
                   "], \"old_lines\": [" + Lines(oldLines) + "], \"new_lines\": [" + Lines(d.Lines) + "]}";
        else
            out += std::string("  ") + (removed ? "removed " : "added ") + Fine(d.Depth) + " mm deep, Z" +
                   Fine(d.Z1) + " to Z" + Fine(d.Z0) + ", " + Fine(d.AreaMm2) + " mm2, " + Fine(d.VolumeMm3) +
                   " mm3; old lines " + (oldLines.empty() ? "none" : Lines(oldLines)) + ", new lines " +
                   (d.Lines.empty() ? "none" : Lines(d.Lines)) + "\n";
    }
    // The rest of both reports, side by side.
    std::map<double, std::pair<double, double>> tools;
    for (const auto& [tool, s] : before.Report.ToolTimes)
        tools[tool].first = s;
    for (const auto& [tool, s] : after.Report.ToolTimes)
        tools[tool].second = s;
    if (json) {
        out += "], \"cutting_time_s\": [" + NumberJson(before.Report.CuttingTime) + ", " +
               NumberJson(after.Report.CuttingTime) + "], \"tools\": [";
        bool first = true;
        for (const auto& [tool, t] : tools) {
            out += (first ? "" : ", ") + std::string("{\"tool\": ") + NumberJson(tool) +
                   ", \"cutting_time_s\": [" + NumberJson(t.first) + ", " + NumberJson(t.second) + "]}";
            first = false;
        }
        out += "], \"alarms\": [" + std::to_string(was.Alarms) + ", " + std::to_string(is.Alarms) +
               "], \"findings\": [" + std::to_string(was.Total() - was.Alarms) + ", " +
               std::to_string(is.Total() - is.Alarms) + "]}}\n";
    } else {
        out += "  cutting time " + Fine(before.Report.CuttingTime) + " s -> " +
               Fine(after.Report.CuttingTime) + " s\n";
        for (const auto& [tool, t] : tools)
            if (t.first != t.second)
                out +=
                    "  tool " + NumberJson(tool) + ": " + Fine(t.first) + " s -> " + Fine(t.second) + " s\n";
        out += "  findings " + findings::CountsText(was) + " -> " + findings::CountsText(is) + "\n";
    }
    return changes.Deviations.empty() ? 0 : 1;
}

std::shared_ptr<const target::Target> FinishedSectionOf(const std::string& path, const CheckOptions& check,
                                                        const StockOptions& stock, std::string& complaint) {
    Version v;
    if (!Run(path, check, stock, v, complaint)) return nullptr;
    return AsTarget(v);
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
