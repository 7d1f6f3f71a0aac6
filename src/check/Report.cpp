// SPDX-License-Identifier: GPL-3.0-or-later
// Report texts of the checker: JSON for tools, plain text for people.

#include "base/Legacy.h"
#include "check/Checker.h"
#include "check/Shown.h"
#include "picture/Sheet.h"
#include "text/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace check {

namespace {

// A JSON string; bytes that are not UTF-8 (a path in another encoding) are kept as Latin-1.
// Control characters, DEL and the C1 controls are escaped (\u00XX), so that JSON read on a
// terminal cannot drive it either.
std::string Quote(const std::string& s) {
    const bool utf8 = text::LooksLikeUtf8(s);
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        char buf[8];
        // A C1 control in UTF-8: 0xC2 then 0x80 to 0x9F.
        const bool c1 = utf8 && c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0;
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8) || c1) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c1 ? static_cast<unsigned char>(s[++i]) : c);
            out += buf;
        } else
            out += s[i];
    }
    return out + "\"";
}

const char* EndOf(const CheckReport& r) {
    return r.ProgramEnd ? EndedAtProgramEnd : EndedAtEndOfText;
}

} // namespace

void AppendNumberJson(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string JsonString(const std::string& text) {
    return Quote(text);
}

std::string NumberJson(double v) {
    std::string out;
    AppendNumberJson(out, v);
    return out;
}

std::string ReportJson(const CheckReport& r) {
    std::string out = "{\"file\": " + Quote(r.File);
    out += ", \"dialect\": \"" + std::string(r.Iso ? "ISO" : r.Fanuc ? "FANUC" : "KVZ") + "\"";
    if (r.ControlFromSetup) out += ", \"dialect_from\": \"setup\"";
    out += ", \"unit\": " + std::to_string(r.Unit);
    out += ", \"blocks\": " + std::to_string(r.Blocks);
    out += ", \"end\": \"" + std::string(EndOf(r)) + "\"";
    if (const char* failure = r.FailureMessage()) out += ", \"failure\": \"" + std::string(failure) + "\"";
    out += ", \"cutting_time_s\": " + NumberJson(r.CuttingTime);
    out += ", \"final\": {\"x\": " + NumberJson(r.FinalX) + ", \"z\": " + NumberJson(r.FinalZ) + "}";
    out += ", \"alarms\": [";
    bool firstAlarm = true;
    for (const findings::Finding& f : r.Findings) {
        if (f.From != findings::Source::Alarm) continue;
        if (!firstAlarm) out += ", ";
        firstAlarm = false;
        // The control's own words, and what they mean for readers of neither its Japanese nor
        // its spelling.
        out += "{\"line\": " + std::to_string(f.Line) + ", \"message\": " + Quote(f.Message) +
               ", \"code\": " + Quote(f.Code) + ", \"explanation\": " + Quote(f.Explanation) + "}";
    }
    out += "], \"advice\": [";
    AppendAdviceJson(out, r);
    out += "], \"tools\": [";
    bool first = true;
    for (const auto& [tool, seconds] : r.ToolTimes) {
        if (seconds == 0) continue;
        if (!first) out += ", ";
        first = false;
        out += "{\"tool\": " + NumberJson(tool) + ", \"cutting_time_s\": " + NumberJson(seconds) + "}";
    }
    out += "]";
    AppendStockJson(out, r);
    AppendMachineJson(out, r);
    AppendTargetJson(out, r);
    return out + "}";
}

std::string ReportText(const CheckReport& r) {
    std::string out = Shown(r.File) + "\n";
    out += "  dialect " +
           std::string(r.Iso     ? "ISO"
                       : r.Fanuc ? "FANUC"
                                 : "KVZ") +
           (r.ControlFromSetup ? " (from the setup)" : "") + ", unit " + std::to_string(r.Unit) + ", " +
           std::to_string(r.Blocks) + " blocks, end: " + EndOf(r) + "\n";
    if (const char* failure = r.FailureMessage()) out += "  " + std::string(failure) + "\n";
    out += "  cutting time " + legacy::FormatFixed(r.CuttingTime, 2) + " s (" +
           picture::LegendClock(r.CuttingTime) + ")\n";
    out += "  final position X" + legacy::Format000(r.FinalX) + " Z" + legacy::Format000(r.FinalZ) + "\n";
    const findings::Counts counts = findings::CountsOf(r.Findings);
    if (counts.Alarms == 0) out += "  no alarms\n";
    for (const findings::Finding& f : r.Findings)
        if (f.From == findings::Source::Alarm)
            out += "  " + std::to_string(f.Line) + ": " + Shown(f.Message) + "\n";
    AppendAdviceText(out, r);
    for (const auto& [tool, seconds] : r.ToolTimes)
        if (seconds != 0)
            out += "  tool " + legacy::Str15(tool) + ": " + legacy::FormatFixed(seconds, 2) + " s\n";
    AppendStockText(out, r);
    AppendMachineText(out, r);
    AppendTargetText(out, r);
    return out;
}

picture::LegendContent LegendOf(const CheckReport& r) {
    picture::LegendContent legend;
    legend.Program = Shown(std::filesystem::path(r.File).filename().string()); // no control in a picture
    legend.CuttingSeconds = r.CuttingTime;
    legend.Alarms = findings::CountsOf(r.Findings).Alarms;
    for (const auto& [tool, seconds] : r.ToolTimes) {
        if (seconds == 0) continue;
        const auto colors = r.ToolColors.find(tool);
        legend.Tools.push_back(
            {tool, colors == r.ToolColors.end() ? std::vector<int32_t>{} : colors->second, seconds});
    }
    return legend;
}

void AppendSegmentJson(std::string& out, const TracedSegment& t) {
    using Kind = motion::PathSegment::Kind;
    const motion::PathSegment& p = t.Segment;
    char line[24];
    out += "{\"line\": ";
    out.append(line, std::to_chars(line, line + sizeof line, t.Line).ptr);
    if (p.kind == Kind::Rapid || p.kind == Kind::Cut) {
        out += p.kind == Kind::Rapid ? ", \"op\": \"line\", \"style\": \"rapid\""
                                     : ", \"op\": \"line\", \"style\": \"cut\"";
    } else {
        out += p.kind == Kind::ArcCW ? ", \"op\": \"arc\", \"dir\": \"cw\""
                                     : ", \"op\": \"arc\", \"dir\": \"ccw\"";
        out += ", \"cx\": ";
        AppendNumberJson(out, p.cx);
        out += ", \"cz\": ";
        AppendNumberJson(out, p.cz);
        out += ", \"r\": ";
        AppendNumberJson(out, p.r);
    }
    out += ", \"x0\": ";
    AppendNumberJson(out, p.x0);
    out += ", \"z0\": ";
    AppendNumberJson(out, p.z0);
    out += ", \"x1\": ";
    AppendNumberJson(out, p.x1);
    out += ", \"z1\": ";
    AppendNumberJson(out, p.z1);
    out += '}';
}

std::string SegmentJson(const TracedSegment& t) {
    std::string out;
    AppendSegmentJson(out, t);
    return out;
}

} // namespace check
