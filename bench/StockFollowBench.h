// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock section following a run in the window: what the background check keeps for it (time
// and memory beside the check without a stock) and what a jump, a single block and a redraw at
// the same block cost the window.

#include <string>

namespace bench {

// `shape` as zarvik-check's --stock takes it ("bar,112,200"). Returns the exit code.
int StockFollowTable(const std::string& program, const std::string& shape);

} // namespace bench
