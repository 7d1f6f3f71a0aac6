// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program text behind the pane, edited as the operator types: a program opened, then keys
// at its top (every line's index moves), each alone and each while a check holds the text before
// it (the edit then makes a new text, the held one stays as it was).

#include <string>

namespace bench {

void PaneEditRows(const std::string& program, bool quick);

} // namespace bench
