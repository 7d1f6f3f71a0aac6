// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine behind the control: how fast its axes and spindle really move, what a tool change
// and an M code cost, and what the chuck may turn. The control's own time knows none of this;
// the machine time (machine/Planner.h) and the machine's limits (machine/Watch.h) use it.
// Read from a [machine] table of a setup file or of a machine file the setup names.

#include <map>
#include <string>
#include <vector>

namespace machine {

// One slide. X rates are of the slide (the radius), as the cross slide moves.
struct Axis {
    double RapidMmMin = 0;   // rapid traverse, mm/min
    double AccelMmS2 = 0;    // acceleration and deceleration, mm/s²
    double JerkMmS3 = 0;     // rate of change of acceleration, mm/s³; 0: none (trapezoid profiles)
    double MaxFeedMmMin = 0; // highest cutting feed, mm/min
};

// A point of the spindle's measured ramp: the seconds it takes from rest to the speed.
struct RampPoint {
    double Rpm = 0, Seconds = 0;
    bool operator==(const RampPoint&) const = default;
};

// A gear range of the spindle: the speeds it turns at in that range.
struct GearRange {
    double MinRpm = 0, MaxRpm = 0;
    bool operator==(const GearRange&) const = default;
};

struct Profile {
    Axis X{24000, 2500, 0, 10000};
    Axis Z{30000, 3000, 0, 10000};
    double BlockTimeS = 0.004;      // the control's time to process one block
    double InPositionS = 0.02;      // settling at an exact stop (rapids, threads)
    double BlendToleranceMm = 0.01; // how far a corner between feed moves may be rounded
    int LookAheadBlocks = 20;       // feed moves planned ahead
    double ToolChangeS = 1.2;       // one turret index
    double ToolStationS = 0;        // added per station the turret turns by (tool number apart)
    int TurretStations = 0;         // stations round the turret, turned the shorter way; 0: not known
    double SpindleMaxRpm = 4000;    // the spindle's highest speed
    double SpindleAccelRpmS = 1000; // spindle acceleration and braking, rpm/s (at full torque)
    // The power curve: full torque up to the base speed, constant power above it, where the
    // spindle speeds up (and brakes) the slower the faster it turns. 0: full torque throughout.
    double SpindleBaseRpm = 0;
    // The spindle's ramp as measured, by increasing speed: between its points the time is taken
    // as straight, through rest to the first, and on at the last stretch's rate above the last.
    // Given, it stands for the acceleration and the power curve (braking as well).
    std::vector<RampPoint> Ramp;
    // Gear ranges by increasing speed, M41 the first (M41 to M44 select one; else the speed
    // does); none: one range. A change of range stops the spindle, takes GearChangeS and starts
    // it again.
    std::vector<GearRange> Gears;
    double GearChangeS = 2;
    double ChuckMaxRpm = 4000;    // the chuck's rating
    double CssMaxRpm = 0;         // the speed the machine holds G96 to without G50 S; 0: none
    double MCodeS = 0.3;          // any M code not listed in MCodes (coolant, chuck, tailstock)
    double OptionalStopS = 0;     // allowance for an M01 (the operator's look)
    std::map<int, double> MCodes; // seconds of single M codes, by number
    double ThreadRunInLeads = 3;  // a thread pass's run-in: at least this many leads, and
                                  // never less than the Z axis needs to reach the pass's feed
    double TimeFactor = 1;        // the slides' time over the planned one (what a calibration
                                  // finds the planner misses: servo lag, overrides)

    // Keys of the [machine] table not given, whose values above were assumed.
    std::vector<std::string> Assumed;
};

// The keys of a [machine] table, in the order the report lists them.
const std::vector<std::string>& ProfileKeys();

// A typical small CNC lathe (8" chuck, 4000 rpm, 24/30 m/min rapids), every key assumed.
Profile DefaultProfile();

} // namespace machine
