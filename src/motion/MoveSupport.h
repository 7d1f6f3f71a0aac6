// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small services shared by the move routines and the cycles: the arithmetic fault and its alarm.

#include <cmath>
#include <initializer_list>

namespace interp {
struct Machine;
}

namespace motion {

// Raised inside a move or a cycle when its arithmetic fails (a division by zero, an overflow, a
// root or arccos out of its domain, a value beyond single precision); Guarded turns it into the
// "Calcu Error" alarm. Never leaves the move and cycle procedures.
struct CalcFault {};

// Runs one move or cycle body; an arithmetic fault ends it with "Calcu Error" in both status
// bars and RunState 4. What the body had drawn and booked until then stays.
void Guarded(interp::Machine& m, void (*body)(interp::Machine&));

// v itself, or CalcFault when v is infinite or not a number.
double Finite(double v);

// True when every value is a finite number.
inline bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

} // namespace motion
