// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The steps every drawing cycle is made of: its rapid and cutting legs, the XA/ZA position
// labels, the pace between legs, the end-point mark, the time the legs take, and the return to
// the point where the cycle began. The cycles draw their legs themselves: no tool-change
// handling, no clamping at the soft limits, no per-leg time.

#include "motion/MoveSupport.h"

#include <string>

namespace interp {
struct Machine;
}

namespace cycles::steps {
using interp::Machine;

// An arithmetic fault inside a cycle (motion::CalcFault, raised by Finite and the time steps)
// ends the cycle with "Calcu Error" in both status bars and RunState 4, through Guarded, which
// runs every cycle body. What the body had drawn and booked until then stays.
// NOTE: the cycle stops where the fault met it and does not return to its start, as an alarm
// stops a run; the next block then starts from the block point, as after "Feed is 0.".
using motion::CalcFault;
using motion::Finite;
using motion::Guarded;

// A dotted leg in RapidColor / a solid leg in CutColor, between two machine points (X diameter,
// Z), reported to the trace with the block's line. The canvas is left solid.
void RapidSegment(Machine& m, double x0, double z0, double x1, double z1);
void CutSegment(Machine& m, double x0, double z0, double x1, double z1);

// The XA / ZA label shows v with three decimals (-12.500, 0.500).
void ShowX(Machine& m, double v);
void ShowZ(Machine& m, double v);

// Waits 0.5 s at run speed 0 down to nothing at 100; none during a silent re-run.
void Pace(Machine& m);
// The end-point mark at the block point (CurX/CurZ).
void Marker(Machine& m);
// The usual close of a leg: show X (Z) v, pace, mark.
void ShowXPaceMark(Machine& m, double v);
void ShowZPaceMark(Machine& m, double v);

// Rapid travel of d mm at the fixed rapid rate of 20000 mm/min, added to CuttingTime.
void AddRapidTime(Machine& m, double d);
// Cutting time of a cut of `length` mm at the programmed feed (motion::AddCutTime in the cycles'
// form). Per revolution the spindle speed is S (G97) or the speed at the mean of CurX and LastX
// (G96). Returns false after raising "Speed is 0." (per revolution without a positive S), when
// nothing is added.
bool AddCutTime(Machine& m, double length);

// "Feed is 0." when Feed <= 0: both status bars, RunState 4; returns true when raised.
bool FeedMissing(Machine& m);
// The D or H alarm of the multi-pass thread cycles: main status bar only, RunState 4.
void DepthOrHeightMissing(Machine& m, const std::string& message);

// tan of an angle word in degrees, as the control computes it; throws CalcFault when not finite.
double TaperTan(double angleDegrees);

// CurX/CurZ back to LastX/LastZ: the next block starts where the cycle began.
void ReturnToStart(Machine& m);

// The box of a single-pass cycle from the start point S to the block point B, with its times,
// ending back at S. Along Z (G31/G33, G92): infeed to diameter xFrom, cut to (xTo, Zb), retract
// to Xs, return to Zs. Along X (G32, G94): infeed to zFrom, cut to (Xb, zTo), retract to Zs,
// return to Xs. The labels show Xb (Zb) right after the infeed.
void LongBox(Machine& m, double xFrom, double xTo);
void FaceBox(Machine& m, double zFrom, double zTo);

} // namespace cycles::steps
