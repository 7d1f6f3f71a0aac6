// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Planner.h"

#include "machine/ProfileFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace machine {

// Where a move goes: its length in the plane of the radius and Z, and its direction at both ends
// as (radius, Z) unit vectors. Arcs also: the angle they sweep, whether they pass their lowest
// point, and the cosines of their end angles apart (what G96 needs of them).
struct Shape {
    double Length = 0;
    double Start[2] = {0, 0}, End[2] = {0, 0};
    double Sweep = 0;    // arcs: the angle swept, 0 to 2 pi
    bool Lowest = false; // arcs: they pass where they are lowest (straight below the centre)
    double CosDiff = 0;  // arcs: cos of the end angle less cos of the start angle, (Z, radius) plane
    double Phi0 = NAN;   // arcs: the start angle, worked out only where the two ends do not do
};

namespace {

constexpr double Pi = 3.14159265358979323846;

std::string Num(double v, int decimals = 0) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

Shape ArcShapeOf(const Move& m);

inline Shape LineShapeOf(const Move& m) {
    Shape s;
    const double dr = (m.X1 - m.X0) / 2, dz = m.Z1 - m.Z0;
    s.Length = std::sqrt(dr * dr + dz * dz);
    if (s.Length > 0) s.Start[0] = s.End[0] = dr / s.Length, s.Start[1] = s.End[1] = dz / s.Length;
    return s;
}

inline Shape ShapeOf(const Move& m) {
    return m.Arc ? ArcShapeOf(m) : LineShapeOf(m);
}

// A number that grows with the angle of (x, y) counter-clockwise from +x, 0 to 4 for 0 to 2 pi:
// angles compared without trigonometry.
inline double Turn(double y, double x) {
    if (y >= 0) return x >= 0 ? y / (x + y) : 1 - x / (y - x);
    return x < 0 ? 2 - y / (-x - y) : 3 + x / (x - y);
}

Shape ArcShapeOf(const Move& m) {
    Shape s;
    const double cr = m.CX / 2;
    // The ends' offsets from the centre; their angle is atan2(radius, Z).
    const double dr0 = m.X0 / 2 - cr, dz0 = m.Z0 - m.CZ, dr1 = m.X1 / 2 - cr, dz1 = m.Z1 - m.CZ;
    const double r0 = std::sqrt(dr0 * dr0 + dz0 * dz0), r1 = std::sqrt(dr1 * dr1 + dz1 * dz1);
    const double sign = m.Clockwise ? -1 : 1;
    // The tangent in the (radius, Z) order: counter-clockwise (-sin, cos) as (Z, radius), the
    // angle's sine and cosine taken from the point's offset from the centre (at the centre
    // itself: as atan2 has it, 0).
    s.Start[0] = r0 > 0 ? sign * dz0 / r0 : sign, s.Start[1] = r0 > 0 ? -sign * dr0 / r0 : 0;
    s.End[0] = r1 > 0 ? sign * dz1 / r1 : sign, s.End[1] = r1 > 0 ? -sign * dr1 / r1 : 0;
    // The angle from one offset to the other in the arc's direction: one arctangent.
    const double cross = sign * (dz0 * dr1 - dr0 * dz1), dot = dz0 * dz1 + dr0 * dr1;
    double sweep = std::atan2(cross, dot);
    if (sweep < 0) sweep += 2 * Pi;
    if (r0 > 0 && r1 > 0 && sweep > 1e-9 && sweep < 2 * Pi - 1e-9) {
        s.Sweep = sweep;
        s.CosDiff = dz1 / r1 - dz0 / r0;
        // Straight down (Z 0, radius -1) seen from the start in the arc's direction, against the end.
        s.Lowest = Turn(-sign * dz0, -dr0) <= Turn(cross, dot);
    } else {
        // An arc that (nearly) closes, or an end at the centre: from the ends' own angles, as the
        // control's drawing takes them.
        const double p0 = std::atan2(dr0, dz0), p1 = std::atan2(dr1, dz1);
        sweep = m.Clockwise ? p0 - p1 : p1 - p0;
        while (sweep < 0)
            sweep += 2 * Pi;
        while (sweep > 2 * Pi)
            sweep -= 2 * Pi;
        s.Sweep = sweep, s.Phi0 = p0;
        s.CosDiff = std::cos(p0 + sign * sweep) - std::cos(p0);
        const double down = -Pi / 2 - p0; // from the start to straight down, in the arc's direction
        double reach = m.Clockwise ? -down : down;
        reach = std::fmod(std::fmod(reach, 2 * Pi) + 2 * Pi, 2 * Pi);
        s.Lowest = reach <= sweep;
    }
    s.Length = m.R * s.Sweep;
    return s;
}

} // namespace

