// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Inputs.h"

#include "input/Subprogram.h"

#include "input/SafePath.h"
#include "machine/ProfileFile.h"
#include "stock/SetupFile.h"
#include "stock/ToolSources.h"
#include "target/TargetFile.h"

#include <toml++/toml.h>

#include <filesystem>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace check {

namespace {

namespace fs = std::filesystem;

// Where a name leads, for comparing it with another.
struct Place {
    bool Exists = false;
    bool Plain = false; // a plain file
    dev_t Dev = 0;
    ino_t Ino = 0;
    std::string Resolved; // empty: not known (standard output)

    void Take(const struct stat& st) {
        Exists = true;
        Plain = S_ISREG(st.st_mode);
        Dev = st.st_dev;
        Ino = st.st_ino;
    }
};

Place PlaceOf(const std::string& path) {
    Place p;
    struct stat st {};
    if (path.empty()) {
        if (::fstat(STDOUT_FILENO, &st) == 0) p.Take(st);
        return p;
    }
    if (::stat(path.c_str(), &st) == 0) p.Take(st);
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) p.Resolved = resolved.string();
    return p;
}

bool SamePlace(const Place& a, const Place& b) {
    if ((a.Exists && !a.Plain) || (b.Exists && !b.Plain)) return false;
    if (a.Exists && b.Exists) return a.Dev == b.Dev && a.Ino == b.Ino;
    return !a.Resolved.empty() && a.Resolved == b.Resolved;
}

// The tool table a setup file names, if it names one; nothing for a file that cannot be read.
// It reads only that key, so a setup with a mistake elsewhere still has its table guarded; the
// table is where the setup reader looks for it (input::FileBeside).
std::optional<std::string> ToolTableOf(const std::string& setupPath) {
    std::string bytes;
    stock::SetupError ignored;
    if (!stock::ReadTextFile(setupPath, bytes, ignored)) return std::nullopt;
    try {
        const toml::table doc = toml::parse(bytes, setupPath);
        const std::optional<std::string> name = doc["tool_table"].value<std::string>();
        if (!name || name->empty()) return std::nullopt;
        const std::string path = input::FileBeside(setupPath, *name);
        if (path.empty()) return std::nullopt;
        return path;
    } catch (const toml::parse_error&) {
        return std::nullopt;
    }
}

} // namespace

std::vector<InputFile> InputsOf(const std::vector<std::string>& programs, const StockOptions& stock) {
    std::vector<InputFile> inputs;
    std::set<std::string> setups;  // each read once, however many programs share it
    std::set<std::string> folders; // each looked through once for subprogram files
    if (!stock.Machine.File.empty()) inputs.push_back({"the machine file", stock.Machine.File});
    if (!stock.TargetPath.empty()) inputs.push_back({"the target drawing", stock.TargetPath});
    for (const std::string& program : programs) {
        inputs.push_back({"the program file", program});
        if (folders.insert(input::FolderOf(program)).second)
            for (const std::string& file : input::SubprogramFilesBeside(program))
                inputs.push_back({"a subprogram file", file});
        const std::string setup = stock.SetupPathFor(program);
        if (setup.empty() || !setups.insert(setup).second) continue;
        inputs.push_back({"the setup file", setup});
        if (const std::optional<std::string> table = ToolTableOf(setup))
            inputs.push_back({"the tool table", *table});
        if (const std::string machineFile = machine::MachineFileNamedBy(setup); !machineFile.empty())
            inputs.push_back({"the machine file", machineFile});
        if (const std::string drawing = target::TargetFileNamedBy(setup); !drawing.empty())
            inputs.push_back({"the target drawing", drawing});
    }
    return inputs;
}

std::string OutputClash(const std::vector<OutputFile>& outputs, const std::vector<InputFile>& inputs) {
    std::vector<Place> places;
    for (const OutputFile& o : outputs)
        places.push_back(PlaceOf(o.Path));
    for (const InputFile& input : inputs) {
        const Place in = PlaceOf(input.Path);
        for (size_t i = 0; i < outputs.size(); ++i)
            if (SamePlace(places[i], in))
                return outputs[i].What + " is " + input.What + " " + input.Path + "; it is not overwritten";
    }
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t k = i + 1; k < outputs.size(); ++k)
            if (SamePlace(places[i], places[k]))
                return outputs[i].What + " and " + outputs[k].What + " are the same file";
    return {};
}

} // namespace check
