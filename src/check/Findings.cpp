// SPDX-License-Identifier: GPL-3.0-or-later
// The alarms, the advice, the stock's findings and the machine's limits as findings::Finding: the
// one place where the four sources' own records are turned into the shape every report reads.

#include "base/Alarms.h"
#include "check/Checker.h"
#include "stock/MmText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace check {

namespace {

findings::Severity LevelOf(advice::Severity s) {
    return s == advice::Severity::Error ? findings::Severity::Error : findings::Severity::Warning;
}

} // namespace

std::string TargetMessage(const target::Deviation& d) {
    const bool gouge = d.Type == target::Deviation::Kind::Gouge;
    std::string text = (gouge ? "cut " + stock::MmText(d.Depth) + " mm into the drawn part"
                              : stock::MmText(d.Depth) + " mm of material left on the drawn part") +
                       " from Z" + stock::MmText(d.Z1) + " to Z" + stock::MmText(d.Z0) + " (" +
                       stock::MmText(d.VolumeMm3) + " mm3)";
    // An excess is at the cut nearest its deepest point: the pass that stopped short there, or,
    // when the pass that should have cut it is missing, the nearest one left.
    if (!gouge && d.Line > 0)
        text += "; this block's cut runs nearest its deepest point (X" + stock::MmText(2 * d.Deepest.x) +
                " Z" + stock::MmText(d.Deepest.z) + "): it stops short there, or a pass after it is missing";
    return text;
}

void CollectFindings(CheckReport& r) {
    std::vector<findings::Finding> alarms, advice, stock;
    alarms.reserve(r.Alarms.size());
    for (const Alarm& a : r.Alarms) {
        const interp::AlarmMeaning meaning = interp::MeaningOfAlarm(a.Message);
        findings::Finding f = findings::Make(meaning.Code, findings::Severity::Error, a.Line, a.Message);
        // Every text of the control is an alarm, and its explanation is the one for this text
        // (none for a text the control never shows).
        f.Level = findings::Severity::Error;
        f.From = findings::Source::Alarm;
        f.Explanation = std::string(meaning.Explanation);
        alarms.push_back(std::move(f));
    }
    advice.reserve(r.Advice.size());
    for (const advice::Finding& a : r.Advice)
        advice.push_back(findings::Make(a.Code, LevelOf(a.Level), a.Line, a.Message));
    if (r.Stock)
        for (const stock::Finding& s : r.Stock->Findings) {
            findings::Finding f = findings::Make(s.Code, s.Level, s.Line, s.Message);
            f.From = findings::Source::Stock;
            f.Tool = s.Tool;
            f.N = s.N;
            f.At = findings::Position{s.X, s.Z}; // air-cutting: the tool's first feed move
            stock.push_back(std::move(f));
        }
    // The part on the drawing: each region beyond the tolerance, at the block behind it.
    if (r.Target) {
        for (const target::Deviation& d : r.Target->Deviations) {
            const bool gouge = d.Type == target::Deviation::Kind::Gouge;
            findings::Finding f = findings::Make(gouge ? "gouge" : "excess", findings::Severity::Warning,
                                                 d.Line, TargetMessage(d));
            f.From = findings::Source::Stock;
            if (d.Line > 0) {
                f.Tool = d.Tool;
                f.N = d.N;
                f.At = findings::Position{d.X, d.Z};
            }
            stock.push_back(std::move(f));
        }
        std::stable_sort(
            stock.begin(), stock.end(),
            [](const findings::Finding& a, const findings::Finding& b) { return a.Line < b.Line; });
    }
    std::vector<findings::Finding> limits;
    if (r.Machine)
        for (const machine::Finding& m : r.Machine->Findings) {
            findings::Finding f = findings::Make(m.Code, m.Level, m.Line, m.Message);
            f.From = findings::Source::Machine;
            f.Tool = static_cast<int>(m.Tool);
            limits.push_back(std::move(f));
        }
    r.Findings =
        findings::MergeByLine(std::move(alarms), std::move(advice), std::move(stock), std::move(limits));
}

} // namespace check
