// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's machine options: --machine (the machine time and limits, with the setup's
// machine or else a typical small lathe) and --machine=FILE (a machine file for every program).
// Without either, a setup with a machine profile ([machine] or machine = "FILE") turns them on.

#include "machine/Profile.h"

#include <memory>
#include <string>

namespace check {

struct MachineOptions {
    bool Asked = false; // --machine
    std::string File;   // --machine=FILE

    // Takes the option `a`; false when it is none of these. `error` is set for a bad value.
    bool Take(const std::string& a, std::string& error);
    // The machine of a program checked with the setup at `setupPath` (empty: none); null for
    // none. A profile that cannot be read gives `complaint` (file, line, value) and null.
    std::shared_ptr<const machine::Profile> For(const std::string& setupPath, std::string& complaint) const;
};

} // namespace check
