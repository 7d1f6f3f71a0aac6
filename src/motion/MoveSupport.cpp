// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic fault of moves and cycles and its alarm.

#include "motion/MoveSupport.h"

#include "base/Alarms.h"

namespace motion {

void Guarded(interp::Machine& m, void (*body)(interp::Machine&)) {
    try {
        body(m);
    } catch (const CalcFault&) {
        interp::RaiseAlarm(m, "Calcu Error");
    }
}

double Finite(double v) {
    if (!std::isfinite(v)) throw CalcFault{};
    return v;
}

} // namespace motion
