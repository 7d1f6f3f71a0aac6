// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/StockOptions.h"

#include "check/StockProfile.h"
#include "stock/SetupFile.h"
#include "target/TargetFile.h"

#include <sys/stat.h>

namespace check {

std::string TargetNeedsStock(const std::string& programPath) {
    return programPath + ": --target needs a stock: give --setup FILE or --stock, or put " +
           stock::DefaultSetupPath(programPath) + " beside the program";
}

bool StockOptions::Take(const std::string& a, const std::function<bool(std::string&)>& value,
                        std::string& error) {
    std::string v;
    if (a == "--setup") {
        if (!value(SetupPath) || SetupPath.empty()) error = "--setup needs a file name";
    } else if (a == "--stock") {
        if (!value(v)) {
            error = "--stock needs bar,DIAMETER,LENGTH or tube,DIAMETER,BORE,LENGTH";
            return true;
        }
        QuickStock = stock::ParseStockOption(v, error);
    } else if (a == "--profile") {
        if (!value(ProfilePath) || !ProfileFormatOf(ProfilePath))
            error = "--profile needs a file name ending in .svg or .dxf";
    } else if (a == "--target") {
        if (!value(TargetPath) || TargetPath.empty()) error = "--target needs a drawing file (DXF)";
    } else if (a == "--no-setup") {
        NoSetup = true;
    } else {
        return false;
    }
    return true;
}

std::string StockOptions::SetupPathFor(const std::string& programPath) const {
    if (!SetupPath.empty() || QuickStock || NoSetup) return SetupPath;
    // The setup beside the program, when there is one.
    const std::string beside = stock::DefaultSetupPath(programPath);
    struct stat st {};
    return beside != programPath && ::stat(beside.c_str(), &st) == 0 ? beside : std::string();
}

std::shared_ptr<const stock::Setup> StockOptions::SetupFor(const std::string& programPath,
                                                           std::string& complaint) const {
    complaint.clear();
    const std::string path = SetupPathFor(programPath);
    stock::Setup setup;
    if (!path.empty()) {
        stock::SetupError error;
        std::optional<stock::Setup> read = stock::ReadSetupFile(path, error);
        if (!read && error.NoStock && !QuickStock) return nullptr; // it names the control only
        if (!read && !error.NoStock) {
            complaint = error.Text() + "; checked without the setup";
            return nullptr;
        }
        if (read) setup = std::move(*read);
    } else if (!QuickStock) {
        return nullptr;
    }
    if (QuickStock) setup.Material = *QuickStock;
    return std::make_shared<const stock::Setup>(std::move(setup));
}

std::string StockOptions::ProgramSetupPathFor(const std::string& programPath) const {
    if (!SetupPath.empty() || NoSetup) return SetupPath;
    const std::string beside = stock::DefaultSetupPath(programPath);
    struct stat st {};
    return beside != programPath && ::stat(beside.c_str(), &st) == 0 ? beside : std::string();
}

bool StockOptions::ApplyProgramChoice(const std::string& programPath, interp::Parameters& lathe,
                                      bool keepControl, bool keepUnit, std::string& complaint) const {
    complaint.clear();
    const std::string path = ProgramSetupPathFor(programPath);
    if (path.empty()) return false;
    std::optional<stock::ProgramChoice> choice;
    stock::SetupError error;
    if (!stock::ReadProgramChoice(path, choice, error)) {
        complaint = error.Text() + "; checked without the setup";
        return false;
    }
    if (!choice) return false;
    if (!keepUnit && !choice->Unit.empty()) lathe.Unit = choice->Unit == "inch" ? 4 : 1;
    if (keepControl || choice->Control.empty()) return false;
    lathe.Fanuc = choice->Control == "fanuc";
    lathe.Iso = choice->Control == "iso";
    return true;
}

std::shared_ptr<const target::Target> StockOptions::TargetFor(const std::string& programPath,
                                                              std::string& complaint) const {
    complaint.clear();
    std::optional<target::TargetOptions> options;
    if (const std::string setup = SetupPathFor(programPath); !setup.empty()) {
        bool found = false;
        options = target::TargetOfSetup(setup, found, complaint);
        if (!options && found) return nullptr;
        complaint.clear();
    }
    if (!TargetPath.empty()) {
        if (!options) options.emplace();
        options->File = TargetPath;
    }
    if (!options) return nullptr;
    std::optional<target::Target> t = target::ReadTarget(*options, complaint);
    if (!t) return nullptr;
    return std::make_shared<const target::Target>(std::move(*t));
}

} // namespace check
