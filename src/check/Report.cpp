// SPDX-License-Identifier: GPL-3.0-or-later
// Report texts of the checker: JSON for tools, plain text for people.

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "check/Checker.h"
#include "picture/Sheet.h"
#include "text/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace check {

namespace {

// A JSON string; bytes that are not UTF-8 (a path in another encoding) are kept as Latin-1.
std::string Quote(const std::string& s) {
    const bool utf8 = text::LooksLikeUtf8(s);
    std::string out = "\"";
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        char buf[8];
        if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || (c >= 0x80 && !utf8)) {
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += ch;
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
    out += ", \"unit\": " + std::to_string(r.Unit);
    out += ", \"blocks\": " + std::to_string(r.Blocks);
    out += ", \"end\": \"" + std::string(EndOf(r)) + "\"";
    if (const char* failure = r.FailureMessage()) out += ", \"failure\": \"" + std::string(failure) + "\"";
    out += ", \"cutting_time_s\": " + NumberJson(r.CuttingTime);
    out += ", \"final\": {\"x\": " + NumberJson(r.FinalX) + ", \"z\": " + NumberJson(r.FinalZ) + "}";
    out += ", \"alarms\": [";
    for (size_t i = 0; i < r.Alarms.size(); ++i) {
        if (i) out += ", ";
        out +=
            "{\"line\": " + std::to_string(r.Alarms[i].Line) + ", \"message\": " + Quote(r.Alarms[i].Message);
        // What the control's words mean, for readers of neither its Japanese nor its spelling.
        const interp::AlarmMeaning meaning = interp::MeaningOfAlarm(r.Alarms[i].Message);
        out += ", \"code\": " + Quote(std::string(meaning.Code)) +
               ", \"explanation\": " + Quote(std::string(meaning.Explanation)) + "}";
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
    return out + "}";
}

std::string ReportText(const CheckReport& r) {
    std::string out = r.File + "\n";
    out += "  dialect " +
           std::string(r.Iso     ? "ISO"
                       : r.Fanuc ? "FANUC"
                                 : "KVZ") +
           ", unit " + std::to_string(r.Unit) + ", " + std::to_string(r.Blocks) +
           " blocks, end: " + EndOf(r) + "\n";
    if (const char* failure = r.FailureMessage()) out += "  " + std::string(failure) + "\n";
    out += "  cutting time " + legacy::FormatFixed(r.CuttingTime, 2) + " s (" +
           picture::LegendClock(r.CuttingTime) + ")\n";
    out += "  final position X" + legacy::Format000(r.FinalX) + " Z" + legacy::Format000(r.FinalZ) + "\n";
    if (r.Alarms.empty()) out += "  no alarms\n";
    for (const Alarm& a : r.Alarms)
        out += "  " + std::to_string(a.Line) + ": " + a.Message + "\n";
    AppendAdviceText(out, r);
    for (const auto& [tool, seconds] : r.ToolTimes)
        if (seconds != 0)
            out += "  tool " + legacy::Str15(tool) + ": " + legacy::FormatFixed(seconds, 2) + " s\n";
    AppendStockText(out, r);
    return out;
}

picture::LegendContent LegendOf(const CheckReport& r) {
    picture::LegendContent legend;
    legend.Program = std::filesystem::path(r.File).filename().string();
    legend.CuttingSeconds = r.CuttingTime;
    legend.Alarms = r.Alarms.size();
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
