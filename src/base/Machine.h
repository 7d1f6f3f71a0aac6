// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One simulated lathe: its state, the canned-cycle memory, the view and canvas it draws on, and
// the host it reports to. Every interpreter, motion and cycle procedure takes it as its only
// parameter, so tests and the checker can run as many machines as they like.

#include "base/Canvas.h"
#include "base/CycleMemory.h"
#include "base/Host.h"
#include "base/MachineState.h"
#include "base/View.h"

namespace interp {

struct Machine {
    MachineState S;
    cycles::CycleMemory Cycles; // survives resets of the simulation
    motion::View& Screen;
    motion::Canvas& Trace;
    Host& Ui;

    Machine(motion::View& screen, motion::Canvas& trace, Host& ui) : Screen(screen), Trace(trace), Ui(ui) {}
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
};

} // namespace interp
