// SPDX-License-Identifier: GPL-3.0-or-later
// Findings about what a run does: each looks at one executed block (or the end of the run) and
// reads the machine state only.

#include "advice/Rules.h"
#include "base/Legacy.h"
#include "base/MachineState.h"
#include "interp/GCodes.h"

#include <cmath>

namespace advice {

namespace {

using interp::GKind;

GKind KindOf(double g, bool fanuc) {
    return interp::GCodeOf(g, fanuc).Kind;
}
// Cutting moves at the feed, arcs included.
bool IsMoveMode(double g, bool fanuc) {
    const GKind k = KindOf(g, fanuc);
    return k == GKind::Move || k == GKind::Arc || k == GKind::LeadMove;
}
// Thread cuts and cycles: they cut even without a new end point.
bool IsCycleMode(double g, bool fanuc) {
    const GKind k = KindOf(g, fanuc);
    return k == GKind::Thread || k == GKind::Cycle || k == GKind::Drill;
}

// A move that went somewhere, or a cycle (a block without words under a cycle runs it again).
// A block that only carries an M code under G01 moves nowhere and is no cut.
bool Cuts(const BlockSeen& b, bool cycle) {
    return cycle || b.S.LastX != b.StartX || b.S.LastZ != b.StartZ;
}

std::string Letter(char c) {
    return std::string("\"") + c + "\"";
}

// The messages are built apart from the tests, which run for every block and stay small.
[[gnu::noinline, gnu::cold]] void ReportLargeFeed(const BlockSeen& b, Sink& sink) {
    const interp::MachineState& s = b.S;
    const bool inch = s.UnitCode == 4;
    const std::string feed = legacy::Str15(legacy::RoundTo(inch ? s.Feed / 25.4 : s.Feed, 4));
    sink.Add(b.Line(),
             "feed " + feed + (inch ? " in/rev" : " mm/rev") + " under G95 is more than " +
                 (inch ? "0.08 in/rev" : "2 mm/rev") +
                 ": probably a feed per minute; write the feed per revolution or select feed per minute");
}

[[gnu::noinline, gnu::cold]] void ReportStopped(const BlockSeen& b, bool started, Sink& sink) {
    if (started)
        sink.Add(b.Line(),
                 "cutting move with the spindle stopped (M05): start the spindle with M03 or M04 first");
    else
        sink.Add(b.Line(), "cutting move while the spindle has not been started (no M03/M04): start the "
                           "spindle with M03 or M04 first");
}

std::string UnitName(int16_t unit) {
    switch (unit) {
    case 2:
        return "0.01mm";
    case 3:
        return "0.001mm";
    case 4:
        return "1 inch";
    default:
        return "1mm";
    }
}

} // namespace

void AddressWithoutValue(const BlockSeen& b, RunMemory&, Sink& sink) {
    for (const BlockWords::BareWord& w : b.Words.BareWords) {
        if (w.Kind == BlockWords::Bare::NoValue) {
            sink.Add(b.Line(), Letter(w.Letter) +
                                   " is followed directly by a letter: the control skips the word up "
                                   "to the next blank and keeps the last value; write the number "
                                   "right after the letter");
        } else if (w.Letter == 'G') {
            sink.Add(
                b.Line(),
                "\"G\" without a number reads as G00 (rapid move): write the code right after the letter");
        } else if (w.Letter == 'M') {
            sink.Add(b.Line(),
                     "\"M\" without a number reads as M00 (program stop): write the code right after the "
                     "letter");
        } else {
            sink.Add(b.Line(), Letter(w.Letter) +
                                   " without a number reads as 0: write the value right after the letter");
        }
    }
}

void ForeignCycle(const BlockSeen& b, RunMemory&, Sink& sink) {
    for (double g : b.Words.GCodes) {
        if (g == 70) {
            sink.Add(b.Line(),
                     "G70 is no finishing cycle on this control: it becomes a motion mode that draws "
                     "nothing for the following moves; program the finishing path with G01/G02/G03");
        } else if (g == 76) {
            sink.Add(b.Line(),
                     "G76 is no threading cycle on this control: it only sets a stored mode and cuts "
                     "nothing; use G71 with H and D, or G33 passes");
        } else if (g == 75) {
            sink.Add(b.Line(),
                     "G75 is no grooving cycle on this control: it only sets a stored mode, and the "
                     "block's X and Z are reached in the motion mode in force; program the groove "
                     "with G73 or G01 plunges");
        } else if ((g == 71 || g == 72) && (b.Words.HasP || b.Words.HasQ)) {
            const std::string code = g == 71 ? "G71" : "G72";
            sink.Add(b.Line(),
                     code + " with P or Q is another control's roughing cycle: here " + code +
                         " is a thread-cutting cycle that needs H and D; program the roughing passes "
                         "with G92/G94 or G01");
        } else {
            continue;
        }
        return; // one per block
    }
}

// A cycle over a P-Q contour (G70 to G73), pecking with P and Q (G74, G75) or the first block of a
// two-block G76: the program is written for an ISO (Fanuc-style) lathe control. Said once: the
// blocks themselves are foreign-cycle findings.
void OtherControl(const BlockSeen& b, RunMemory& memory, Sink& sink) {
    if (memory.ControlNamed || !b.Words.HasP || !b.Words.HasQ) return;
    for (double g : b.Words.GCodes) {
        if (g < 70 || g > 76 || g != std::floor(g)) continue;
        memory.ControlNamed = true;
        sink.Add(b.Line(), "G" + legacy::Str15(g) +
                               " with P and Q looks like a program for an ISO (Fanuc-style) lathe control: "
                               "check it with --control iso (in the window: Parameter > ISO), or name the "
                               "control in its setup ([program] control = \"iso\")");
        return;
    }
}

void LongDwell(const BlockSeen& b, RunMemory&, Sink& sink) {
    const interp::MachineState& s = b.S;
    if (KindOf(b.Mode, s.FanucMode) != GKind::Dwell) return;
    // The dwell adds its time to the cutting time; nothing added means it did not run.
    const double added = static_cast<double>(s.CuttingTime) - static_cast<double>(b.TimeBefore);
    if (!(added > 0)) return;
    double t;
    std::string word;
    if (!s.FanucMode)
        t = s.Feed, word = "F";
    else if (s.PWord > 0)
        t = s.PWord, word = "P";
    else if (s.UWord > 0)
        t = s.UWord, word = "U";
    else {
        // X is no longer in the state (the tool stays where it was): the time added tells, to the
        // precision of the single-precision total.
        const float total = s.CuttingTime;
        const double step = static_cast<double>(std::nextafter(total, INFINITY) - total);
        t = added > 60 + 2 * step ? added : 0;
        word = "X";
    }
    if (!(t > 60)) return;
    sink.Add(b.Line(),
             "dwell of " + legacy::Str15(legacy::RoundTo(t, 3)) + " s: " + word +
                 " of a dwell is seconds on this control, not milliseconds; write the time in seconds");
}

void FeedWhileStopped(const BlockSeen& b, RunMemory& memory, Sink& sink) {
    const interp::MachineState& s = b.S;
    if (s.MSpindle != 5) {
        memory.StopWarned = false;
        return;
    }
    const bool fanuc = s.FanucMode;
    const bool cycle = IsCycleMode(b.Mode, fanuc);
    if (memory.StopWarned || !(cycle || IsMoveMode(b.Mode, fanuc)) || !Cuts(b, cycle)) return;
    memory.StopWarned = true;
    ReportStopped(b, memory.SpindleStarted, sink);
}

void LargeFeedPerRev(const BlockSeen& b, RunMemory& memory, Sink& sink) {
    const interp::MachineState& s = b.S;
    if (memory.FeedWarned && (s.Feed != memory.WarnedFeed || s.GFeedMode != memory.WarnedFeedMode))
        memory.FeedWarned = false;
    // Every limit is above 2 mm: most blocks end here.
    if (!(s.Feed > 2.0) || memory.FeedWarned || s.GFeedMode != 95) return;
    // Thread cuts and thread cycles are exempt: their F is the lead.
    const GKind kind = KindOf(b.Mode, s.FanucMode);
    const bool cycle = kind == GKind::Cycle || kind == GKind::Drill;
    const bool move = kind == GKind::Move || kind == GKind::Arc;
    if (!(cycle || move) || !Cuts(b, cycle)) return;
    const bool inch = s.UnitCode == 4;
    const double limit = inch ? 0.08 * 25.4 : 2.0; // the feed is held in millimetres
    if (!(s.Feed > limit * (1 + 1e-9))) return;
    memory.FeedWarned = true;
    memory.WarnedFeed = s.Feed;
    memory.WarnedFeedMode = s.GFeedMode;
    ReportLargeFeed(b, sink);
}

void UnitMismatch(const BlockSeen& b, RunMemory& memory, Sink& sink) {
    const interp::MachineState& s = b.S;
    const std::string now = "the unit comes from the Unit setting, now " + UnitName(s.UnitCode) + ", ";
    std::string message;
    if (KindOf(b.Mode, s.FanucMode) == GKind::Home && b.TimeBefore == 0) {
        // G20/G21 at the head of a program, before anything moved: another control's unit select.
        const bool inch = b.Mode == 20;
        if (inch == (s.UnitCode == 4)) return;
        message = std::string(inch ? "G20" : "G21") + " does not select " + (inch ? "inch" : "millimetres") +
                  " on this control: it returns the tool to the home point (the plus soft limits); " + now +
                  "not from the program: set Unit " + (inch ? "1 inch" : "1mm") + " for this program";
    } else if (s.UnitCode == 4 && s.RunState == interp::RunAlarm) {
        // Beyond the limits in inch, inside them in millimetres: a metric program. (Other
        // alarms, such as an arc's, say nothing about the unit.)
        const bool beyond = s.CurX >= s.PVLX || s.CurX <= s.NVLX || s.CurZ >= s.PVLZ || s.CurZ <= s.NVLZ;
        const double x = s.CurX / 25.4, z = s.CurZ / 25.4;
        if (!beyond || !(x < s.PVLX && x > s.NVLX && z < s.PVLZ && z > s.NVLZ)) return;
        message = "the end point X" + legacy::Str15(legacy::RoundTo(s.CurX, 3)) + " Z" +
                  legacy::Str15(legacy::RoundTo(s.CurZ, 3)) +
                  " mm, its words read in inch, is beyond the soft limits and would be inside them in "
                  "millimetres: the values look like millimetres; " +
                  now + "not from the program: set Unit 1mm for this program";
    } else if (s.UnitCode == 1 && s.GFeedMode == 95 && s.Feed > 0 && s.Feed < 0.015 &&
               IsMoveMode(b.Mode, s.FanucMode) && Cuts(b, false)) {
        message = "feed " + legacy::Str15(legacy::RoundTo(s.Feed, 4)) +
                  " mm/rev is too fine for millimetres: the values look like inch; " + now +
                  "not from the program: set Unit 1 inch for this program";
    } else {
        return;
    }
    memory.UnitWarned = true;
    sink.Add(b.Line(), message);
}

void UnscaledArcRadius(const BlockSeen& b, RunMemory& memory, Sink& sink) {
    const interp::MachineState& s = b.S;
    // The arc took its radius from R (no L given): R is read as written, in millimetres.
    if (KindOf(b.Mode, s.FanucMode) != GKind::Arc || s.RWord == 0 || s.LWord != s.RWord) return;
    memory.RadiusWarned = true;
    sink.Add(b.Line(), "the arc radius R" + legacy::Str15(s.RWord) + " is not converted by the unit: it is " +
                           legacy::Str15(s.RWord) + " mm while X and Z are read in " + UnitName(s.UnitCode) +
                           ", so the arc is wrong or ends in \"Calcu Error\"; give the radius as L, or "
                           "the centre with I and K, which are converted");
}

void NoProgramEnd(const RunMemory& memory, const LineOfBlock& lineOf, Sink& sink) {
    if (memory.LastEndPos == 0 || memory.Ended || memory.EndUnread) return;
    sink.Add(lineOf(memory.LastEndPos),
             "the run reaches the end of the text without M02 or M30: end the program with M30");
}

} // namespace advice
