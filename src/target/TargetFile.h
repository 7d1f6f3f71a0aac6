// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup file's [target] table: the drawing of the part the program should make, beside the
// setup, and how to read it.
//
//     [target]
//     file = "SHAFT.dxf"      # beside the setup file
//     layer = "CONTOUR"       # default: every layer
//     half = "upper"          # or "lower": the half of the drawn outline taken
//     units = "file"          # "mm", "inch"; "file": as the drawing's $INSUNITS says
//     allowance = 0.2         # mm left on the drawn outline (a roughing program)
//     tolerance = 0.0015      # mm the finished section may lie off it
//     axis = 0                # the drawing's y of the spindle axis
//     zero = 0                # the drawing's x at the program's Z0
//     box = [-100, -40, 10, 40]  # x0, y0, x1, y1: only what lies inside is the outline
//     general = "m"           # the inspection sheet's general tolerance class: "f", "m", "c", "v"
//
//     [[target.feature]]      # a feature's own tolerance on the sheet
//     diameter = 20           # picked by its drawn diameter, z (within its span), radius or angle
//     z = -30
//     plus = 0                # the band as the drawing writes it: 20 +0 / -0.021
//     minus = 0.021

#include "target/Target.h"

#include <optional>
#include <string>
#include <string_view>

namespace target {

// The [target] table of the setup text `text` read from `file`. `found` tells whether there is
// one; a table with a mistake gives nothing and `why` ("FILE:LINE: message").
std::optional<TargetOptions> ParseTargetOf(std::string_view text, const std::string& file, bool& found,
                                           std::string& why);
// The same, read from the setup file `path`.
std::optional<TargetOptions> TargetOfSetup(const std::string& path, bool& found, std::string& why);
// The drawing the setup file at `path` names, for guarding it as an input; empty when none.
std::string TargetFileNamedBy(const std::string& path);

} // namespace target
