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

// The pieces of that text, for an edit of a file the operator wrote (SetupEdit.h): a number
// ("60", "0.8", "1e+05"), a holder's points ("[[0, 2], [25, 2], [25, 20]]"), one [[tool]] table
// and the [chuck] and [tailstock] tables of the work holding, each table after a blank line.
std::string SetupNumberText(double v);
std::string HolderText(const Outline& holder);
std::string ToolTableText(int number, const Tool& tool);
std::string HoldingTablesText(const WorkHolding& holding);

} // namespace stock
