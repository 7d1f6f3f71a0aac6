// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes a setup as a setup file that reads back to the same setup: the setup dialog saves
// through it. Every value is written exactly (the shortest text that reads back to the same
// number); a tool gets the keys of its kind and any other key whose value is not the one the
// reader would assume.

#include "stock/Setup.h"

#include <string>

namespace stock {

// The setup file's text. `program` names the program in the first comment line (may be empty).
// Tools a tool table gave are written as [[tool]] tables of their own.
std::string WriteSetup(const Setup& setup, const std::string& program = {});

} // namespace stock