double RestToRestTime(double d, double v, double a, double j) {
    if (d <= 0) return 0;
    if (j <= 0) return d >= v * v / a ? d / v + v / a : 2 * std::sqrt(d / a);
    // Jerk-limited: the time to reach v from rest, with or without reaching full acceleration.
    const double ta = v * j >= a * a ? v / a + a / j : 2 * std::sqrt(v / j);
    if (d >= v * ta) return d / v + ta;
    // Full speed is not reached: the peak speed of a profile that just fits.
    if (d <= 2 * a * a * a / (j * j)) {
        const double vp = std::cbrt(d * d * j / 4);
        return 4 * std::sqrt(vp / j);
    }
    const double vp = a / 2 * (-a / j + std::sqrt(a * a / (j * j) + 4 * d / a));
    return 2 * (vp / a + a / j);
}

Planner::Planner(const Profile& profile, double partFrontZ, Recording* record)
    : P(profile), XRates(profile.X), ZRates(profile.Z), FrontZ(partFrontZ), Record(record) {
    if (Record) Record->FrontZ = partFrontZ;
    Caps();
}

void Planner::Add(double tool, double Split::*what, double seconds) {
    Of(tool).*what += seconds; // the total is the tools' sum, taken at the end
}

void Planner::Find(const char* code, Severity level, int64_t line, double tool, const std::string& message) {
    for (auto it = Out.Findings.rbegin(); it != Out.Findings.rend() && it->Line == line; ++it)
        if (it->Code == code) return; // once a line
    Out.Findings.push_back({code, level, line, tool, message});
}

double Planner::RampTime(double from, double to) const {
    if (!P.Ramp.empty()) { // as measured: the time from rest, straight between the points
        const std::vector<RampPoint>& ramp = P.Ramp;
        const auto fromRest = [&ramp](double n) {
            n = std::fabs(n);
            RampPoint lo{0, 0}, hi = ramp.front();
            for (size_t i = 1; i < ramp.size() && n > hi.Rpm; ++i)
                lo = hi, hi = ramp[i];
            return lo.Seconds + (n - lo.Rpm) * (hi.Seconds - lo.Seconds) / (hi.Rpm - lo.Rpm);
        };
        if ((from < 0 && to > 0) || (from > 0 && to < 0)) return fromRest(from) + fromRest(to);
        return std::fabs(fromRest(to) - fromRest(from));
    }
    const double a = P.SpindleAccelRpmS, base = P.SpindleBaseRpm;
    if (base <= 0) return std::fabs(to - from) / a;
    // From rest: n / a at full torque up to the base speed; above it the torque falls as base / n,
    // so dn/dt = a base / n and the time from the base speed is (n² - base²) / (2 a base).
    const auto fromRest = [a, base](double n) {
        n = std::fabs(n);
        return n <= base ? n / a : base / a + (n * n - base * base) / (2 * a * base);
    };
    if ((from < 0 && to > 0) || (from > 0 && to < 0)) return fromRest(from) + fromRest(to);
    return std::fabs(fromRest(to) - fromRest(from));
}

void Planner::SpindleTo(double rpm) {
    if (rpm == Rpm) return;
    ReadyAt = std::max(ReadyAt, Clock) + RampTime(Rpm, rpm);
    Rpm = rpm;
}

void Planner::ChooseGear(double rpm) {
    if (P.Gears.empty()) return;
    int g = GearSelected;
    if (g < 0) { // by the speed: the range in when it reaches the speed, else the lowest that does
        const auto holds = [&](int k) { return rpm >= P.Gears[k].MinRpm && rpm <= P.Gears[k].MaxRpm; };
        const int ranges = static_cast<int>(P.Gears.size());
        g = Gear >= 0 && holds(Gear) ? Gear : -1;
        for (int k = 0; k < ranges && g < 0; ++k)
            if (holds(k)) g = k;
        if (g < 0) g = rpm < P.Gears.front().MinRpm ? 0 : ranges - 1;
    }
    if (g == Gear) return;
    if (Gear >= 0) { // the spindle stops, the range changes, and it starts again from rest
        ReadyAt = std::max(ReadyAt, Clock) + RampTime(Rpm, 0) + P.GearChangeS;
        Rpm = 0;
    }
    Gear = g;
    RangeMax = P.Gears[static_cast<size_t>(g)].MaxRpm;
    Caps();
}

