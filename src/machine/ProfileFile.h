// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a machine profile: the [machine] table of a setup file, or `machine = "FILE.toml"` in
// it naming a machine file beside the setup (one machine for every program of a folder), whose
// own [machine] table holds the values. Every number is checked (finite, in its range); a
// problem names the file, the line and the value.

#include "machine/Profile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace machine {

struct ProfileError {
    std::string File;
    int64_t Line = 0; // 0: the file as a whole
    std::string Message;
    std::string Text() const; // "FILE:LINE: message"
};

// The [machine] table of `text` (read from `file`), or the machine file it names. `found` tells
// whether the text gives a machine at all; false with no profile and no error when not.
std::optional<Profile> ParseMachineOf(std::string_view text, const std::string& file, bool& found,
                                      ProfileError& error);
// The same from the setup file at `path`.
std::optional<Profile> MachineOfSetup(const std::string& path, bool& found, ProfileError& error);
// A machine file given on its own (its [machine] table).
std::optional<Profile> ReadMachineFile(const std::string& path, ProfileError& error);
// The machine file the setup at `path` names, beside it; empty when it names none (or cannot be
// read: its reader says why).
std::string MachineFileNamedBy(const std::string& setupPath);
// "KEY = VALUE UNIT" of one of ProfileKeys() in `p`, as the report lists an assumed value.
std::string ValueText(const Profile& p, const std::string& key);

} // namespace machine
