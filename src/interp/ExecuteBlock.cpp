// Interpreting one block: per-block reset, scan, modal groups, end-point completion, minus soft
// limits, dispatch to the move or cycle, display and pacing.

#include "base/Legacy.h"
#include "base/Machine.h"
#include "cycles/Cycles.h"
#include "interp/Interpreter.h"
#include "interp/Scanner.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"
#include "motion/SoftLimits.h"

#include <cmath>
#include <limits>

namespace interp {

void ApplyGWord(Machine& m) {
    MachineState& s = m.S;
    const double g = s.GWord;
    // Whole codes are looked up in one step (most blocks carry G00 or G01, which fall through to
    // the modal code); any other value is a modal code of its own.
    const int code = g >= 0 && g <= 200 && g == std::floor(g) ? static_cast<int>(g) : -1;
    switch (code) {
    case 13:
        s.XSign = 1;
        s.Turret = "A";
        s.TWord = 0;
        s.PrevTWord = 0;
        break;
    case 14:
        s.Turret = "B";
        s.TWord = 0;
        s.PrevTWord = 0;
        if (s.BTurretUpper) {
            s.XSign = -1;
            s.ToolLabelCount = 1;
        }
        break;
    case 40:
    case 41:
    case 42:
        s.GNoseR = static_cast<int16_t>(code);
        break;
    case 90:
        if (s.FanucMode)
            s.GMode = 92; // FANUC: single-pass turning cycle
        else
            s.GAbsInc = 90;
        break;
    case 91:
        s.GAbsInc = 91;
        break;
    case 94:
        if (s.FanucMode)
            s.GMode = 94; // FANUC: single-pass face cycle
        else
            s.GFeedMode = 94;
        break;
    case 95:
    case 99:
        s.GFeedMode = 95;
        break;
    case 98:
        s.GFeedMode = 94;
        break;
    case 96:
    case 97:
        s.GSpeedMode = static_cast<int16_t>(code);
        break;
    case 75:
    case 76:
        s.G75Mode = static_cast<int16_t>(code);
        break;
    case 64:
    case 65:
    case 110:
    case 111:
        break; // no effect
    default:
        s.GMode = g;
        break; // G50 and other unlisted codes become modal and dispatch nothing
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

// Dispatch on the modal code (step 7). The one documented table of the interpreter.
void Dispatch(Machine& m) {
    const MachineState& s = m.S;
    const double g = s.GMode;
    if (g == 0)
        motion::RapidMove(m);
    else if (g == 1 || g == 34 || g == 35)
        motion::LinearMove(m);
    else if (g == 2)
        s.G2mirror ? motion::CircularCCW(m) : motion::CircularCW(m);
    else if (g == 3)
        s.G2mirror ? motion::CircularCW(m) : motion::CircularCCW(m);
    else if (g == 4)
        motion::Dwell(m);
    else if (g == 20 || g == 21)
        motion::HomeReturn(m);
    else if (g == 28) {
        if (s.FanucMode) motion::ReferenceReturn(m);
    } else if (g == 31 || g == 33)
        cycles::LongThreadCut(m);
    else if (g == 32)
        s.FanucMode ? motion::LinearMove(m) : cycles::FaceThreadCut(m);
    else if (g == 71)
        cycles::LongThreadCycle(m);
    else if (g == 72)
        cycles::FaceThreadCycle(m);
    else if (g == 73)
        cycles::LongGrooveCycle(m);
    else if (g == 74)
        cycles::FaceGrooveCycle(m);
    else if (g == 92)
        cycles::LongTurnCycle(m);
    else if (g == 94)
        cycles::FaceTurnCycle(m);
    else if (g == 112)
        motion::CircularCW(m);
    else if (g == 113)
        motion::CircularCCW(m);
    else if (g == 178 || g == 179 || g == 181 || g == 183 || g == 184)
        cycles::DrillCycle(m);
    else if (g == 180)
        cycles::DrillCycleCancel(m);
}

// Steps 4 and 5: incremental words and the taper angle complete the end point. Returns false
// (with "Calcu Error" raised and the end point as it was before the failing step) when the
// arithmetic leaves the finite numbers.
bool CompleteEndPoint(Machine& m, const BlockFlags& flags) {
    using motion::Finite;
    MachineState& s = m.S;
    try {
        if (s.GAbsInc == 91) {
            const double x = Finite(flags.XGiven ? s.CurX + s.LastX : s.CurX);
            const double z = Finite(flags.ZGiven ? s.CurZ + s.LastZ : s.CurZ);
            s.CurX = x;
            s.CurZ = z;
        }
        const double g = s.GMode;
        if (s.TaperAngle != 0 && g != 31 && g != 32 && g != 33 && g != 71 && g != 72) {
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

void ExecuteBlock(Machine& m) {
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
    if (!CompleteEndPoint(m, flags)) {
        if (s.GMode != 4) s.PrevGMode = s.GMode;
    } else if (WithinMinusLimits(m)) {
        Dispatch(m);
        if (s.GMode != 4) s.PrevGMode = s.GMode;
    }
    // 9. The display also puts back the modal code after a dwell.
    motion::ShowDisplay(m);
    // 10. M63 is shown for one block only.
    if (s.MOther == 63) s.MOther = -1;
    // 11. The drilling cycles keep their start point themselves; a rejected point still becomes
    // the start of the next block.
    if (s.GMode < 178) {
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