void Planner::WaitForSpindle(double tool) {
    if (ReadyAt <= Clock) return;
    Add(tool, &Split::SpindleRamp, ReadyAt - Clock);
    Clock = ReadyAt;
}

void Planner::Spindle(const SpindleCommand& c, int64_t line, double tool) {
    if (Record) Record->Spindle(c, tool);
    Flush();
    const bool on = c.Direction == 3 || c.Direction == 4;
    if (on && !c.Css && c.S > P.SpindleMaxRpm)
        Find("spindle-over-limit", Severity::Error, line, tool,
             "S" + Num(c.S) + " is above the spindle's maximum of " + Num(P.SpindleMaxRpm) + " rpm");
    else if (on && !c.Css && c.S > P.ChuckMaxRpm)
        Find("spindle-over-limit", Severity::Error, line, tool,
             "S" + Num(c.S) + " is above the chuck's rating of " + Num(P.ChuckMaxRpm) + " rpm");
    if (!c.Css || c.Clamp != Cmd.Clamp || !Cmd.Css) CssWarned = false;
    Cmd = c;
    Caps();
    if (on && !P.Gears.empty()) // the range for the highest speed asked
        ChooseGear(c.Css ? CssLimit(1e300) : std::min(c.S, P.SpindleMaxRpm));
    SpindleTo(on ? (c.Direction == 3 ? 1 : -1) * RpmAt(LastX) : 0);
}

void Planner::ToolChange(int64_t, double tool) {
    if (Record) Record->ToolChange(tool);
    Flush();
    double seconds = P.ToolChangeS;
    if (P.ToolStationS > 0) {
        const double station = std::round(std::fabs(tool));
        if (Station >= 0) {
            double apart = std::fabs(station - Station);
            if (P.TurretStations > 0) {
                apart = std::fmod(apart, P.TurretStations);
                apart = std::min(apart, P.TurretStations - apart);
            }
            seconds += P.ToolStationS * apart;
        }
        Station = station;
    }
    Add(tool, &Split::ToolChange, seconds);
    Clock += seconds;
}

void Planner::Dwell(double seconds, int64_t, double tool) {
    if (Record) Record->Dwell(seconds, tool);
    Flush();
    Add(tool, &Split::Dwell, seconds);
    Clock += seconds;
}

void Planner::MCode(int code, int64_t, double tool) {
    if (Record) Record->MCode(code, tool);
    if (code >= 41 && code <= 44 && !P.Gears.empty()) {
        // A gear range chosen: its change is timed as the spindle's, not as an M code.
        if (code - 41 >= static_cast<int>(P.Gears.size())) return;
        Flush();
        GearSelected = code - 41;
        if (Rpm != 0) {
            ChooseGear(std::fabs(Rpm));
            SpindleTo((Cmd.Direction == 3 ? 1 : -1) * RpmAt(LastX));
        }
        return;
    }
    double s = P.MCodeS;
    if (auto it = P.MCodes.find(code); it != P.MCodes.end())
        s = it->second;
    else if (code == 1)
        s = P.OptionalStopS;
    else if (code == 0 || code == 2 || code == 30 || code == 3 || code == 4 || code == 5 || code == 19)
        s = 0; // a stop or the end is the operator's; the spindle's own ramps are planned
    if (s == 0) return;
    Flush();
    Add(tool, &Split::MCodes, s);
    Clock += s;
}

inline void Planner::Commit(const Pending& p, double exit) {
    const double t = std::max(TrapezoidTime(p.Length, ChainExit, exit, p.Cruise, p.Accel), p.MinTime);
    const double nominal = P.TimeFactor * p.Nominal, slack = P.TimeFactor * std::max(0.0, t - p.Nominal);
    Split& tool = Of(p.Tool);
    tool.Cutting += nominal, tool.Acceleration += slack;
    Clock += P.TimeFactor * std::max(t, p.Nominal);
    ChainExit = exit;
}

