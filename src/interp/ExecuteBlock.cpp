// SPDX-License-Identifier: GPL-3.0-or-later
// Interpreting one block: per-block reset, scan, modal groups, end-point completion, minus soft
// limits, dispatch to the move or cycle, display and pacing.

#include "base/Legacy.h"
#include "base/Machine.h"
#include "cycles/Cycles.h"
#include "interp/GCodes.h"
#include "interp/Interpreter.h"
#include "interp/Scanner.h"
#include "iso/IsoControl.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"
#include "motion/SoftLimits.h"

#include <cmath>
#include <limits>

namespace interp {

void ApplyGWord(Machine& m) {
    MachineState& s = m.S;
    const double g = s.GWord;
    const GCode& row = GCodeOf(g, s.FanucMode);
    switch (row.Effect) {
    case GEffect::Modal:
        s.GMode = g;
        break;
    case GEffect::ModalAs:
        s.GMode = row.Mode;
        break;
    case GEffect::TurretA:
        s.XSign = 1;
        s.Turret = "A";
        s.TWord = 0;
        s.PrevTWord = 0;
        break;
    case GEffect::TurretB:
        s.Turret = "B";
        s.TWord = 0;
        s.PrevTWord = 0;
        if (s.BTurretUpper) {
            s.XSign = -1;
            s.ToolLabelCount = 1;
        }
        break;
    case GEffect::NoseRadius:
        s.GNoseR = static_cast<int16_t>(g);
        break;
    case GEffect::Absolute:
        s.GAbsInc = 90;
        break;
    case GEffect::Incremental:
        s.GAbsInc = 91;
        break;
    case GEffect::FeedPerMin:
        s.GFeedMode = 94;
        break;
    case GEffect::FeedPerRev:
        s.GFeedMode = 95;
        break;
    case GEffect::SpeedMode:
        s.GSpeedMode = static_cast<int16_t>(g);
        break;
    case GEffect::StoredMode:
        s.G75Mode = static_cast<int16_t>(g);
        break;
    case GEffect::None:
        break;
    }
}

void ApplyMWord(Machine& m) {
    MachineState& s = m.S;
    const double v = s.MWord;
    if (v == 0)
        s.RunState = RunProgramStop;
    else if (v == 1)
        s.RunState = RunOptionalStop;
    else if (v == 2)
        s.RunState = RunEndM02;
    else if (v == 30)
        s.RunState = RunEndM30;
    else if (v == 3 || v == 4 || v == 5 || v == 19)
        s.MSpindle = static_cast<int16_t>(v);
    else if (v == 8 || v == 9)
        s.MCoolant = static_cast<int16_t>(v);
    else {
        // NOTE: kept in a wide integer; values beyond it saturate instead of failing.
        const double r = legacy::CInt(v);
        constexpr double lo = static_cast<double>(std::numeric_limits<int32_t>::min());
        constexpr double hi = static_cast<double>(std::numeric_limits<int32_t>::max());
        s.MOther = std::isnan(r) ? 0 : static_cast<int32_t>(r < lo ? lo : (r > hi ? hi : r));
    }
}

namespace {

// Dispatch on the modal code (step 7): the procedure of its row in the G-code table.
void Dispatch(Machine& m, const GCode& row) {
    if (row.Run) row.Run(m);
}

// Steps 4 and 5: incremental words and the taper angle complete the end point. Returns false
// (with "Calcu Error" raised and the end point as it was before the failing step) when the
// arithmetic leaves the finite numbers.
bool CompleteEndPoint(Machine& m, const BlockFlags& flags, const GCode& row) {
    using motion::Finite;
    MachineState& s = m.S;
    try {
        if (s.GAbsInc == 91) {
            const double x = Finite(flags.XGiven ? s.CurX + s.LastX : s.CurX);
            const double z = Finite(flags.ZGiven ? s.CurZ + s.LastZ : s.CurZ);
            s.CurX = x;
            s.CurZ = z;
        }
        if (s.TaperAngle != 0 && !row.KeepsTaper) {
            const double t = std::tan(Pi * (2 * (s.TaperAngle / 360)));
            double x = s.CurX, z = s.CurZ;
            // X unchanged (written or not): the angle gives X from Z; otherwise Z from X.
            if (s.CurX == s.LastX)
                x = s.LastX + 2 * t * (s.CurZ - s.LastZ);
            else
                z = s.LastZ + ((s.CurX - s.LastX) / 2) / t;
            x = Finite(x);
            s.CurZ = Finite(z);
            s.CurX = x;
        }
    } catch (const motion::CalcFault&) {
        // The same fault the moves and cycles report, but here the block is not dispatched.
        RaiseAlarm(m, "Calcu Error");
        return false;
    }
    return true;
}

// Step 6: a point on or beyond a minus limit is rejected before any motion.
using motion::WithinMinusLimits;

} // namespace

void ArcG02(Machine& m) {
    m.S.G2mirror ? motion::CircularCCW(m) : motion::CircularCW(m);
}

void ArcG03(Machine& m) {
    m.S.G2mirror ? motion::CircularCW(m) : motion::CircularCCW(m);
}

void ExecuteBlock(Machine& m) {
    // The ISO control reads the block in its own way (src/iso); the two dialects below.
    if (m.S.IsoMode) return iso::ExecuteIsoBlock(m);
    MachineState& s = m.S;
    // 1. Per-block reset.
    BlockFlags flags;
    s.UGiven = s.WGiven = false;
    s.RunState = RunRunning;
    s.TaperAngle = s.RWord = s.LWord = s.IWord = s.KWord = s.DWord = s.PWord = s.UWord = s.WWord = 0;
    // 2.
    if (m.Ui.WantsDisplay()) m.Ui.ShowBlockCount(s.BlockCount);
    s.BlockLen = static_cast<int64_t>(s.BlockText.size());
    // 3. Scan; G and M words act as they are read.
    ScanBlock(m, flags);
    // 4-6. End point, then the minus limits; 7. dispatch; 8. the motion code a dwell returns to.
    // A block rejected at a minus limit skips both: its motion code never ran, so a later dwell
    // must not return to it.
    const GCode& row = GCodeOf(s.GMode, s.FanucMode);
    if (!CompleteEndPoint(m, flags, row)) {
        if (row.Kind != GKind::Dwell) s.PrevGMode = s.GMode;
    } else if (WithinMinusLimits(m)) {
        Dispatch(m, row);
        if (row.Kind != GKind::Dwell) s.PrevGMode = s.GMode;
    }
    // 9. The display also puts back the modal code after a dwell.
    motion::ShowDisplay(m);
    // 10. M63 is shown for one block only.
    if (s.MOther == 63) s.MOther = -1;
    // 11. The drilling cycles keep their start point themselves; a rejected point still becomes
    // the start of the next block.
    if (s.GMode < gtable::FirstOwnStart) {
        s.LastX = s.CurX;
        s.LastZ = s.CurZ;
    }
    // 12. Pacing by the run-speed slider.
    if (!s.Replay) {
        if (!s.SingleBlock && !s.RestartSearch) WaitSeconds(m, 0.5 - s.RunSpeed * 0.005);
        m.Ui.DoEvents();
    }
}

} // namespace interp
