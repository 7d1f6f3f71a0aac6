// SPDX-License-Identifier: GPL-3.0-or-later
// The stock's part of the checker's reports: its findings among the advice, in the advice's
// shape with the tool and its position added, and the volumes and the part left.

#include "base/Legacy.h"
#include "check/Checker.h"
#include "check/Shown.h"

#include <cmath>

namespace check {

namespace {

// Volumes and sizes to a thousandth: finer digits are the polygon arithmetic's, not the part's.
std::string Thousandths(double v) {
    return NumberJson(std::round(v * 1000) / 1000);
}

// Calls `advice`, `found` and `limit` for the advice, the stock's and the machine's findings
// merged in line order (the advice first on a shared line, then the stock's).
template <class A, class S, class M> void InLineOrder(const CheckReport& r, A advice, S found, M limit) {
    static const std::vector<stock::Finding> none;
    static const std::vector<machine::Finding> noLimits;
    const std::vector<stock::Finding>& s = r.Stock ? r.Stock->Findings : none;
    const std::vector<machine::Finding>& m = r.Machine ? r.Machine->Findings : noLimits;
    size_t i = 0, k = 0, j = 0;
    while (i < r.Advice.size() || k < s.size() || j < m.size()) {
        const int64_t next = j < m.size() ? m[j].Line : INT64_MAX;
        if (i < r.Advice.size() && (k == s.size() || r.Advice[i].Line <= s[k].Line) &&
            r.Advice[i].Line <= next)
            advice(r.Advice[i++]);
        else if (k < s.size() && s[k].Line <= next)
            found(s[k++]);
        else
            limit(m[j++]);
    }
}

} // namespace

void AppendAdviceJson(std::string& out, const CheckReport& r) {
    bool first = true;
    auto start = [&] {
        if (!first) out += ", ";
        first = false;
    };
    InLineOrder(
        r,
        [&](const advice::Finding& f) {
            start();
            out += "{\"line\": " + std::to_string(f.Line) + ", \"code\": " + JsonString(f.Code) +
                   ", \"severity\": \"" + advice::SeverityName(f.Level) +
                   "\", \"message\": " + JsonString(f.Message) + "}";
        },
        [&](const stock::Finding& f) {
            start();
            out += "{\"line\": " + std::to_string(f.Line) + ", \"code\": " + JsonString(f.Code) +
                   ", \"severity\": \"" + stock::SeverityName(f.Level) +
                   "\", \"message\": " + JsonString(f.Message) + ", \"tool\": " + std::to_string(f.Tool);
            if (!f.N.empty()) out += ", \"n\": " + JsonString(f.N);
            out += ", \"position\": {\"x\": " + Thousandths(f.X) + ", \"z\": " + Thousandths(f.Z) + "}";
            out += "}";
        },
        [&](const machine::Finding& f) {
            start();
            AppendMachineFindingJson(out, f);
        });
}

void AppendAdviceText(std::string& out, const CheckReport& r) {
    InLineOrder(
        r,
        [&](const advice::Finding& f) {
            out += "  line " + std::to_string(f.Line) + ": " + advice::SeverityName(f.Level) + ": " +
                   Shown(f.Message) + " [" + Shown(f.Code) + "]\n";
        },
        [&](const stock::Finding& f) {
            out += "  line " + std::to_string(f.Line) + ": " + stock::SeverityName(f.Level) + ": " +
                   Shown(f.Message) + " [" + Shown(f.Code) + "] (" +
                   (f.N.empty() ? "" : "N" + Shown(f.N) + ", ") + "tool " + std::to_string(f.Tool);
            out += " at X" + legacy::Format000(f.X) + " Z" + legacy::Format000(f.Z);
            out += ")\n";
        },
        [&](const machine::Finding& f) { AppendMachineFindingText(out, f); });
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
    if (MachineFails(r, strict)) return true;
    if (!r.Stock) return false;
    for (const stock::Finding& f : r.Stock->Findings)
        if (f.Level == stock::Severity::Error || (strict && f.Level == stock::Severity::Warning)) return true;
    return false;
}

} // namespace check