void Planner::Rapid(double x0, double z0, double x1, double z1, double toolNumber) {
    Flush();
    const bool on = Cmd.Direction == 3 || Cmd.Direction == 4;
    // Under G96 the spindle follows the diameter while the slides travel.
    if (on && Cmd.Css) SpindleTo((Cmd.Direction == 3 ? 1 : -1) * RpmAt(x1));
    const double dx = std::fabs(x1 - x0) / 2, dz = std::fabs(z1 - z0);
    if (dx == 0 && dz == 0) return;
    const double nominal = P.TimeFactor * std::max(dx / XRates.Rapid, dz / ZRates.Rapid);
    const double t = P.TimeFactor * (std::max(XRates.RapidTime(dx), ZRates.RapidTime(dz)) + P.InPositionS);
    Split& tool = Of(toolNumber);
    tool.Rapid += nominal, tool.Acceleration += t - nominal;
    Clock += t;
}

void Planner::Thread(const Move& m) {
    Flush();
    const Shape s = ShapeOf(m);
    if (s.Length <= 0) return;
    WaitForSpindle(m.Tool);
    const double rpm = RpmAt(m.X0);
    const double v = m.Feed * rpm / 60; // mm/s along the pass
    if (v <= 0) return;
    const double ur = std::fabs(s.Start[0]), uz = std::fabs(s.Start[1]);
    // Written only for a finding.
    const auto feedText = [&] {
        return "lead " + Num(m.Feed, 3) + " mm x " + Num(rpm) + " rpm = " + Num(v * 60) + " mm/min";
    };
    if (v * uz * 60 > P.Z.MaxFeedMmMin * (1 + 1e-12))
        Find("thread-too-fast", Severity::Error, m.Line, m.Tool,
             feedText() + " along Z, above the Z axis' maximum feed of " + Num(P.Z.MaxFeedMmMin) + " mm/min");
    else if (v * ur * 60 > P.X.MaxFeedMmMin * (1 + 1e-12))
        Find("thread-too-fast", Severity::Error, m.Line, m.Tool,
             feedText() + " across, above the X axis' maximum feed of " + Num(P.X.MaxFeedMmMin) + " mm/min");
    double limit = 1e300, accel = 1e300;
    if (ur > 1e-12)
        limit = std::min(limit, P.X.MaxFeedMmMin / 60 / ur), accel = std::min(accel, P.X.AccelMmS2 / ur);
    if (uz > 1e-12)
        limit = std::min(limit, P.Z.MaxFeedMmMin / 60 / uz), accel = std::min(accel, P.Z.AccelMmS2 / uz);
    // The run-in of a pass along Z towards the chuck that starts at or in front of the part.
    if (uz > ur && m.Z1 < m.Z0 && m.Z0 >= FrontZ) {
        const double runIn = m.Z0 - FrontZ;
        const double vz = v * uz;
        const double needed = std::max(P.ThreadRunInLeads * m.Feed, vz * vz / (2 * P.Z.AccelMmS2));
        if (runIn < needed - 1e-9)
            Find("thread-run-in-short", Severity::Warning, m.Line, m.Tool,
                 "the thread pass starts " + Num(runIn, 3) + " mm in front of the part (Z" + Num(FrontZ, 3) +
                     "); " + feedText() + " needs a run-in of " + Num(needed, 3) + " mm (" +
                     Num(P.ThreadRunInLeads, 1) + " leads, or what the Z axis needs to reach the feed)");
    }
    const double cruise = std::min(v, limit);
    const double nominal = P.TimeFactor * s.Length / cruise;
    const double t = P.TimeFactor * (TrapezoidTime(s.Length, 0, 0, cruise, accel) + P.InPositionS);
    Add(m.Tool, &Split::Cutting, nominal);
    Add(m.Tool, &Split::Acceleration, t - nominal);
    Clock += t;
}

