// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's part of the checker's reports: the machine's own time beside the control's, in
// total and per tool, split by what it is spent on; the values of the profile that were assumed;
// the machine's limits among the advice.

#include "base/Legacy.h"
#include "check/Checker.h"
#include "check/Shown.h"
#include "machine/ProfileFile.h"

#include <cmath>

namespace check {

namespace {

std::string Ms(double v) {
    return NumberJson(std::round(v * 1000) / 1000);
}

std::string Seconds(double v) {
    return legacy::FormatFixed(v, 2);
}

double ControlTimeOf(const CheckReport& r, double tool) {
    const auto it = r.ToolTimes.find(tool);
    return it == r.ToolTimes.end() ? 0 : it->second;
}

} // namespace

void AppendSplitJson(std::string& out, const machine::Split& s) {
    out += "\"cutting_s\": " + Ms(s.Cutting) + ", \"rapid_s\": " + Ms(s.Rapid) +
           ", \"acceleration_s\": " + Ms(s.Acceleration) + ", \"tool_change_s\": " + Ms(s.ToolChange) +
           ", \"spindle_ramp_s\": " + Ms(s.SpindleRamp) + ", \"dwell_s\": " + Ms(s.Dwell) +
           ", \"m_codes_s\": " + Ms(s.MCodes);
}

std::string SplitText(const machine::Split& s) {
    return "cutting " + Seconds(s.Cutting) + ", rapid " + Seconds(s.Rapid) + ", acceleration " +
           Seconds(s.Acceleration) + ", tool change " + Seconds(s.ToolChange) + ", spindle ramp " +
           Seconds(s.SpindleRamp) + ", dwell " + Seconds(s.Dwell) + ", M codes " + Seconds(s.MCodes);
}

void AppendMachineJson(std::string& out, const CheckReport& r) {
    if (!r.Machine) return;
    const machine::Result& m = *r.Machine;
    out += ", \"machine\": {\"time_s\": " + Ms(m.Total.Total()) +
           ", \"control_time_s\": " + Ms(r.CuttingTime) + ", ";
    AppendSplitJson(out, m.Total);
    out += ", \"tools\": [";
    bool first = true;
    for (const auto& [tool, split] : m.Tools) {
        if (split.Total() == 0) continue;
        out += first ? "" : ", ";
        first = false;
        out += "{\"tool\": " + NumberJson(tool) + ", \"time_s\": " + Ms(split.Total()) +
               ", \"control_time_s\": " + Ms(ControlTimeOf(r, tool)) + ", ";
        AppendSplitJson(out, split);
        out += "}";
    }
    out += "], \"assumed\": [";
    for (size_t i = 0; i < m.Assumed.size(); ++i)
        out += (i ? ", " : "") + JsonString(m.Assumed[i]);
    out += "]}";
}

void AppendMachineText(std::string& out, const CheckReport& r) {
    if (!r.Machine) return;
    const machine::Result& m = *r.Machine;
    out += "  machine time " + Seconds(m.Total.Total()) + " s (" + picture::LegendClock(m.Total.Total()) +
           "), control " + Seconds(r.CuttingTime) + " s: " + SplitText(m.Total) + "\n";
    for (const auto& [tool, split] : m.Tools)
        if (split.Total() != 0)
            out += "  machine tool " + legacy::Str15(tool) + ": " + Seconds(split.Total()) + " s, control " +
                   Seconds(ControlTimeOf(r, tool)) + " s: " + SplitText(split) + "\n";
    if (!m.Assumed.empty()) {
        out += "  machine assumed:";
        for (size_t i = 0; i < m.Assumed.size(); ++i)
            out += (i ? ", " : " ") + Shown(m.Assumed[i]);
        out += "\n";
    }
}

} // namespace check
