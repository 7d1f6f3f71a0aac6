// SPDX-License-Identifier: GPL-3.0-or-later
// The ISO control's moves: the machine's own rapid, straight and circular moves (drawing, soft
// limits, cutting time), given the spindle speed as this control works it out.

#include "base/Alarms.h"
#include "base/Machine.h"
#include "iso/IsoInternal.h"
#include "motion/CuttingTime.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"
#include "motion/SoftLimits.h"

#include <algorithm>
#include <cmath>

namespace iso {

namespace {

// NOTE: without a G50 S clamp, constant surface speed is held up to this spindle speed, the top
// speed of a common small lathe; a cut at the centre then takes the time at it.
constexpr double TopSpindleSpeed = 5000;

// For the time of one cut under G96: the speed the spindle turns at over the move's mean
// diameter, S in m/min (ft/min in inches), clamped by G50 S. The machine's time routines then
// read it as a constant speed (G97); the modal values come back after the move.
class SpindleScope {
  public:
    explicit SpindleScope(Machine& m) : S(m.S), Word(m.S.SWord), Mode(m.S.GSpeedMode) {
        if (Mode != 96) return;
        const double mean = (std::fabs(S.CurX) + std::fabs(S.LastX)) / 2;
        const double metres = S.Iso.Inch ? Word * 0.3048 : Word;
        const double top = S.Iso.MaxSpindle > 0 ? S.Iso.MaxSpindle : TopSpindleSpeed;
        double rpm = mean > 0 ? 1000 * metres / (interp::Pi * mean) : top;
        if (rpm > top) rpm = top;
        S.SWord = Word > 0 ? rpm : 0;
        S.GSpeedMode = 97;
    }
    ~SpindleScope() {
        S.SWord = Word;
        S.GSpeedMode = Mode;
    }
    SpindleScope(const SpindleScope&) = delete;
    SpindleScope& operator=(const SpindleScope&) = delete;

