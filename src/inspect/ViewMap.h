// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a point of the machine (X diameter, Z) lands on the viewport in pixels: the layout the
// moves drew with (vertical lathe, the side +X is drawn on) and the canvas scale and position
// the view navigation left. Zoom, pan, vertical layout and mirrors all come through here.

#include "base/Canvas.h"
#include "base/View.h"

namespace inspect {

// The window and the checker draw at 15 twips a pixel (96 dots an inch).
inline constexpr double TwipsPerPixel = 15;

struct Point {
    double X = 0, Y = 0;
};

// A machine position: X as a diameter, Z along the spindle.
struct MachinePoint {
    double X = 0, Z = 0;
};

struct ViewMap {
    bool Vertical = false;
    double XSign = 1;
    double ScaleLeft = 0, ScaleTop = 0, ScaleWidth = 1, ScaleHeight = 1; // canvas units
    double CanvasWidth = 1, CanvasHeight = 1;                            // twips
    double CanvasLeft = 0, CanvasTop = 0; // the canvas's corner in the viewport, twips
    double Twips = TwipsPerPixel;         // twips a pixel of the screen

    static ViewMap Of(const motion::Canvas& canvas, const motion::View& view, bool vertical, double xSign);

    // Machine -> canvas units, as the moves map their points.
    Point ToCanvas(MachinePoint p) const;
    MachinePoint FromCanvas(Point c) const;
    // Canvas units <-> pixels from the viewport's top-left corner.
    Point CanvasToPixel(Point c) const;
    Point PixelToCanvas(Point px) const;
    Point ToPixel(MachinePoint p) const { return CanvasToPixel(ToCanvas(p)); }
    MachinePoint ToMachine(Point px) const { return FromCanvas(PixelToCanvas(px)); }
    // Pixels per millimetre (of Z, or of X as a radius), the smaller of the two directions.
    double PixelsPerUnit() const;
    bool Usable() const;
};

} // namespace inspect
