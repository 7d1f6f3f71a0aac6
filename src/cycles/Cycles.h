// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Canned cycles of the dispatch table. Each takes the machine as its only parameter and is called
// by ExecuteBlock once all words of the block are in the state. S is the start point
// (LastX, LastZ), B the block point (CurX, CurZ). The drawing cycles draw their legs on the trace,
// show XA/ZA, pace, mark the block point and add their time to CuttingTime; an arithmetic fault
// ends any of them with "Calcu Error" (RunState 4), leaving what was drawn.

namespace interp {
struct Machine;
}

namespace cycles {
using interp::Machine;

// G31, G33: one pass of a thread along Z, tapered by I (or the A/B angle).
// Reads S, B, IWord, TaperAngle, Feed, SWord, feed and speed modes, the cycle memory.
// Writes SavedEndZ, SavedI, SavedTaperAngle (new Z) or restores CurZ, IWord, TaperAngle from them
// (same Z: the next pass); IWord from the angle; CuttingTime; CurX/CurZ back to S.
// Reports the plus limits, then "Feed is 0." (nothing drawn), "Speed is 0." (after drawing).
void LongThreadCut(Machine& m);

// G32 in the KVZ dialect: the same along X, tapered by K. Remembers and tapers before it checks
// the limit and feed. Writes SavedEndX, SavedK, SavedTaperAngle or restores CurX, KWord,
// TaperAngle; KWord from the angle; CuttingTime; CurX/CurZ back to S.
void FaceThreadCut(Machine& m);

// G71: a thread along Z in H / D passes. Reads S, B, HWord, DWord, IWord, TaperAngle, Feed, SWord,
// modes. Writes IWord from the angle, CuttingTime, CurX/CurZ back to S; H stays as written.
// Reports the plus limits, then "D又Hが０です。" (main bar only, nothing drawn), then
// "Feed is 0.", then "Speed is 0." after drawing.
void LongThreadCycle(Machine& m);

// G72: the same along X with K; its D/H alarm reads "D or H vale is 0."; no arrows.
void FaceThreadCycle(Machine& m);

// G73: a groove along Z, plunged in X at Zs and at Zb after a rapid approach of I.
// Reads S, B, IWord, Feed, SWord, modes. Writes CuttingTime, CurX := LastX (CurZ stays Zb).
// Reports the plus limits, "Feed is 0." (nothing drawn), "Speed is 0." (after drawing).
void LongGrooveCycle(Machine& m);

// G74: a groove along X, plunged in Z at Xs and at Xb after an approach of K.
// Writes CuttingTime, CurZ := LastZ (CurX stays Xb).
void FaceGrooveCycle(Machine& m);

// G92 (G90 FANUC): one box pass along Z, incremental by U/W, tapered by R at the start of the cut.
// Reads S, B, UWord, WWord, RWord, Feed, SWord, modes. Writes CurX/CurZ from U/W, SavedEndZ and
// SavedR (new Z) or restores CurZ and RWord (same Z), CuttingTime, CurX/CurZ back to S.
// Reports the plus limits on B before U/W, then "Feed is 0.", then "Speed is 0.".
void LongTurnCycle(Machine& m);

// G94 (FANUC): one box pass along X. Remembers SavedEndX/SavedR (or restores CurX, RWord) before
// U/W, and checks the plus limits after them.
void FaceTurnCycle(Machine& m);

// G178, G179, G181, G183, G184: one hole, built from RapidMove and LinearMove, which draw, time
// and report each leg. Reads S, B, IWord, KWord, MOther. Writes SavedI/DrillReturnX or
// SavedK/DrillReturnZ and DrillAlongX when I or K > 0; LastX/LastZ (the next block starts at the
// R point, or at the initial point with M136); MOther := 0 after M136, else clears the approach.
void DrillCycle(Machine& m);

// G180: clears the drilling approach distances SavedI and SavedK; direction and initial point stay.
void DrillCycleCancel(Machine& m);

} // namespace cycles
