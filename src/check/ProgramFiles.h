// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which files of an archive are NC programs, and the programs of the folders an operator names.
// The name patterns are those of the package's file type "NC program" (packaging/
// org.zarvik.Zarvik.mime.xml), read the way the desktop reads them: a pattern matches in any
// case unless it is marked case-sensitive. A test keeps the two lists the same.

#include <string>
#include <string_view>
#include <vector>

namespace check {

struct ProgramPattern {
    const char* Glob; // "*.min": a name ending in ".min"
    bool CaseSensitive;
};

inline constexpr ProgramPattern ProgramPatterns[] = {
    {"*.min", false},
    {"*.nc", false},
    {"*.NC", true},
    {"*.tap", false},
};

// Whether a file name (without its folder) is that of an NC program.
bool IsProgramName(std::string_view name);

// One entry of the list of programs to check: a program file, or a folder that could not be read
// (`Error` says why; it counts as a program that could not be read).
struct ProgramEntry {
    std::string Path;
    std::string Error;
};

// The programs of the arguments, in order: a file is taken as named, whatever its name; a folder
// gives the program files in it and in its sub-folders, sorted by path (byte order). Links to
// folders are not followed, so a link back up cannot make the walk endless; links to files are
// taken like files.
std::vector<ProgramEntry> ListPrograms(const std::vector<std::string>& arguments);

// Whether a program of an archive is a subprogram kept in a file of its own, which the programs
// beside it call (M98 P4100 reads O4100.nc) and which is checked as part of them, not on its own:
// its name is one such a call looks for, and it returns with M99 and never ends with M02 or M30.
// A program named so that ends with M30 (20.min) stays a main program, and so does one ending
// with M99 under any other name (a bar feeder's endless loop).
bool IsSubprogramFile(const std::string& path, std::u16string_view text);

// Whether any argument is a folder (the checker then works on an archive).
bool AnyFolder(const std::vector<std::string>& arguments);

} // namespace check
