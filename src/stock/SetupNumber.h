// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers as the setup file writes them, for whoever reads a number meant for it (the setup
// dialog's fields): the setup file's own grammar (TOML), so that a value typed in the dialog and
// the same text in the file mean the same number. "60", "-0.8", "1e3" are numbers; "60,000",
// "1 200", ".5", "inf" are not.

#include <optional>
#include <string_view>

namespace stock {

// The finite number `text` writes (blanks around it allowed); nothing for anything else.
std::optional<double> ReadSetupNumber(std::string_view text);

} // namespace stock
