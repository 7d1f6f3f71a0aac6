// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's background check (the problems list's) timed as the window runs it: on a thread of
// low priority, with the cores otherwise idle and with every core kept busy by ordinary threads.
// The thread's class decides whether it gets done at all on a busy machine: the idle class gets
// next to nothing, a nice level its (small) share.

#include <string>

namespace bench {

// One table: for each program, the check on a thread at nice 10 (the window's) and in the idle
// class (the window's before), idle and with all cores busy. A run not done after `limitSeconds`
// is given up and shown as such.
void BackgroundCheckTable(const std::string& program100k, const std::string& program1m, double limitSeconds);

} // namespace bench
