// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/DiffHtml.h"

#include "check/HtmlReport.h"
#include "check/ProgramDiff.h"
#include "picture/Sheet.h"
#include "stock/MmText.h"

#include <cmath>
#include <map>
#include <string_view>

namespace check {

namespace {

// Four decimals, and never an exponent: 0.0001, not 1e-04.
std::string Fine(double v) {
    return stock::MmText(v);
}

std::string Utf8(std::u16string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The text of each line asked for, lines counted as the checker counts them (after each CR LF).
std::map<int64_t, std::string> LinesOf(const std::u16string& text, const std::vector<int64_t>& wanted) {
    std::map<int64_t, std::string> out;
    for (int64_t l : wanted)
        out[l];
    int64_t line = 1;
    size_t start = 0;
    for (auto it = out.begin(); it != out.end() && start <= text.size();) {
        const size_t end = text.find(u"\r\n", start);
        const size_t stop = end == std::u16string::npos ? text.size() : end;
        if (line == it->first) (it++)->second = Utf8(std::u16string_view(text).substr(start, stop - start));
        if (end == std::u16string::npos) break;
        start = end + 2, ++line;
    }
    return out;
}

std::string Blocks(const std::vector<int64_t>& lines, const std::map<int64_t, std::string>& text) {
    if (lines.empty()) return "none";
    std::string out = "<ul class=\"blocks\">";
    for (int64_t l : lines) {
        const auto it = text.find(l);
        out += "<li>line " + std::to_string(l) + ": <code><bdi>" +
               HtmlEscape(it == text.end() ? std::string() : it->second) + "</bdi></code></li>";
    }
    return out + "</ul>";
}

std::string Seconds(double s) {
    return HtmlEscape(Fine(s) + " s (" + picture::LegendClock(s) + ")");
}

const char* const DiffStyle = R"(<style>
.v.same { background: #2a7d2a; } .v.changed { background: #b35a00; }
.added { color: #c05f00; font-weight: bold; } .removed { color: #c00; font-weight: bold; }
ul.blocks { margin: 0; padding-left: 1em; } ul.blocks code { white-space: pre; }
figure svg { max-width: 100%; height: auto; border: 1px solid #ccc; }
.swatch { display: inline-block; width: 1em; height: 0.7em; margin: 0 0.3em; }
</style>
)";

} // namespace

std::string DiffHtml(const VersionDiff& d, const std::u16string& oldText, const std::u16string& newText,
                     const std::string& overlaySvg) {
    std::string out = HtmlPageStart(d.OldFile + " \u2192 " + d.NewFile);
    if (const size_t head = out.find("</head>"); head != std::string::npos) out.insert(head, DiffStyle);
    out += std::string("<p>Verdict: <span class=\"v ") + (d.Changed() ? "changed" : "same") + "\">" +
           HtmlEscape(d.Verdict) + "</span> (regions deeper than " + Fine(d.Tolerance) +
           " mm count as changes; NEW against OLD's finished part)</p>\n";
    // --- The regions, with the blocks of both files ---
    std::vector<int64_t> oldLines, newLines;
    for (const ChangedRegion& r : d.Regions) {
        oldLines.insert(oldLines.end(), r.OldLines.begin(), r.OldLines.end());
        newLines.insert(newLines.end(), r.Change.Lines.begin(), r.Change.Lines.end());
    }
    const std::map<int64_t, std::string> oldBlocks = LinesOf(oldText, oldLines),
                                         newBlocks = LinesOf(newText, newLines);
    out += "<h2>Regions</h2>\n";
    if (d.Regions.empty()) {
        out += "<p>None: both cut the same part.</p>\n";
    } else {
        out +=
            "<table id=\"regions\">\n<thead><tr><th>#</th><th>Change</th><th>Depth (mm)</th><th>Z (mm)</th>"
            "<th>Area (mm\u00b2)</th><th>Volume (mm\u00b3)</th><th>Blocks in OLD</th><th>Blocks in NEW</th>"
            "</tr></thead>\n<tbody>\n";
        for (size_t i = 0; i < d.Regions.size(); ++i) {
            const ChangedRegion& r = d.Regions[i];
            const target::Deviation& c = r.Change;
            out += "<tr><td>" + std::to_string(i + 1) + "</td><td class=\"" +
                   (r.Removed ? "removed\">removed" : "added\">added") + "</td><td>" + Fine(c.Depth) +
                   "</td><td>Z" + Fine(c.Z1) + " to Z" + Fine(c.Z0) + "</td><td>" + Fine(c.AreaMm2) +
                   "</td><td>" + Fine(c.VolumeMm3) + "</td><td>" + Blocks(r.OldLines, oldBlocks) +
                   "</td><td>" + Blocks(c.Lines, newBlocks) + "</td></tr>\n";
        }
        out += "</tbody></table>\n";
    }
    // --- Times, per tool: the control's, and the machine's beside them when one was given ---
    const bool machined = d.Old.Machine || d.New.Machine;
    const std::map<double, std::pair<double, double>> machine = MachineToolTimesOf(d);
    std::map<double, std::pair<double, double>> tools = ToolTimesOf(d);
    for (const auto& [tool, t] : machine)
        tools.try_emplace(tool, 0.0, 0.0);
    out += "<h2>Cutting time</h2>\n<table id=\"times\">\n<thead><tr><th></th><th>OLD</th><th>NEW</th>" +
           std::string(machined ? "<th>OLD, machine</th><th>NEW, machine</th>" : "") +
           "</tr></thead>\n<tbody>\n<tr><td>Program</td><td>" + Seconds(d.Old.CuttingTime) + "</td><td>" +
           Seconds(d.New.CuttingTime) + "</td>";
    if (machined)
        out += "<td>" + Seconds(d.Old.Machine ? d.Old.Machine->Total.Total() : 0) + "</td><td>" +
               Seconds(d.New.Machine ? d.New.Machine->Total.Total() : 0) + "</td>";
    out += "</tr>\n";
    for (const auto& [tool, t] : tools) {
        out += "<tr><td>Tool " + HtmlEscape(NumberJson(tool)) + "</td><td>" + Seconds(t.first) + "</td><td>" +
               Seconds(t.second) + "</td>";
        if (machined) {
            const auto m = machine.find(tool);
            out += "<td>" + Seconds(m == machine.end() ? 0 : m->second.first) + "</td><td>" +
                   Seconds(m == machine.end() ? 0 : m->second.second) + "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
    // --- Findings, by code, as each version had them before the comparison ---
    std::map<std::string, std::pair<size_t, size_t>> codes;
    auto count = [&codes](const CheckReport& r, bool isNew) {
        for (const findings::Finding& f : r.Findings) {
            // The comparison's own regions are listed above, not as findings of a version.
            if (f.Code == "gouge" || f.Code == "excess") continue;
            auto& c = codes[f.Code];
            ++(isNew ? c.second : c.first);
        }
    };
    count(d.Old, false);
    count(d.New, true);
    out += "<h2>Findings</h2>\n<p>OLD: " + HtmlEscape(findings::CountsText(d.OldCounts)) +
           "; NEW: " + HtmlEscape(findings::CountsText(d.NewCounts)) + "</p>\n";
    if (!codes.empty()) {
        out += "<table "
               "id=\"findings\">\n<thead><tr><th>Code</th><th>OLD</th><th>NEW</th></tr></thead>\n<tbody>\n";
        for (const auto& [code, n] : codes)
            out += "<tr><td>" + HtmlEscape(code) + "</td><td>" + std::to_string(n.first) + "</td><td>" +
                   std::to_string(n.second) + "</td></tr>\n";
        out += "</tbody></table>\n";
    }
    // --- The overlay ---
    if (!overlaySvg.empty())
        out += "<h2>Overlay</h2>\n<p>NEW's path and part over OLD's: material added"
               "<span class=\"swatch\" style=\"background:#e68c00\"></span>, removed"
               "<span class=\"swatch\" style=\"background:#d20000\"></span></p>\n<figure>" +
               InlineSvg(overlaySvg) + "</figure>\n";
    return out + "</body>\n</html>\n";
}

} // namespace check
