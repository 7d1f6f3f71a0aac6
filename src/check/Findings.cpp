// SPDX-License-Identifier: GPL-3.0-or-later
// The alarms, the advice, the stock's findings and the machine's limits as findings::Finding: the
// one place where the four sources' own records are turned into the shape every report reads.

#include "base/Alarms.h"
#include "check/Checker.h"

namespace check {

namespace {

findings::Severity LevelOf(advice::Severity s) {
    return s == advice::Severity::Error ? findings::Severity::Error : findings::Severity::Warning;
}

} // namespace

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
