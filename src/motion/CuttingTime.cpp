// SPDX-License-Identifier: GPL-3.0-or-later
// The cutting time of moves and cycles.

#include "motion/CuttingTime.h"

#include "base/Alarms.h"
#include "base/Machine.h"
#include "motion/MoveSupport.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace motion {

void AddCuttingTime(interp::Machine& m, double seconds) {
    const double sum = static_cast<double>(m.S.CuttingTime) + seconds;
    if (!std::isfinite(sum) || std::fabs(sum) > FLT_MAX) throw CalcFault{};
    m.S.CuttingTime = static_cast<float>(sum);
}

double RapidSeconds(double x0, double z0, double x1, double z1) {
    return std::max(std::fabs(x1 - x0) / 2, std::fabs(z1 - z0)) / 20000 * 60;
}

namespace {

// Spindle speed under constant surface speed, in the form the caller's move uses.
double SurfaceSpindleSpeed(const interp::MachineState& s, SurfaceSpeed form) {
    using interp::Pi;
    const double meanPlusHalf = std::fabs(s.CurX + s.LastX + 1);
    switch (form) {
    case SurfaceSpeed::SingleSpeed: {
        const float n = static_cast<float>(2 * (s.SWord * 1000 / Pi) / meanPlusHalf);
        if (meanPlusHalf == 0 || !std::isfinite(n) || n == 0) throw CalcFault{};
        return n;
    }
    case SurfaceSpeed::DoubleSpeed:
        if (meanPlusHalf == 0) throw CalcFault{};
        return 2 * (s.SWord * 1000 / Pi) / meanPlusHalf;
    case SurfaceSpeed::CycleSpeed:
        break;
    }
    const double divisor = Pi * meanPlusHalf;
    if (divisor == 0) throw CalcFault{};
    return Finite(2000 * s.SWord / divisor);
}

} // namespace

bool AddCutTime(interp::Machine& m, double length, SurfaceSpeed form) {
    const interp::MachineState& s = m.S;
    if (s.GFeedMode != 95) {
        AddCuttingTime(m, length / s.Feed * 60);
        return true;
    }
    if (s.SWord <= 0) {
        interp::RaiseAlarm(m, "Speed is 0.");
        return false;
    }
    const double n = s.GSpeedMode == 97 ? s.SWord : SurfaceSpindleSpeed(s, form);
    AddCuttingTime(m, length / s.Feed / n * 60);
    return true;
}

} // namespace motion
