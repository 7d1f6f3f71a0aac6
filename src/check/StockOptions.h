// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's stock and tool options, kept apart from the others: --setup FILE, --stock SHAPE,
// --no-setup and --profile FILE, and which setup a program is checked with.

#include "base/Parameters.h"
#include "check/MachineOptions.h"
#include "stock/Setup.h"
#include "target/Target.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace check {

// The complaint of a target drawing without a stock to cut.
std::string TargetNeedsStock(const std::string& programPath);

struct StockOptions {
    std::string SetupPath;                  // --setup: for every program
    std::optional<stock::Stock> QuickStock; // --stock: a bar or tube, tools from the comments
    bool NoSetup = false;                   // --no-setup: not even the file beside the program
    std::string ProfilePath;                // --profile: the finished half-section, .svg or .dxf
    MachineOptions Machine;                 // --machine[=FILE]: the machine behind the control
    std::string TargetPath;                 // --target: the drawing every program is compared with
    // --control and --unit given: they win over a setup's [program] table (ApplyProgramChoice).
    bool ControlGiven = false, UnitGiven = false;

    // Takes the option `a`, with `value` giving its value; false when `a` is none of these.
    // `error` is set when its value is bad.
    bool Take(const std::string& a, const std::function<bool(std::string&)>& value, std::string& error);

    // The setup file the program at `programPath` is checked with: --setup, else (without
    // --stock or --no-setup) PROGRAM.setup.toml beside the program if it exists; empty for none.
    std::string SetupPathFor(const std::string& programPath) const;

    // The setup the program at `programPath` is checked with: --stock (with the tools and work
    // holding of --setup, if given), else --setup, else PROGRAM.setup.toml beside the program if
    // it exists; null for none. A setup that cannot be read whole gives `complaint` (file, line,
    // value) and null: the program is then checked without one.
    std::shared_ptr<const stock::Setup> SetupFor(const std::string& programPath,
                                                 std::string& complaint) const;

    // The setup file whose [program] table says how the program at `programPath` is read:
    // --setup, else PROGRAM.setup.toml beside the program (with --stock as well); none with
    // --no-setup.
    std::string ProgramSetupPathFor(const std::string& programPath) const;

    // Applies that table to `lathe`: its control unless `keepControl`, its unit unless
    // `keepUnit`. True when it chose the control. A table that cannot be read changes nothing
    // and gives `complaint` (file, line, value).
    bool ApplyProgramChoice(const std::string& programPath, interp::Parameters& lathe, bool keepControl,
                            bool keepUnit, std::string& complaint) const;
    // The drawing the program at `programPath` is compared with: --target, read as its setup's
    // [target] table says (or as the table's defaults), else the [target] of its setup; null for
    // none. A drawing or table that cannot be read gives `complaint` and null.
    std::shared_ptr<const target::Target> TargetFor(const std::string& programPath,
                                                    std::string& complaint) const;
};

} // namespace check
