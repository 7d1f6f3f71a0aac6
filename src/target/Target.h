// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The part on the drawing: a turned part's outline picked out of a drawing (by its layer and a
// box, among title blocks, dimensions and hatches) and made the half-section the stock is cut
// to, in the stock's terms: Z along the spindle axis, the radius up, millimetres.

#include "stock/Geometry.h"
#include "target/Dxf.h"

#include <optional>
#include <string>
#include <vector>

namespace target {

// Which half of a whole drawn outline (or which side of the axis a half-profile lies on).
enum class Half { Upper, Lower };
// The drawing's unit: as its $INSUNITS says (millimetres when it says none), or as given.
enum class Units { File, Mm, Inch };

// A tolerance the setup gives one feature of the inspection sheet ([[target.feature]]). The
// feature is picked by what is given of its diameter, Z, radius and angle (each within 0.01 of
// it); its band runs from the nominal less Minus to the nominal plus Plus, as the drawing writes
// them (minus = 0.02 is the lower limit 0.02 under the nominal, minus = -0.002 one above it).
struct FeatureTolerance {
    std::optional<double> Diameter, Z, Radius, Angle; // mm, degrees
    double Plus = 0, Minus = 0;                       // mm (degrees for an angle)
    int Line = 0;                                     // of the entry in the setup file
};

// Where the outline is and how it lies, from the setup's [target] table or --target.
struct TargetOptions {
    std::string File;
    std::string Layer; // empty: every layer
    // A box in the drawing's coordinates and units: only curves wholly inside it are the outline.
    std::optional<DrawingPoint> BoxFrom, BoxTo;
    Half Side = Half::Upper;
    Units Unit = Units::File;
    double AxisY = 0; // the drawing's y of the spindle axis (its units)
    double ZeroX = 0; // the drawing's x where the program has Z0 (its units)
    // The material a roughing program leaves on the drawn part (mm): it is compared with the
    // outline grown by this much.
    double Allowance = 0;
    // How far the finished section may lie from the drawn outline (mm) before it is a finding:
    // below the 0.002 mm a seeded edit must show, above what the stock's chords and the profile
    // writer's arcs stray (0.0006 mm measured on the examples against their own profiles).
    double Tolerance = 0.0015;
    // The inspection sheet's general tolerance class for sizes without one of their own:
    // 'f' fine, 'm' medium, 'c' coarse, 'v' very coarse.
    char General = 'm';
    std::vector<FeatureTolerance> Features;
};

// One curve of the drawn outline in the stock's terms (z, radius; mm), as drawn: a line, or an
// arc about Centre (clockwise seen with Z to the right and the radius up, when Clockwise).
struct DrawnPiece {
    stock::Point From, To;
    bool Arc = false;
    stock::Point Centre;
    bool Clockwise = false;
};

struct Target {
    stock::Region Section;                // the drawn half-section (radius >= 0)
    std::vector<stock::Outline> Outlines; // its outlines, arcs as fine chords
    // The lines and true arcs of its surfaces (above the axis, none along it), in the drawing's
    // order: what the inspection sheet recognises its features from.
    std::vector<DrawnPiece> Pieces;
    // The lines along the axis, above it, on the drawing's other layers (when the outline is on
    // one): where a thread is drawn, its thin root line is one of them.
    std::vector<DrawnPiece> Thin;
    double MmPerUnit = 1;        // the drawing's unit
    std::string UnitName = "mm"; // "mm", "inch", "cm", "m"
    size_t Curves = 0;           // the curves taken as the outline
    TargetOptions Options;       // how it was read (and is compared)
};

// The half-section drawn in `drawing`. Nothing with `why` when there is none to take: no curve
// on the layer or in the box, an outline with a gap ("the outline is open: a gap of 0.03 mm at
// Z-12.5 X10"), an open outline whose ends are not on the axis, one that branches, one on the
// other side of the axis than `options.Side`.
std::optional<Target> TargetOf(const DxfDrawing& drawing, const TargetOptions& options, std::string& why);

// Reads the file `options.File` (a plain file of at most 64 MB) and takes its outline.
std::optional<Target> ReadTarget(const TargetOptions& options, std::string& why);

// The most a DXF file may hold: drawings of turned parts are kilobytes to a few megabytes.
inline constexpr size_t LargestDrawing = 64u << 20;
// The most lines of other layers kept for a thread's root (a drawing's hatching has thousands).
inline constexpr size_t MostThinLines = 10000;
// Ends closer than this (mm) join: drawings keep coordinates to a few decimals.
inline constexpr double JoinDistance = 0.001;
// The chords that stand for the drawing's arcs stray this little from them (mm), a fifth of
// what the stock's own arcs may: the deviations are measured against them.
inline constexpr double DrawingChordTolerance = 0.0001;

} // namespace target
