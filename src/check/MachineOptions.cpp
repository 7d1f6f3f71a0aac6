// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/MachineOptions.h"

#include "machine/ProfileFile.h"

namespace check {

bool MachineOptions::Take(const std::string& a, const std::function<bool(std::string&)>& value,
                          std::string& error) {
    if (a == "--calibrate") {
        if (!value(Measurements) || Measurements.empty())
            error = "--calibrate needs a file of programs and measured seconds";
    } else if (a == "--machine") {
        Asked = true;
    } else if (a.starts_with("--machine=")) {
        Asked = true;
        File = a.substr(10);
        if (File.empty()) error = "--machine= needs a machine file";
    } else {
        return false;
    }
    return true;
}

std::shared_ptr<const machine::Profile> MachineOptions::For(const std::string& setupPath,
                                                            std::string& complaint) const {
    complaint.clear();
    machine::ProfileError error;
    std::optional<machine::Profile> p;
    bool found = !File.empty();
    if (found)
        p = machine::ReadMachineFile(File, error);
    else if (!setupPath.empty())
        p = machine::MachineOfSetup(setupPath, found, error);
    if (found && !p) {
        complaint = error.Text() + "; checked without the machine";
        return nullptr;
    }
    if (!found && Asked) p = machine::DefaultProfile();
    return p ? std::make_shared<const machine::Profile>(std::move(*p)) : nullptr;
}

} // namespace check
