// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup file: a TOML text beside the program (PROGRAM.setup.toml) or named by the operator,
// describing the stock, the work holding and the tools. A file that cannot be read whole and
// sound gives one message naming the file, the line and the value, and no setup at all: a check
// never runs with half a setup.

#include "stock/Setup.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stock {

struct SetupError {
    std::string File;
    int64_t Line = 0; // 0: the file as a whole
    std::string Message;
    // The file says how the program is read ([program], [machine]) and describes no stock at all:
    // no setup of the stock, and nothing wrong with the file.
    bool NoStock = false;
    // "FILE:LINE: message" (or "FILE: message").
    std::string Text() const;
};

// Reads the setup from `text`, read from the file `file` (which names it in messages and is
// where a tool table it names is looked for beside).
std::optional<Setup> ParseSetup(std::string_view text, const std::string& file, SetupError& error);
// Reads the file; a file that is no text (NUL bytes, not UTF-8) is refused before parsing.
std::optional<Setup> ReadSetupFile(const std::string& path, SetupError& error);

// The [program] table of the setup file at `path` alone, whether or not the file describes a
// stock: `choice` stays empty when the file has none. False when the file cannot be read or the
// table is unsound (a control or unit it does not know), with the file, line and value.
bool ReadProgramChoice(const std::string& path, std::optional<ProgramChoice>& choice, SetupError& error);

// The setup file found beside a program by default: the program's name with its last extension
// replaced by ".setup.toml" (examples/TURNING.min -> examples/TURNING.setup.toml).
std::string DefaultSetupPath(const std::string& programPath);

// "bar,DIAMETER,LENGTH" or "tube,DIAMETER,BORE,LENGTH": the front face at Z0, the stock reaching
// to Z-LENGTH. Empty `error` when good.
std::optional<Stock> ParseStockOption(const std::string& shape, std::string& error);

} // namespace stock
