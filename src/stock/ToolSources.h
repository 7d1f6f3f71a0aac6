// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where tools come from besides the setup file: what the program's comments say of them, and a
// lathe tool table ("T1 P1 D0.8 I5 J85 Q3 ;comment"). The comments are read as programmers and
// CAM post-processors write them: a tool list in the header ("(T02 = 35* Finish Turning Tool,
// Tool Nose Radius: .0157, Tool Tip: 3)", "(TOOL 4 - VNMG 160404 - FINISH)") and a description
// beside the T word or on the comment lines just before it ("T0101 (CNMG 120408 R0.8)").
// What a source cannot say is taken from the defaults and listed in Tool::Assumed; what it does
// say is named in Tool::Source with the lines it stands on.

#include "stock/Setup.h"
#include "stock/SetupFile.h"

#include <map>
#include <string>
#include <string_view>

namespace stock {

// Fills shape, edge length and nose radius from an ISO insert designation ("CNMG 120408",
// "VNMG160404", "CNMG 12 04 08", "DCMT11T304", the inch "CNMG 432"). False when `text` holds
// none.
bool ApplyInsertDesignation(std::string_view text, Tool& tool);

// The tool a comment describes (its lengths in millimetres); nothing recognised gives the
// default turning insert, every value assumed.
Tool ToolFromComment(std::string_view comment);

// The tools the program's comments say something about, by the tool number the control reads
// from the T word (T0101 -> 1, TG5 -> 5); the program is read block by block through the
// control's word scanner. For each tool: its entry in a tool list (the first), merged with the
// description at its first T word that has one, which wins where both give a value. Lengths are
// in the program's unit: inches when `inchUnit` (the unit setting), when the program selects
// inches with G20 among its setup codes, or when a comment gives a radius or width too small to
// be millimetres.
std::map<int, Tool> ToolsFromComments(std::u16string_view programText, bool inchUnit = false);

// The setup with the tools it lacks taken from the program's comments.
Setup WithProgramTools(const Setup& setup, std::u16string_view programText, bool inchUnit = false);

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