// The time of a G96 arc at its feed per revolution, and (`smallest`) the smallest diameter it
// passes.
double Planner::CssArcNominal(const Move& m, const Shape& s, double& smallest) const {
    // The lowest point of the arc, where it passes below its centre.
    const double cr = m.CX / 2, lowest = 2 * (cr - m.R);
    if (s.Lowest) smallest = std::min(smallest, std::fabs(lowest));
    const double limit = CssCap, dc = 1000 * Cmd.S / (Pi * limit);
    double perRev = 0;
    if (lowest >= dc && std::min(std::fabs(m.X0), std::fabs(m.X1)) >= dc) {
        // Never at the clamp: 1/n = pi D / (1000 S) with D = 2 (cr + R sin phi), integrated.
        perRev = std::fabs(2 * Pi * m.R / (1000 * Cmd.S) *
                           (cr * (m.Clockwise ? -s.Sweep : s.Sweep) - m.R * s.CosDiff));
    } else {
        // The midpoints of 32 steps; their sines by turning one step at a time.
        constexpr int Steps = 32;
        const double phi0 = std::isnan(s.Phi0) ? std::atan2(m.X0 / 2 - cr, m.Z0 - m.CZ) : s.Phi0;
        const double step = (m.Clockwise ? -s.Sweep : s.Sweep) / Steps, first = phi0 + step / 2;
        const double cosStep = std::cos(step), sinStep = std::sin(step);
        double sine = std::sin(first), cosine = std::cos(first);
        for (int i = 0; i < Steps; ++i) {
            perRev += s.Length / Steps / RpmAt(2 * (cr + m.R * sine));
            const double next = sine * cosStep + cosine * sinStep;
            cosine = cosine * cosStep - sine * sinStep, sine = next;
        }
    }
    return 60 / m.Feed * perRev;
}

void Planner::CssFindings(const Move& m, double smallest) {
    if (Cmd.Clamp == 0 && P.CssMaxRpm == 0 && !CssWarned) {
        CssWarned = true;
        Find("css-unclamped", Severity::Warning, m.Line, m.Tool,
             "G96 S" + Num(Cmd.S) + " without a speed clamp (G50 S): at X" + Num(smallest, 3) +
                 " the spindle runs to " + Num(RpmAt(smallest)) + " rpm");
    }
    if (RpmAt(smallest) > P.ChuckMaxRpm)
        Find("spindle-over-limit", Severity::Error, m.Line, m.Tool,
             "G96 S" + Num(Cmd.S) + " turns the spindle to " + Num(RpmAt(smallest)) + " rpm at X" +
                 Num(smallest, 3) + ", above the chuck's rating of " + Num(P.ChuckMaxRpm) + " rpm");
}

void Planner::ShortBlock(const Move& m, double length, double cruise, double nominal) {
    if (ShortRun == SIZE_MAX) {
        ShortRun = Out.Findings.size();
        ShortCount = 0;
        Find("block-too-short", Severity::Warning, m.Line, m.Tool,
             "a block of " + Num(length, 3) + " mm at " + Num(cruise * 60) + " mm/min takes " +
                 Num(nominal * 1000, 2) + " ms; the control needs " + Num(P.BlockTimeS * 1000, 2) +
                 " ms a block");
        if (ShortRun == Out.Findings.size()) ShortRun = SIZE_MAX; // already found on this line
    }
    ++ShortCount;
    ShortLastLine = m.Line;
}

