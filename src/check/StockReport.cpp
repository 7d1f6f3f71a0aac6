// SPDX-License-Identifier: GPL-3.0-or-later
// The findings of the checker's reports but the alarms (the advice and the stock's, the stock's
// with the tool and its position), and the stock's volumes and the part left.

#include "base/Legacy.h"
#include "check/Checker.h"
#include "check/Shown.h"

#include <algorithm>
#include <cmath>

namespace check {

namespace {

// Volumes and sizes to a thousandth: finer digits are the polygon arithmetic's, not the part's.
std::string Thousandths(double v) {
    return NumberJson(std::round(v * 1000) / 1000);
}

} // namespace

void AppendAdviceJson(std::string& out, const CheckReport& r) {
    bool first = true;
    for (const findings::Finding& f : r.Findings) {
        if (f.From == findings::Source::Alarm) continue;
        if (!first) out += ", ";
        first = false;
        out += "{\"line\": " + std::to_string(f.Line) + ", \"code\": " + JsonString(f.Code) +
               ", \"severity\": \"" + findings::SeverityName(f.Level) +
               "\", \"message\": " + JsonString(f.Message);
        if (f.Tool) out += ", \"tool\": " + std::to_string(*f.Tool);
        if (!f.N.empty()) out += ", \"n\": " + JsonString(f.N);
        if (f.At)
            out +=
                ", \"position\": {\"x\": " + Thousandths(f.At->X) + ", \"z\": " + Thousandths(f.At->Z) + "}";
        out += "}";
    }
}

void AppendAdviceText(std::string& out, const CheckReport& r) {
    for (const findings::Finding& f : r.Findings) {
        if (f.From == findings::Source::Alarm) continue;
        out += "  line " + std::to_string(f.Line) + ": " + findings::SeverityName(f.Level) + ": " +
               Shown(f.Message) + " [" + Shown(f.Code) + "]";
        if (f.Tool) {
            out += " (" + (f.N.empty() ? "" : "N" + Shown(f.N) + ", ") + "tool " + std::to_string(*f.Tool);
            if (f.At) out += " at X" + legacy::Format000(f.At->X) + " Z" + legacy::Format000(f.At->Z);
            out += ")";
        }
        out += "\n";
    }
}

void AppendStockJson(std::string& out, const CheckReport& r) {
    if (!r.Stock) return;
    const stock::Result& s = *r.Stock;
    out += ", \"stock\": {\"removed_mm3\": " + Thousandths(s.RemovedMm3) + ", \"tools\": [";
    for (size_t i = 0; i < s.Tools.size(); ++i) {
        if (i) out += ", ";
        out += "{\"tool\": " + std::to_string(s.Tools[i].Tool) +
               ", \"removed_mm3\": " + Thousandths(s.Tools[i].RemovedMm3) + "}";
    }
    out += "], \"part\": {\"max_diameter\": " + Thousandths(s.MaxDiameter) +
           ", \"length\": " + Thousandths(s.PartLength) + "}, \"stock_mm3\": " + Thousandths(s.StockMm3) +
           ", \"left_mm3\": " + Thousandths(s.LeftMm3) + ", \"assumed\": [";
    for (size_t i = 0; i < s.Assumed.size(); ++i)
        out += (i ? ", " : "") + JsonString(s.Assumed[i]);
    out += "]}";
}

void AppendStockText(std::string& out, const CheckReport& r) {
    if (!r.Stock) return;
    const stock::Result& s = *r.Stock;
    out += "  stock: " + legacy::Format000(s.StockMm3) + " mm3, removed " + legacy::Format000(s.RemovedMm3) +
           " mm3, left " + legacy::Format000(s.LeftMm3) + " mm3\n";
    if (s.PartLeft)
        out += "  part: largest diameter " + legacy::Format000(s.MaxDiameter) + ", length " +
               legacy::Format000(s.PartLength) + "\n";
    else
        out += "  part: nothing left\n";
    for (const stock::ToolResult& t : s.Tools)
        out += "  tool " + std::to_string(t.Tool) + ": removed " + legacy::Format000(t.RemovedMm3) + " mm3\n";
    for (const std::string& a : s.Assumed)
        out += "  " + Shown(a) + "\n";
}

bool StockFails(const CheckReport& r, bool strict) {
    return std::any_of(r.Findings.begin(), r.Findings.end(), [strict](const findings::Finding& f) {
        return (f.From == findings::Source::Stock || f.From == findings::Source::Machine) &&
               findings::Fails(f, strict);
    });
}

} // namespace check
