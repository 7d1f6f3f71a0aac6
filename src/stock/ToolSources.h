// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where tools come from besides the setup file: the comments CAM post-processors write beside a
// T word ("T0101 (CNMG 120408 R0.8)"), and a lathe tool table ("T1 P1 D0.8 I5 J85 Q3 ;comment").
// What a source cannot say is taken from the defaults and listed in Tool::Assumed.

#include "stock/Setup.h"
#include "stock/SetupFile.h"

#include <map>
#include <string>
#include <string_view>

namespace stock {

// Fills shape, edge length and nose radius from an ISO insert designation ("CNMG 120408",
// "VNMG160404", "DCMT11T304"). False when `text` holds none.
bool ApplyInsertDesignation(std::string_view text, Tool& tool);

// The tool a comment describes; nothing recognised gives the default turning insert, every value
// assumed.
Tool ToolFromComment(std::string_view comment);

// The tools whose T word has a comment on its line that says something about the tool, by the
// tool number the control reads from the T word (T0101 -> 1). The first comment of a tool counts.
std::map<int, Tool> ToolsFromComments(std::u16string_view programText);

// The setup with the tools it lacks taken from the program's comments.
Setup WithProgramTools(const Setup& setup, std::u16string_view programText);

// Reads a lathe tool table: one tool a line, words T (number), P (pocket), D (nose diameter),
// I and J (the front and back angles of the edges, degrees from +Z as for tip direction 3), Q
// (tip direction), X, Z, U, W (offsets, ignored), then an optional ";comment". Tools go into
// `tools` (a tool already there is replaced). False with the error's file, line and value.
bool ParseToolTable(std::string_view text, const std::string& file, std::map<int, Tool>& tools,
                    SetupError& error);
bool ReadToolTableFile(const std::string& path, std::map<int, Tool>& tools, SetupError& error);

// Reads a small text file whole: refused when missing, larger than 16 MB, or not text (a NUL
// byte, or not UTF-8).
bool ReadTextFile(const std::string& path, std::string& bytes, SetupError& error);

} // namespace stock
