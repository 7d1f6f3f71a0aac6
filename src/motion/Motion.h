#pragma once
// Motion procedures of the dispatch table and the drawing services the cycles share. Each takes
// the machine as its only parameter and works through its state, canvas and host.

namespace interp {
struct Machine;
}

namespace motion {
using interp::Machine;

void RapidMove(Machine& m);       // G00: dotted line to CurX/CurZ (U/W applied, clamped), label, arrow, time
void LinearMove(Machine& m);      // G01 (G32 FANUC, G34, G35): solid line, plus-limit check, time
void CircularCW(Machine& m);      // G02 (G03 mirrored, G112)
void CircularCCW(Machine& m);     // G03 (G02 mirrored, G113)
void Dwell(Machine& m);           // G04
void HomeReturn(Machine& m);      // G20, G21: back to the plus limits
void ReferenceReturn(Machine& m); // G28 in the FANUC dialect

// Plus soft limits: 1 when CurX >= PVLX or CurZ >= PVLZ (message written, RunState 4), else 0.
int CheckPlusLimit(Machine& m);

// The canvas mapping of a machine point (X diameter, Z) in the current layout and XSign.
struct CanvasPoint {
    double x, y;
};
CanvasPoint MapPoint(const Machine& m, double x, double z);
// A rapid leg (dotted, RapidColor) or a cutting leg (solid, CutColor, end pixel) from (x0, z0) to
// (x1, z1), reported to the canvas as a path segment too. Used by the moves and the cycles.
void DrawRapidLine(Machine& m, double x0, double z0, double x1, double z1);
void DrawCutLine(Machine& m, double x0, double z0, double x1, double z1);

// Drawing services (trace drawing rules).
void NextToolColors(Machine& m);
void DrawPositionMark(Machine& m);
void DrawRapidArrow(Machine& m, double x, double z, double lastX, double lastZ);
void RedrawCanvas(Machine& m);

// The state labels: computes the texts and hands them to the host; restores GMode after a dwell.
void ShowDisplay(Machine& m);

} // namespace motion

namespace motion {

// The standard view as numbers (canvas size and position, canvas and ruler scales), then
// RedrawCanvas. The caller resets and re-runs. Reports the two failures of the view set-up.
enum class StandardViewResult { Ok, GraphicMemory, SoftLimitError };
StandardViewResult SetStandardView(Machine& m);
// Moves the canvas back towards its middle, keeping the visible area.
void RecentreCanvas(Machine& m);

} // namespace motion
