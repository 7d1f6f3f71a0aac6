// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Motion procedures of the dispatch table and the drawing services the cycles share. Each takes
// the machine as its only parameter and works through its state, canvas and host. The soft-limit
// checks are in motion/SoftLimits.h, the cutting time in motion/CuttingTime.h.

#include <string>

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
// The rulers' tick step for a canvas scale width: the largest listed step strictly below a
// twentieth of it, at least 0.2. Also used by the pictures of the checker.
double RulerStep(double scaleWidth);
// The label of the ruler tick at canvas position t: the horizontal ruler (t along canvas x) or the
// vertical one (t along canvas y), in the horizontal or the vertical layout ("Z-20", "X40").
std::string RulerLabel(bool horizontalRuler, double t, bool vertical, double xSign);

// Tool number of the T word in force: (T div 100) mod 100, or the whole word in the TG form.
// Used by the position mark and by the checker's time per tool.
int ToolNumberOf(const Machine& m);
// The tool-change step of a rapid move: new colours (and a cleared canvas with Tool Clear) when
// the tool number changes; re-arms the tool label whenever the T word changes.
// Reads TWord, PrevTWord, TGFlag, ToolClear; writes PrevTWord, ToolLabelDone, the colours.
void ToolChangeCheck(Machine& m);
// The tool label of a rapid move. ToolLabelPoint is taken before the move completes its end
// point; ToolLabel prints "TA 101 " there when the label is armed and the point lies inside
// the label window. Reads ShowToolNumber, ToolLabelDone, ToolLabelCount, Turret, TWord;
// writes ToolLabelDone, ToolLabelCount. Called by RapidMove.
CanvasPoint ToolLabelPoint(const Machine& m);
void ToolLabel(Machine& m, CanvasPoint at);
// The top-left corner of the part of the canvas the viewport shows, in canvas units.
double VisibleLeft(const Machine& m);
double VisibleTop(const Machine& m);

// The state labels: computes the texts and hands them to the host; restores GMode after a dwell.
void ShowDisplay(Machine& m);

} // namespace motion

namespace motion {

// The standard view as numbers (canvas size and position, canvas and ruler scales), then
// RedrawCanvas. The caller resets and re-runs. Reports the two failures of the view set-up.
enum class StandardViewResult { Ok, GraphicMemory, SoftLimitError };
// The error number shown after "Soft limit error." (a zero scale is an invalid property value).
inline constexpr int SoftLimitErrorNumber = 380;
StandardViewResult SetStandardView(Machine& m);
// After the window was resized: the canvas and rulers take four times the new viewport, the
// scale (millimetres per window unit) and the machine point at the viewport's centre stay, the
// remembered zoom views take the new proportions, and the canvas is redrawn empty. The caller
// re-runs the program.
void FitCanvasToViewport(Machine& m);
// Moves the canvas back towards its middle, keeping the visible area.
void RecentreCanvas(Machine& m);

} // namespace motion
