// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calibrating a machine profile against cycle times measured on the machine. Each program's run
// is recorded once (what it handed the planner) and planned again with trial profiles. The model
// is the planner itself, linearised around the current profile in the parameters it is nearly
// linear in: the slides' time factor, 1/acceleration of X and Z (what starting and stopping
// lose scales with it), the tool change time, 1/spindle acceleration (ramp seconds per rpm) and
// the seconds of an M code. Non-negative least squares solves each step with every parameter
// held at or above its lowest sensible value; the planner is linearised again at the result until
// the parameters settle (Gauss-Newton).

#include "machine/Planner.h"

#include <string>
#include <vector>

namespace machine {

// One program of a calibration: its run and the cycle time measured for it, seconds.
struct Measured {
    std::string Name;
    Recording Run;
    double Seconds = 0;
};

// What a calibration fits, in the order it reports them.
enum class Parameter { TimeFactor, XAccel, ZAccel, ToolChange, SpindleAccel, MCode };
constexpr int ParameterCount = 6;
// The [machine] key of a parameter (time_factor, x_accel, ...).
const char* ParameterKey(Parameter p);
double ParameterValue(const Profile& p, Parameter k);

struct Calibration {
    bool Ok = false;
    std::string Error;               // why there is no fit (too few programs, no time measured)
    Profile Fitted;                  // the starting profile with the fitted parameters
    bool Fixed[ParameterCount] = {}; // not fitted: no program depends on it; kept as given
    std::vector<double> Predicted;   // per program, with the fitted profile, seconds
    std::vector<double> LeaveOneOut; // per program, by a fit without it, seconds (0: none)
    int Iterations = 0;
};

// Fits `start`'s parameters to `programs`. At least one program more than the parameters that
// their runs depend on.
Calibration Calibrate(const std::vector<Measured>& programs, const Profile& start);

// Non-negative least squares (Lawson and Hanson): x >= 0 that minimises |A x - b|, A given by its
// columns, all of b's length.
std::vector<double> NonNegativeLeastSquares(const std::vector<std::vector<double>>& columns,
                                            const std::vector<double>& b);

} // namespace machine
