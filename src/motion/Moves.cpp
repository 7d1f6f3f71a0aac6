// Straight moves of the lathe: rapid traverse, linear cutting, dwell, home and reference return,
// and the plus soft-limit check the cutting moves share.

#include "base/Alarms.h"
#include "base/Machine.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <cmath>

namespace motion {
using interp::Pi;

int CheckPlusLimit(Machine& m) {
    auto& s = m.S;
    int result = 0;
    if (s.CurX >= s.PVLX) {
        interp::RaiseAlarm(m, "X-Axis puls limit over.");
        result = 1;
    }
    if (s.CurZ >= s.PVLZ) {
        // The two bars have always spelt this message differently.
        interp::RaiseAlarm(m, "Z-Axis plus limit over.", "Z-Axis puls limit over.");
        result = 1;
    }
    return result;
}

namespace {

// The U and W words of a move: increments from the start point. A sum that overflows leaves the
// end point as it was and raises "Calcu Error"; returns false then.
bool ApplyIncrements(Machine& m) {
    auto& s = m.S;
    const double x = s.UWord != 0 ? s.LastX + s.UWord : s.CurX;
    const double z = s.WWord != 0 ? s.LastZ + s.WWord : s.CurZ;
    if (!AllFinite({x, z})) {
        CalcuError(m);
        return false;
    }
    s.CurX = x;
    s.CurZ = z;
    return true;
}

// Time of a cutting move of length `length`, by feed mode and speed mode; shared by the linear
// move. Reports "Speed is 0." for feed per revolution without a spindle speed.
void AddCutTime(Machine& m, double length) {
    const auto& s = m.S;
    if (s.GFeedMode != 95) {
        AddCuttingTime(m, length / s.Feed * 60);
        return;
    }
    if (s.SWord <= 0) {
        interp::RaiseAlarm(m, "Speed is 0.");
        return;
    }
    double n = s.SWord;
    if (s.GSpeedMode != 97) {
        // Constant surface speed: spindle speed at the mean diameter plus 0.5 mm, kept as a single.
        const double divisor = std::fabs(s.CurX + s.LastX + 1);
        const float speed = static_cast<float>(2 * (s.SWord * 1000 / Pi) / divisor);
        if (divisor == 0 || !std::isfinite(speed) || speed == 0) return CalcuError(m);
        n = speed;
    }
    AddCuttingTime(m, length / s.Feed / n * 60);
}

} // namespace

void RapidMove(Machine& m) {
    auto& s = m.S;
    // 1. The tool-label point, from the end point as the block wrote it.
    const CanvasPoint label = ToolLabelPoint(m);
    // 2. Incremental words.
    if (!ApplyIncrements(m)) return;
    // 3. A rapid move stops at the plus limits without a message.
    if (s.CurX > s.PVLX) s.CurX = s.PVLX;
    if (s.CurZ > s.PVLZ) s.CurZ = s.PVLZ;
    // 4. Tool change, 5. tool label.
    ToolChangeCheck(m);
    if (s.ShowToolNumber) ToolLabel(m, label);
    // 6. The dotted line, 7. the mark, 8. the arrow head.
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    DrawRapidArrow(m, s.CurX, s.CurZ, s.LastX, s.LastZ);
    // 9. Time.
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

void LinearMove(Machine& m) {
    auto& s = m.S;
    // 1. Incremental words, 2. plus limits: a refused move is neither drawn nor timed.
    if (!ApplyIncrements(m)) return;
    if (CheckPlusLimit(m) == 1) return;
    // 3. The solid line with its end pixel, 4. the mark.
    DrawCutLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    // 5. Length, 6. time.
    const double dx = std::fabs(s.CurX - s.LastX) / 2, dz = s.CurZ - s.LastZ;
    const double length = std::sqrt(dx * dx + dz * dz);
    if (!std::isfinite(length)) return CalcuError(m);
    // NOTE: a machine refuses a cutting move without feed, as the arcs and cycles already do;
    // the move stays drawn so the operator sees where it went.
    if (s.Feed <= 0) return interp::RaiseAlarm(m, "Feed is 0.");
    AddCutTime(m, length);
}

void Dwell(Machine& m) {
    auto& s = m.S;
    // 1. Dwell time: P, U or X in the FANUC dialect, F in the KVZ dialect, as stored.
    double t;
    if (s.FanucMode)
        t = s.PWord > 0 ? s.PWord : (s.UWord > 0 ? s.UWord : s.CurX);
    else
        t = s.Feed;
    // 2. Time, 3. the tool stays where it is: the words of a dwell are times, not positions.
    AddCuttingTime(m, t);
    s.CurX = s.LastX;
    s.CurZ = s.LastZ;
}

void HomeReturn(Machine& m) {
    auto& s = m.S;
    s.CurX = s.PVLX;
    s.CurZ = s.PVLZ;
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

void ReferenceReturn(Machine& m) {
    auto& s = m.S;
    // 1. Only the axes named by U or W go home, whatever their value.
    s.CurX = s.UGiven ? s.PVLX : s.LastX;
    s.CurZ = s.WGiven ? s.PVLZ : s.LastZ;
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    DrawRapidArrow(m, s.CurX, s.CurZ, s.LastX, s.LastZ);
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

} // namespace motion
