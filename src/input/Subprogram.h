// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Subprograms kept in files of their own beside the program, as a Fanuc-style control keeps
// each program in its memory under its O number: M98 P1234 when the program holds no O1234.
// The file is found by its name alone, in the program's folder, and read under the link rule
// and size limit of SafePath.h, so that a file someone put beside a program cannot make the
// check read anything else.

#include <string>
#include <vector>

namespace input {

// The largest subprogram file read: a subprogram is a few hundred blocks.
inline constexpr size_t MostSubprogramBytes = 16u << 20;

// The names looked for the program number `number`, in the order they are taken: O1234,
// O1234.nc, O1234.min, O1234.tap, then 1234.nc, 1234.min, 1234.tap. The letter O and the
// extension may be in either case, and the number written with leading zeros (O0012.nc for 12).
std::vector<std::string> SubprogramNames(long number);

// Whether `name` (without its folder) is one of the names looked for some program number.
bool IsSubprogramName(const std::string& name);

// Every file beside `programPath` that an M98 of it could read (paths as the folder joins
// them): inputs of its check, which no output may replace.
std::vector<std::string> SubprogramFilesBeside(const std::string& programPath);

struct SubprogramFile {
    std::string Name;  // the file's name as it is in the folder
    std::string Bytes; // its contents
};

// Looks for the subprogram `number` beside `programPath` and reads it. 1: found and read;
// 0: no such file (`why` lists the names looked for); -1: found but not read (`why` says why,
// with its name).
int ReadSubprogramFile(const std::string& programPath, long number, SubprogramFile& out, std::string& why);

} // namespace input
