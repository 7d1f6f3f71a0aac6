// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving and scaling the view of the tool path: the zoom box and its history, the wheel, the page
// and arrow keys, dragging the canvas, and the position read-out under the pointer. Each operation
// changes only the view numbers (canvas scale, canvas position, rulers, zoom history) and says
// which silent re-run redraws the path under the new view; the window then asks RunControl for it.
// Pointer positions are canvas units, as the canvas reports them.

#include "motion/Motion.h"

#include <cstdint>
#include <optional>
#include <string>

namespace interp {
struct MachineState;
class RunControl;
} // namespace interp

namespace motion {
struct View;
}

// The view's operations work on motion's lathe and view; nav only adds the operator's ways of
// moving them.
namespace nav {
using interp::Machine;
using motion::CanvasPoint;
using motion::View;

// What the window does after a view or display operation.
enum class Rerun {
    None,              // nothing more: refused, or only the picture moved
    RedrawReplay,      // Reset, then Start when Auto start is on
    ReplayIfAutoStart, // Reset and Start, only when Auto start is on
    ForcedReplay,      // Reset and Start whatever Auto start says
    PopupStart,        // Reset, re-centre the canvas, Start
    StandardView,      // the window's standard-view command (it resets and re-runs itself)
    OverAreaNotice,    // the "Over area. Reset by start." popup; its Start item is PopupStart
};

// Runs the four re-run forms of the operator panel (and None); false for StandardView and
// OverAreaNotice, which belong to the window.
bool ApplyRerun(interp::RunControl& run, Rerun rerun);

// Key codes of the keys that move the view.
inline constexpr int KeyPageUp = 33, KeyPageDown = 34;
inline constexpr int KeyLeft = 37, KeyUp = 38, KeyRight = 39, KeyDown = 40;

// Text of the over-area popup item.
inline constexpr const char* OverAreaText = "Over area. Reset by start.";

// --- Zoom box and history ---

// Arms or disarms the zoom box; returns the new state (zoom menu check and toolbar button 14).
bool ToggleZoomMode(View& v);
// Left button down: a zoom-box corner in zoom mode, else the drag anchor.
void BeginZoomBox(View& v, float x, float y);
void BeginDrag(View& v, float x, float y);
// Left button held in zoom mode: erases the rubber band drawn last and draws the new one (XOR).
void DragRubberBand(Machine& m, float x, float y);
// Left button up in zoom mode: the viewport shows the box grown to the viewport's proportions,
// zoom mode is disarmed and the view is pushed on the history. A box without width or height is
// refused (its rubber band erased, nothing else changed). Returns RedrawReplay or None.
Rerun ApplyZoomBox(Machine& m, float x, float y);
// Shows the canvas area of `width` x `height` from (left, top), in the viewport's proportions,
// as a zoom box of that size would, and remembers it as one more view of the history (zoom undo
// goes back to the view before). The zoom box stays as it was. Returns RedrawReplay, or None
// (nothing changed) for an area without a finite size.
Rerun ZoomToArea(Machine& m, double left, double top, double width, double height);
// One step back through the history: RedrawReplay with the remembered view, or StandardView
// (ZoomLevel 0) when the history is used up.
Rerun ZoomUndo(Machine& m);

// --- Wheel, keys, drag ---

// Zooms about the last pointer position (MouseX, MouseY): out when iniVector <= 0, else in.
// Redraws the empty canvas; returns ForcedReplay (None when the scale would stop being finite).
Rerun WheelZoom(Machine& m, int16_t iniVector);
// Page Up/Down zoom about the centre, arrows shift by 2 % of the view. ForcedReplay, or None for
// any other key.
Rerun KeyZoom(Machine& m, int keyCode);
// Left button held outside zoom mode: moves the canvas and the rulers with the pointer, stopping
// at the canvas edge. At the edge: PopupStart with Auto start, else OverAreaNotice; else None.
Rerun DragCanvas(Machine& m, float x, float y);

// --- Position read-out ---

// The canvas point under the pointer at (x, y) twips from the viewport's top-left corner.
CanvasPoint PointerToCanvas(const Machine& m, double xTwips, double yTwips);
// Every mouse move over the canvas: remembers the raw position for the wheel.
void TrackPointer(View& v, float x, float y);
struct PositionTexts {
    std::string Xpos, Zpos; // "X20.100", "Z-12.200"
};
// The machine position under the pointer, snapped when X-Snap / Z-Snap are on.
PositionTexts PositionReadOut(const interp::MachineState& s, float x, float y);
// Caption of the context-menu item that copies the position.
std::string PositionPopupCaption(const PositionTexts& p);
// Clipboard text of the position: "X... Z..." and CR LF.
std::string PositionClipboardText(const std::string& xpos, const std::string& zpos);

// Run-speed slider: the value a click at x twips from its left edge jumps to, if any.
std::optional<int> SliderClickValue(double xTwips);

} // namespace nav
