// SPDX-License-Identifier: GPL-3.0-or-later
// The registration table of the findings, and the two ways they are looked for: over the whole
// text, and block by block while a run goes.

#include "advice/Rules.h"
#include "base/MachineState.h"
#include "interp/GCodes.h"

#include <algorithm>

namespace advice {

const char* SeverityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

const std::vector<Rule>& Rules() {
    using enum Severity;
    // A new finding is one function and one line here.
    static const std::vector<Rule> table = {
        {"no-crlf", Error, NoCrLf, nullptr, nullptr},
        {"unterminated-last-line", Warning, UnterminatedLastLine, nullptr, nullptr},
        {"lower-case-address", Warning, LowerCaseAddress, nullptr, nullptr},
        {"unclosed-comment", Warning, UnclosedComment, nullptr, nullptr},
        {"macro-variable", Warning, MacroVariable, nullptr, nullptr},
        {"address-without-value", Warning, nullptr, AddressWithoutValue, nullptr, Watch::Words},
        {"foreign-cycle", Warning, nullptr, ForeignCycle, nullptr, Watch::Words},
        {"other-control", Warning, nullptr, OtherControl, nullptr, Watch::Words},
        {"long-dwell", Warning, nullptr, LongDwell, nullptr, Watch::Words}, // G04 is never plain
        {"feed-while-stopped", Warning, nullptr, FeedWhileStopped, nullptr, Watch::StoppedSpindle},
        {"large-feed-per-rev", Warning, nullptr, LargeFeedPerRev, nullptr, Watch::LargeFeed},
        {"unit-mismatch", Warning, nullptr, UnitMismatch, nullptr, Watch::Unit},
        {"unscaled-arc-radius", Warning, nullptr, UnscaledArcRadius, nullptr, Watch::ArcRadius},
        {"no-program-end", Warning, nullptr, nullptr, NoProgramEnd},
    };
    return table;
}

std::vector<Finding> TextFindings(ProgramText& program, bool iso) {
    program.MarkTo(program.Text.size());
    std::vector<Finding> out;
    for (const Rule& rule : Rules()) {
        if (!rule.OnText || (iso && rule.Code == std::string_view("macro-variable"))) continue;
        Sink sink(out, rule.Code, rule.Level);
        rule.OnText(program, sink);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
    return out;
}

int64_t BlockSeen::Line() const {
    return LineOf(S.BlockEndPos);
}

RunAdvisor::RunAdvisor(ProgramText& text, LineOfBlock lineOf) : Text(text), LineOf(std::move(lineOf)) {}

inline bool RunAdvisor::PlainBlock(const interp::MachineState& s) {
    // The block's characters in the text: up to the CR of its CR LF.
    if (s.BlockEndPos <= 0) return false;
    const auto end = static_cast<size_t>(s.BlockEndPos - 1);
    if (end < s.BlockText.size() || end > Text.Text.size()) return false;
    return !Text.MarkedIn(end - s.BlockText.size(), end);
}

namespace {

// A home return (G20, G21) as the modal code: another control's unit select. Most blocks are
// outside the span of those codes and need no lookup.
bool IsHome(const interp::MachineState& s) {
    constexpr interp::CodeSpan homes = interp::SpanOf(interp::GKind::Home);
    return homes.Holds(s.GMode) && interp::GCodeOf(s.GMode, s.FanucMode).Kind == interp::GKind::Home;
}

} // namespace

void RunAdvisor::IsoBlock(const interp::MachineState& s) {
    const std::vector<iso::Note>& notes = s.Iso.Notes;
    if (notes.size() < IsoNotesSeen) IsoNotesSeen = 0; // a reset began the run again
    for (; IsoNotesSeen < notes.size(); ++IsoNotesSeen) {
        const iso::Note& n = notes[IsoNotesSeen];
        Out.push_back({LineOf(n.BlockEndPos), n.Code, Severity::Warning, n.Text});
    }
    if (s.BlockEndPos != 0) {
        Memory.LastEndPos = s.BlockEndPos;
        Memory.Ended = s.RunState == interp::RunEndM02 || s.RunState == interp::RunEndM30;
    }
}

void RunAdvisor::BlockExecuted(const interp::MachineState& s) {
    if (s.IsoMode) return IsoBlock(s);
    if (!Started) { // the state of a reset machine
        Started = true;
        PrevX = s.PVLX;
        PrevZ = s.PVLZ;
    }
    // Which blocks the findings look at; on most blocks of a program none of them.
    if (s.MSpindle == 3 || s.MSpindle == 4) Memory.SpindleStarted = true;
    const bool watch[Watches] = {
        !PlainBlock(s), s.MSpindle == 5 || Memory.StopWarned, s.Feed > 2.0 || Memory.FeedWarned,
        !Memory.UnitWarned && (IsHome(s) || (s.UnitCode == 4 && s.RunState == interp::RunAlarm) ||
                               (s.UnitCode == 1 && s.Feed > 0 && s.Feed < 0.015)),
        !Memory.RadiusWarned && s.RWord != 0 && s.UnitCode != 1};
    if (watch[0] || watch[1] || watch[2] || watch[3] || watch[4]) Look(s, watch);
    // The state the next block starts from. The control's own comment state is the truth; the
    // scan follows it.
    InComment = s.InComment;
    Mode = s.GMode;
    PrevX = s.LastX;
    PrevZ = s.LastZ;
    PrevTime = s.CuttingTime;
    if (s.BlockEndPos != 0) {
        Memory.LastEndPos = s.BlockEndPos;
        Memory.Ended = s.RunState == interp::RunEndM02 || s.RunState == interp::RunEndM30;
    }
}

void RunAdvisor::Look(const interp::MachineState& s, const bool (&watch)[Watches]) {
    // A block of plain words needs no scan: none of its words can make a finding, and the
    // control's modal code after it is the one it ran (it cannot be a dwell).
    static const BlockWords none;
    const bool plain = !watch[0];
    double mode = s.GMode;
    if (!plain) {
        ScanBlockWords(s.BlockText, InComment, s.BlockDelete, Words);
        mode = Mode;
        for (double g : Words.GCodes)
            mode = interp::ModeAfterG(mode, g, s.FanucMode);
    }
    const BlockSeen seen{s, plain ? none : Words, LineOf, mode, PrevX, PrevZ, PrevTime};
    for (const Rule& rule : Rules()) { // in the order of the table
        if (!rule.OnBlock || !watch[static_cast<int>(rule.When)]) continue;
        Sink sink(Out, rule.Code, rule.Level);
        rule.OnBlock(seen, Memory, sink);
    }
}

void RunAdvisor::RunEnded() {
    // An M30 on a line without its CR LF is said once, by the text finding about that line.
    Memory.EndUnread = UnreadProgramEnd(Text.Text) != 0;
    for (const Rule& rule : Rules()) {
        if (!rule.OnEnd) continue;
        Sink sink(Out, rule.Code, rule.Level);
        rule.OnEnd(Memory, LineOf, sink);
    }
}

std::vector<Finding> Merge(std::vector<Finding> text, const std::vector<Finding>& run) {
    text.insert(text.end(), run.begin(), run.end());
    std::stable_sort(text.begin(), text.end(),
                     [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
    return text;
}

} // namespace advice
