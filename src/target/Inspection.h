// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The inspection sheet: the features of the drawn part (each diameter, face, cone, radius and
// thread), recognised from the drawing's lines and arcs, with the size the drawing gives, the
// size the finished section has, the deviation, the tolerance and OK / not OK, as a shop lead
// checks a part off against its drawing.

#include "stock/Geometry.h"
#include "target/Target.h"

#include <string>
#include <vector>

namespace target {

// One size of a feature: a diameter, a face's Z, a cone's angle or an end diameter, a radius, a
// thread's crest or root (MinorDiameter: the root's diameter, the crest's inside).
struct SheetSize {
    enum class Kind { Diameter, Z, Angle, Radius, MinorDiameter };
    Kind Type = Kind::Diameter;
    std::string Name;   // as the sheet shows it: "D", "Z", "angle", "D at Z-10", "R", "crest D", "root D"
    double Nominal = 0; // from the drawing (the outline grown by the allowance); mm or degrees
    // Measured on the finished section: false where no surface of it lies across the feature.
    bool Measured = false;
    // The smallest and the largest found over the feature's span (a diameter or a face, probed
    // as a micrometer would across its middle); the same value for a fitted size (angle, radius).
    double Min = 0, Max = 0;
    // The one of Min and Max farthest from the nominal, and its deviation from it: what decides.
    double Simulated = 0, Deviation = 0;
    // The band: OK when -Minus <= Deviation <= Plus (mm or degrees; a general band has both the
    // same, a setup's may put both limits on one side of the nominal).
    double Plus = 0, Minus = 0;
    bool Ok = false;
};

struct SheetFeature {
    enum class Kind { Diameter, Face, Cone, Radius, Thread };
    Kind Type = Kind::Diameter;
    // "D30", "bore D10", "face Z-12", "cone 45°", "R2 fillet at Z-10", "R1 round at Z-12", "thread D20"
    std::string Name;
    // Its span on the drawn outline (z, radius; mm), the front end (larger Z) first.
    stock::Point From, To;
    // A radius: its centre (z, radius) and whether it is a fillet (material inside the corner:
    // concave) or a round (convex).
    stock::Point Centre;
    bool Fillet = false;
    // An inside surface (a bore's diameter, a cone or radius facing the axis).
    bool Inside = false;
    // Where its tolerance comes from: 0 the general class, otherwise the line of the setup's
    // [[target.feature]] entry that picked it.
    int SetupLine = 0;
    std::vector<SheetSize> Sizes; // the first is the feature's own size
    bool Ok = false;              // every size measured and within its band
    // Why a size could not be measured ("the part is not cut off at its back face"), or what a
    // thread's root is held to; empty when nothing is to be said.
    std::string Note;
    bool Measured() const;
};

struct Sheet {
    char General = 'm';                 // the general tolerance class: 'f', 'm', 'c' or 'v'
    double Allowance = 0;               // mm added to the drawn outline (a roughing program)
    std::vector<SheetFeature> Features; // by the middle of their span along Z, the front first
    // The lines of the setup's [[target.feature]] entries that picked no feature (a mistyped
    // diameter leaves its feature on the general class: the sheet says so).
    std::vector<int> Unmatched;
    // The features measured and out of their band (those not measured are neither OK nor this).
    size_t NotOk() const;
};

// What the thread passes did: where they ran (stock::Result::ThreadZones) and the section as it
// stood before the first of them, the crests still whole.
struct ThreadCuts {
    std::vector<stock::Box> Zones;
    stock::Region Before;
};

// The features of the drawn outline (the pieces kept in `drawn`): collinear pieces merged,
// nominal sizes and tolerances set, nothing measured yet.
std::vector<SheetFeature> FeaturesOf(const Target& drawn);

// The sheet of the finished section `part` against `drawn`: each feature measured on it. A
// drawn diameter where `threads` ran is a thread, measured at its crest (on the section before
// the passes) and its root (against the drawing's thin root line, or the passes' depth).
Sheet InspectionOf(const stock::Region& part, const Target& drawn, const ThreadCuts& threads = {});

// The finished section to compare with the drawing: where threads were cut, the section as it
// was before their passes (inside `within` when given). Turned round the axis, a pass takes the
// whole ring down to its depth where the helix takes a groove: the grooves are no gouge, and the
// crests are compared.
stock::Region WithThreadCrests(const stock::Region& part, const ThreadCuts& threads,
                               const stock::Region* within = nullptr);

// The general tolerance's band (plus and minus, mm) for a linear size `nominal` mm, class
// 'f', 'm', 'c' or 'v'; for a radius or a chamfer height (broken edges); for an angle
// (degrees) whose shorter side is `side` mm long.
double GeneralLinear(char general, double nominal);
double GeneralRadius(char general, double nominal);
double GeneralAngle(char general, double side);

} // namespace target