// A feed move along its shape; an instance for lines and one for arcs (a line's shape stays in
// registers).
template <bool IsArc> [[gnu::always_inline]] inline void Planner::FeedAlong(const Move& m, const Shape& s) {
    if (s.Length <= 0) return;
    const bool on = Cmd.Direction == 3 || Cmd.Direction == 4;
    // The time at the programmed feed, and its highest speed (at the smallest diameter, which
    // only G96 asks for).
    double nominal = 0, smallest = 0, peak = 0;
    const bool css = m.PerRev && Cmd.Css;
    if (!css) {
        peak = m.PerRev ? m.Feed * RpmAt(m.X0) / 60 : m.Feed / 60;
        nominal = peak > 0 ? s.Length / peak : 0;
    } else if constexpr (!IsArc) {
        smallest = (m.X0 < 0) != (m.X1 < 0) ? 0 : std::min(std::fabs(m.X0), std::fabs(m.X1));
        // 1/n is the larger of pi D / (1000 S) and 1 / the clamp: its integral over the diameter,
        // odd in D, taken along the line.
        const double limit = CssCap, dc = 1000 * Cmd.S / (Pi * limit);
        const auto integral = [&](double d) {
            const double a = std::fabs(d);
            const double g = a <= dc ? a / limit : dc / limit + Pi * (a * a - dc * dc) / (2000 * Cmd.S);
            return d < 0 ? -g : g;
        };
        const double dd = m.X1 - m.X0;
        const double perRev =
            std::fabs(dd) < 1e-9 ? s.Length / RpmAt(m.X0) : s.Length / dd * (integral(m.X1) - integral(m.X0));
        nominal = 60 / m.Feed * perRev;
    } else {
        smallest = std::min(std::fabs(m.X0), std::fabs(m.X1));
        nominal = CssArcNominal(m, s, smallest);
    }
    if (!(nominal > 0) || !std::isfinite(nominal)) return; // no feed, or the spindle at 0: the control alarms
    if (css) {
        const double rpm = RpmAt(smallest);
        peak = m.Feed * rpm / 60;
        if (on && ((Cmd.Clamp == 0 && P.CssMaxRpm == 0 && !CssWarned) || rpm > P.ChuckMaxRpm))
            CssFindings(m, smallest);
    }
    // The slides' limits along the move.
    double limit = 1e300, accel = 1e300;
    const double ur = IsArc ? 1.0 : std::fabs(s.Start[0]), uz = IsArc ? 1.0 : std::fabs(s.Start[1]);
    const Axis* over = nullptr;
    if (ur > 1e-12) {
        if (peak * ur * 60 > XRates.OverFeed) over = &P.X;
        limit = XRates.MaxFeed / ur;
        accel = P.X.AccelMmS2 / ur;
    }
    if (uz > 1e-12) {
        if (peak * uz * 60 > ZRates.OverFeed && !over) over = &P.Z;
        limit = std::min(limit, ZRates.MaxFeed / uz);
        accel = std::min(accel, P.Z.AccelMmS2 / uz);
    }
    if (over) FeedOver(m, peak, *over);
    if (IsArc) limit = std::min(limit, std::sqrt(accel * m.R)); // the pull towards the centre
    double cruise = s.Length / nominal;
    if (cruise > limit) cruise = limit, nominal = s.Length / limit;
    // Blocks the control cannot read as fast as the feed runs through them; a run of them is one
    // finding at its first block.
    if (m.OwnBlock) {
        if (nominal < P.BlockTimeS)
            ShortBlock(m, s.Length, cruise, nominal);
        else if (ShortRun != SIZE_MAX)
            EndShortRun();
    }
    // Where the move joins the one before: straight on at the lower speed, a corner as fast as
    // rounding it within the blend tolerance allows, from rest after a stop.
    double junction = 0;
    if (ChainOpen) {
        const double cosTheta = ChainEnd[0] * s.Start[0] + ChainEnd[1] * s.Start[1];
        const double a = std::min(accel, ChainAccel);
        if (cosTheta > 1 - 1e-9) {
            junction = 1e300;
        } else if (cosTheta != CornerCos || a != CornerAccel) { // the corners of a program repeat
            const double sinHalf = std::sqrt(std::max(0.0, (1 - cosTheta) / 2));
            junction = sinHalf >= 1 ? 0 : std::sqrt(a * P.BlendToleranceMm * sinHalf / (1 - sinHalf));
            CornerCos = cosTheta, CornerAccel = a, CornerSpeed = junction;
        } else {
            junction = CornerSpeed;
        }
        junction = std::min({junction, cruise, ChainCruise});
    } else if (ReadyAt > Clock) {
        WaitForSpindle(m.Tool);
    }
    Chain.push_back({s.Length, cruise, accel, nominal, junction, m.OwnBlock ? P.BlockTimeS : 0, 0, m.Tool});
    if (BacksKnown) {
        // The chain now stops one move later: the speeds it may be entered at rise from its end
        // back to the first move whose speed stays as it was (those before it stay too). The
        // first move's own is never asked for: it is entered at the speed the chain is left at.
        for (size_t i = Chain.size(); i-- > 1;) {
            Pending& q = Chain[i];
            const double after = i + 1 < Chain.size() ? Chain[i + 1].Back : 0;
            const double back = std::min(q.JunctionMax, std::sqrt(after * after + 2 * q.Accel * q.Length));
            if (back == q.Back && i + 1 < Chain.size()) break;
            q.Back = back;
        }
    }
    ChainOpen = true;
    ChainEnd[0] = s.End[0], ChainEnd[1] = s.End[1];
    ChainAccel = accel, ChainCruise = cruise;
    if (on && Cmd.Css) Rpm = (Cmd.Direction == 3 ? 1 : -1) * RpmAt(m.X1); // the spindle follows
    if (static_cast<int>(Chain.size()) > P.LookAheadBlocks) {
        if (!BacksKnown) Backs(), BacksKnown = true;
        // The head may leave as fast as the moves planned behind it still let the slides stop.
        const Pending& head = Chain.front();
        const double exit =
            std::min(Chain[1].Back, std::sqrt(ChainExit * ChainExit + 2 * head.Accel * head.Length));
        Commit(head, exit);
        Chain.pop_front();
    }
}

