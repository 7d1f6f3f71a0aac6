// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Watch.h"

#include "interp/GCodes.h"
#include "motion/Motion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace machine {

namespace {

// Whether the block itself writes G50 (the modal code stays 50 in the blocks after it).
bool WritesG50(const std::u16string& b) {
    for (size_t i = b.find(u"G50"); i != std::u16string::npos; i = b.find(u"G50", i + 1))
        if (i + 3 == b.size() || b[i + 3] < u'0' || b[i + 3] > u'9') return true;
    return false;
}

// Calls `f` with every M code written in the block (outside comments), in order.
template <class F> void ForEachMCode(const std::u16string& b, F&& f) {
    // Most blocks have none: looked for bytewise first (an M's low byte; a character that only
    // holds the byte is passed over below).
    if (!std::memchr(b.data(), 'M', b.size() * sizeof(char16_t))) return;
    bool comment = false;
    for (size_t i = 0; i < b.size(); ++i) {
        if (b[i] == u'(') comment = true;
        if (b[i] == u')') comment = false;
        if (comment || b[i] != u'M') continue;
        int code = 0, digits = 0;
        for (size_t k = i + 1; k < b.size() && b[k] >= u'0' && b[k] <= u'9' && digits < 5; ++k, ++digits)
            code = code * 10 + (b[k] - u'0');
        if (digits > 0) f(code);
    }
}

bool IsGearCode(int code) {
    return code >= 41 && code <= 44;
}

} // namespace

Watch::Watch(const Profile& profile, double partFrontZ, Recording* record, PlanOn where)
    : Plan(profile, partFrontZ, record, where), Gears(!profile.Gears.empty()) {
    static_assert(LastCode == interp::gtable::Last);
    for (int fanuc = 0; fanuc < 2; ++fanuc)
        for (int code = 0; code <= LastCode + 1; ++code) {
            const interp::GCode& row = interp::GCodeOf(code, fanuc == 1);
            const interp::GKind kind = row.Kind;
            Rows[fanuc][code] = static_cast<uint8_t>(
                (kind == interp::GKind::Thread || kind == interp::GKind::LeadMove ? ThreadRow : 0) |
                (kind == interp::GKind::Move || kind == interp::GKind::Arc ? OwnBlockRow : 0) |
                (row.Run == cycles::LongThreadCycle || row.Run == cycles::FaceThreadCycle ? HeldRow : 0));
        }
}

void Watch::Changed(const interp::Machine& machine) {
    const interp::MachineState& s = machine.S;
    const int64_t line = s.BlockEndPos;
    SeenTWord = std::bit_cast<uint64_t>(s.TWord), SeenSWord = std::bit_cast<uint64_t>(s.SWord);
    if (s.TWord != ToolTWord || s.TGFlag != ToolTG) {
        ToolTWord = s.TWord, ToolTG = s.TGFlag;
        const double tool = motion::ToolNumberOf(machine);
        if (tool != Tool) {
            Plan.ToolChange(line, tool);
            Tool = tool;
        }
    }
    if (s.SWord != LastSWord) {
        // G50 S is the clamp of G96, not a speed (the control keeps it as the S word).
        (s.GMode == 50 && WritesG50(s.BlockText) ? Clamp : Speed) = s.SWord;
        LastSWord = s.SWord;
    }
    const SpindleCommand c{s.MSpindle, s.GSpeedMode == 96, Speed, Clamp};
    if (!(c == Cmd)) {
        // The block's gear range is chosen before its speed, as the control does.
        if (Gears && GearLine != line)
            ForEachMCode(s.BlockText, [&](int code) {
                if (IsGearCode(code)) Plan.MCode(code, line), GearLine = line;
            });
        Plan.Spindle(c, line);
        Cmd = c;
    }
}

void Watch::Hold(const motion::PathSegment& p, const interp::MachineState& s, uint8_t row) {
    using Kind = motion::PathSegment::Kind;
    if (p.kind == Kind::Rapid) {
        Move m;
        m.Type = Move::Kind::Rapid;
        m.X0 = p.x0, m.Z0 = p.z0, m.X1 = p.x1, m.Z1 = p.z1;
        m.Line = s.BlockEndPos, m.Tool = Tool;
        Held.push_back(m);
        return;
    }
    const bool arc = p.kind != Kind::Cut;
    const auto flags = static_cast<uint8_t>(FeedFlags(row & ~HeldRow, s) | (arc ? Ahead::ArcBit : 0) |
                                            (p.kind == Kind::ArcCW ? Ahead::ClockwiseBit : 0));
    Held.push_back(Ahead::MoveOf(flags, s.BlockEndPos, Tool, p.x0, p.z0, p.x1, p.z1, s.Feed, arc ? p.cx : 0,
                                 arc ? p.cz : 0, arc ? p.r : 0));
}

void Watch::RunHeld(const interp::MachineState& s) {
    // Every pass: the infeed, the cut (the first drawn; the second is the line a thread height
    // away), the retract and the return. A part of a pass is a pass.
    std::vector<Move> pass;
    bool cut = false;
    for (const Move& m : Held) {
        if (m.Type != Move::Kind::Rapid && cut) continue;
        cut = cut || m.Type != Move::Kind::Rapid;
        pass.push_back(m);
    }
    const double n = s.DWord != 0 ? std::ceil(std::fabs(s.HWord / s.DWord) - 1e-9) : 1;
    const int passes = std::isfinite(n) ? static_cast<int>(std::clamp(n, 1.0, 10000.0)) : 1;
    for (int k = 0; k < passes; ++k)
        for (const Move& m : pass)
            Plan.Add(m);
    Held.clear();
}

void Watch::MCodes(const interp::MachineState& s) {
    // As written in the block (outside comments); a gear range already chosen with the block's
    // speed is not chosen again.
    const int64_t line = s.BlockEndPos;
    const bool gearsDone = GearLine == line;
    ForEachMCode(s.BlockText, [&](int code) {
        if (!(gearsDone && IsGearCode(code))) Plan.MCode(code, line);
    });
}

} // namespace machine
