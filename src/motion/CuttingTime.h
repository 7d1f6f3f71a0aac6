// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cutting time of moves and cycles: the running total, rapid travel, and a cut at the feed in
// force, per minute or per revolution.

namespace interp {
struct Machine;
}

namespace motion {

// CuttingTime += seconds, kept in single precision as the control does. A sum that is not a
// finite single (or a non-finite addend) adds nothing and is an arithmetic fault (CalcFault).
void AddCuttingTime(interp::Machine& m, double seconds);

// Time of a rapid move: 20000 mm/min on each axis independently, X counted as radius.
double RapidSeconds(double x0, double z0, double x1, double z1);

// How the spindle speed of constant surface speed (G96) is worked out from S and the mean of the
// diameters CurX and LastX. NOTE: the control computes it in three ways that differ in the last
// bits, and the times it shows depend on them, so each caller names its own:
//   SingleSpeed: n = 2 * (S * 1000 / Pi) / |CurX + LastX + 1| kept as a single (G01 and the
//                other straight cutting moves); a zero speed is an arithmetic fault;
//   DoubleSpeed: the same n kept in double precision (G02, G03);
//   CycleSpeed:  n = 2000 * S / (Pi * |CurX + LastX + 1|) (the cycles' shared cut-time step).
// The +1 keeps the divisor off zero on the centre line, but not for a mean diameter of -0.5.
enum class SurfaceSpeed { SingleSpeed, DoubleSpeed, CycleSpeed };

// Time of a cut of `length` mm: length / F * 60 per minute (G94), length / F / n * 60 per
// revolution (G95) with n = S (G97) or the speed of constant surface speed (G96). Per revolution
// without a positive S: "Speed is 0." in both status bars, RunState 4, nothing added, false.
// The caller has refused a feed of zero. Throws CalcFault when the arithmetic fails.
bool AddCutTime(interp::Machine& m, double length, SurfaceSpeed form);

} // namespace motion