  private:
    interp::MachineState& S;
    double Word;
    int16_t Mode;
};

// The end point set, the minus limits checked; false with the alarm when it lies beyond them.
bool Aim(Machine& m, double x, double z) {
    interp::MachineState& s = m.S;
    s.CurX = x;
    s.CurZ = z;
    s.UWord = s.WWord = 0; // the end point is absolute already
    s.RWord = s.LWord = s.IWord = s.KWord = 0;
    return motion::WithinMinusLimits(m);
}

bool Done(Machine& m) {
    interp::MachineState& s = m.S;
    s.LastX = s.CurX;
    s.LastZ = s.CurZ;
    return s.RunState != interp::RunAlarm;
}

} // namespace

bool RapidTo(Machine& m, double x, double z) {
    if (!Aim(m, x, z)) return false;
    motion::RapidMove(m);
    return Done(m);
}

bool FeedTo(Machine& m, double x, double z) {
    if (!Aim(m, x, z)) return false;
    {
        SpindleScope speed(m);
        motion::LinearMove(m);
    }
    return Done(m);
}

bool ThreadTo(Machine& m, double x, double z, double lead) {
    interp::MachineState& s = m.S;
    if (!Aim(m, x, z)) return false;
    const double feed = s.Feed;
    const int16_t mode = s.GFeedMode;
    s.Feed = lead;
    s.GFeedMode = 95;
    {
        SpindleScope speed(m);
        motion::LinearMove(m);
    }
    s.Feed = feed;
    s.GFeedMode = mode;
    return Done(m);
}

bool ArcTo(Machine& m, double x, double z, double cx, double cz, bool clockwise) {
    interp::MachineState& s = m.S;
    const double x0 = s.LastX, z0 = s.LastZ;
    if (!Aim(m, x, z)) return false;
    if (x == x0 && z == z0) return Done(m); // a full circle is no turning move
    // Radius and sweep in the plane of Z and the radius; clockwise as drawn with +X up. The arc
    // runs around the programmed centre exactly (half circles and arcs over 180 degrees too).
    const double radius = std::hypot((x0 - cx) / 2, z0 - cz);
    const double a0 = std::atan2((x0 - cx) / 2, z0 - cz), a1 = std::atan2((x - cx) / 2, z - cz);
    double sweep = clockwise ? a0 - a1 : a1 - a0;
    while (sweep <= 0)
        sweep += 2 * interp::Pi;
    if (motion::CheckPlusLimit(m) == 1) return Done(m);
    s.ArcCentreX = cx;
    s.ArcCentreZ = cz;
    m.Trace.Path({clockwise ? motion::PathSegment::Kind::ArcCW : motion::PathSegment::Kind::ArcCCW, x0, z0, x,
                  z, cx, cz, radius});
    // On the canvas: angles counter-clockwise from its +x, a quarter turn more in the vertical
    // layout; the arc is drawn counter-clockwise from one end to the other.
    const auto canvasAngle = [&](double px, double pz) {
        double a = std::atan2(s.XSign * (px - cx) / 2, pz - cz) + (s.Vertical ? interp::Pi / 2 : 0);
        while (a < 0)
            a += 2 * interp::Pi;
        while (a >= 2 * interp::Pi)
            a -= 2 * interp::Pi;
        return a;
    };
    const double ts = canvasAngle(x0, z0), te = canvasAngle(x, z);
    const bool fromEnd = clockwise == (s.XSign > 0);
    const motion::CanvasPoint centre = motion::MapPoint(m, cx, cz);
    m.Trace.Circle(centre.x, centre.y, radius, s.CutColor, false, fromEnd ? te : ts, fromEnd ? ts : te);
    const motion::CanvasPoint end = motion::MapPoint(m, x, z);
    m.Trace.PSet(end.x, end.y, s.CutColor);
    motion::DrawPositionMark(m);
    // The time along the arc.
    if (s.Feed <= 0) {
        interp::RaiseAlarm(m, "Feed is 0.");
        return Done(m);
    }
    try {
        SpindleScope speed(m);
        motion::AddCutTime(m, radius * sweep, motion::SurfaceSpeed::DoubleSpeed);
    } catch (const motion::CalcFault&) {
        interp::RaiseAlarm(m, "Calcu Error");
    }
    return Done(m);
}

double Length(const Machine& m, double value) {
    return m.S.Iso.Inch ? value * 25.4 : value;
}

double Increment(const Machine& m, double value) {
    return m.S.Iso.Inch ? value * 0.00254 : value * 0.001;
}

bool LoopsWithAlarms(Machine& m) {
    // A loop whose blocks raise alarms raises them again on every pass; the check goes on after
    // an alarm, so such a loop is ended before its alarms fill the report.
    if (m.S.Iso.Alarms <= AlarmBound) return false;
    interp::RaiseAlarm(m, "PS0077 more than 10000 alarms in a run that loops: the run is ended");
    m.S.RunState = interp::RunEndM30;
    return true;
}

bool MayJump(Machine& m) {
    if (LoopsWithAlarms(m)) return false;
    if (++m.S.Iso.Jumps <= 1000000) return true;
    interp::RaiseAlarm(m, "PS0077 more than a million subprogram calls and returns: an endless loop");
    m.S.RunState = interp::RunEndM30;
    return false;
}

void NoteOnce(Machine& m, const std::string& key, const std::string& code, const std::string& text) {
    IsoState& iso = m.S.Iso;
    if (std::find(iso.Noted.begin(), iso.Noted.end(), key) != iso.Noted.end()) return;
    iso.Noted.push_back(key);
    // In a subprogram file the line is the program's M98; the text says where the block stands.
    iso.Notes.push_back({m.S.BlockEndPos, code, iso.Where.empty() ? text : text + " (" + iso.Where + ")"});
}

} // namespace iso
