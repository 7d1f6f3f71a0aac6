// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's machine options: --machine (the machine time and limits, with the setup's
// machine or else a typical small lathe) and --machine=FILE (a machine file for every program).
// Without either, a setup with a machine profile ([machine] or machine = "FILE") turns them on.
// --calibrate FILE fits the machine to cycle times measured on it (a list of programs and seconds).

#include "machine/Profile.h"

#include <functional>
#include <memory>
#include <string>

namespace check {

struct CheckOptions;
struct StockOptions;

struct MachineOptions {
    bool Asked = false;       // --machine
    std::string File;         // --machine=FILE
    std::string Measurements; // --calibrate FILE

    // Takes the option `a`, with `value` giving its value; false when it is none of these.
    // `error` is set for a bad value.
    bool Take(const std::string& a, const std::function<bool(std::string&)>& value, std::string& error);
    // The machine of a program checked with the setup at `setupPath` (empty: none); null for
    // none. A profile that cannot be read gives `complaint` (file, line, value) and null.
    std::shared_ptr<const machine::Profile> For(const std::string& setupPath, std::string& complaint) const;
};

// --calibrate: runs the programs the measurements list (each with its setup, as a check does),
// fits the machine and writes the fitted values, each program's residual and the leave-one-out
// error to `report`, as text or (`json`) one JSON document. Each run keeps only what its times
// depend on (machine::Recording). Returns the exit status: 0, or 2 with `complaint` for what
// could not be done.
int CalibrateMachine(const CheckOptions& check, const StockOptions& stock, bool json, std::string& report,
                     std::string& complaint);

} // namespace check