void Planner::Feed(const Move& m) {
    if (m.Arc)
        FeedAlong<true>(m, ArcShapeOf(m));
    else
        FeedAlong<false>(m, LineShapeOf(m));
}

void Planner::FeedOver(const Move& m, double peak, const Axis& over) {
    Find("feed-over-limit", Severity::Warning, m.Line, m.Tool,
         "feed of " + Num(peak * 60) + " mm/min is above the " + (&over == &P.X ? "X" : "Z") +
             " axis' maximum cutting feed of " + Num(over.MaxFeedMmMin) + " mm/min");
}

void Planner::Backs() {
    double after = 0;
    for (size_t i = Chain.size(); i-- > 1;) {
        Pending& q = Chain[i];
        after = q.Back = std::min(q.JunctionMax, std::sqrt(after * after + 2 * q.Accel * q.Length));
    }
}

void Planner::PlanChain() {
    const size_t n = Chain.size();
    if (n == 1) { // a move on its own, from rest to rest
        Commit(Chain[0], 0.0);
        Chain.clear();
        return;
    }
    if (!BacksKnown) Backs();
    for (size_t i = 0; i < n; ++i) {
        const Pending& p = Chain[i];
        // The chain ends at rest.
        Commit(p, i + 1 < n
                      ? std::min(Chain[i + 1].Back, std::sqrt(ChainExit * ChainExit + 2 * p.Accel * p.Length))
                      : 0.0);
    }
    Chain.clear();
}

void Planner::EndShortRun() {
    if (ShortRun != SIZE_MAX && ShortCount > 1)
        Out.Findings[ShortRun].Count = ShortCount, Out.Findings[ShortRun].LastLine = ShortLastLine;
    ShortRun = SIZE_MAX;
    ShortCount = 0;
}

Result Planner::Finish(const std::function<int64_t(int64_t)>& lineOf) {
    Flush();
    EndShortRun();
    for (const auto& [tool, split] : Out.Tools) {
        Split& t = Out.Total;
        t.Cutting += split.Cutting, t.Rapid += split.Rapid, t.Acceleration += split.Acceleration;
        t.ToolChange += split.ToolChange, t.SpindleRamp += split.SpindleRamp, t.Dwell += split.Dwell;
        t.MCodes += split.MCodes;
    }
    std::stable_sort(Out.Findings.begin(), Out.Findings.end(),
                     [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
    if (lineOf) {
        // Asked in text order, each place once: the lines are counted in one pass.
        std::vector<int64_t> places;
        for (const Finding& f : Out.Findings) {
            places.push_back(f.Line);
            if (f.Count > 1) places.push_back(f.LastLine);
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        std::vector<int64_t> lines;
        for (int64_t at : places)
            lines.push_back(lineOf(at));
        const auto line = [&](int64_t at) {
            return lines[static_cast<size_t>(std::lower_bound(places.begin(), places.end(), at) -
                                             places.begin())];
        };
        for (Finding& f : Out.Findings)
            f.Line = line(f.Line), f.LastLine = f.Count > 1 ? line(f.LastLine) : 0;
    }
    for (Finding& f : Out.Findings) {
        if (f.Count > 1)
            f.Message += " (" + std::to_string(f.Count) + " such blocks in a row, to line " +
                         std::to_string(f.LastLine) + ")";
    }
    Assume();
    return std::move(Out);
}

void Planner::Assume() {
    if (Assumed) return;
    Assumed = true;
    for (const std::string& key : P.Assumed)
        Out.Assumed.push_back(ValueText(P, key));
}

} // namespace machine
