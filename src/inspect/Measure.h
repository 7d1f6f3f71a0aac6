// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measuring on the picture: a clicked point snaps to the nearest end of a piece or centre of an
// arc within a few pixels, else to the read-out's grid when X-Snap / Z-Snap are on; two points
// give the distances a machinist reads off a drawing.

#include "inspect/PathIndex.h"

#include <optional>
#include <string>

namespace inspect {

struct SnapPoint {
    enum class Kind { Free, EndPoint, ArcCentre, Grid, PartEdge };
    MachinePoint At;
    Kind Snapped = Kind::Free;
};

// The point under the pixel `px`: the nearest end point or arc centre within `tolerancePx`, else
// the pointer's own position, rounded to 0.1 mm of diameter (xSnap) and 0.1 mm of Z (zSnap).
SnapPoint SnapAt(const PathIndex& paths, const ViewMap& view, Point px, double tolerancePx, bool xSnap,
                 bool zSnap);

struct Measurement {
    double DZ = 0;         // second point's Z minus the first's
    double DXDiameter = 0; // the same in X, as a diameter
    double DXRadius = 0;   // and as a radius
    double Distance = 0;   // straight, in the plane (Z and radius)
    double AngleToZ = 0;   // degrees between the line and the Z axis, 0 to 90
};
Measurement Measure(MachinePoint from, MachinePoint to);
// "dZ -10.000  dX 20.000 (R 10.000)  L 14.142  A 45.000°"
std::string MeasurementText(const Measurement& m);

// The two clicks of the measure mode.
class MeasureSession {
  public:
    // A click: the first point, the second, then a new first point.
    void Click(const SnapPoint& p);
    void Clear() { First.reset(), Second.reset(); }
    const std::optional<SnapPoint>& From() const { return First; }
    const std::optional<SnapPoint>& To() const { return Second; }
    std::optional<Measurement> Result() const;

  private:
    std::optional<SnapPoint> First, Second;
};

} // namespace inspect
