// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one comment of a program says about a tool, in the words programmers and CAM
// post-processors write: "(T02 = 35* Finish Turning Tool, Tool Nose Radius: .0157, Tool Tip: 3)",
// "(TOOL 4 - VNMG 160404 - FINISH)", "(T0303 GROOVE W3.0)", "(OD AND FACE RGH. TURN .032R)".
// Each value is kept only where the comment says it, so that two comments about one tool (a
// header list and the comment beside the T word) can be merged value by value.

#include "stock/Setup.h"

#include <optional>
#include <string>
#include <string_view>

namespace stock {

// A length as a comment writes it: in the program's unit, unless the comment fixed it (an ISO
// insert code, "3MM", a fraction of an inch), in which case it is already in millimetres.
struct NoteLength {
    double Value = 0;
    bool Millimetres = false;
};

struct ToolNote {
    std::optional<Tool::Kind> Kind;
    std::optional<char> Shape;            // ISO letter, from an insert code
    std::optional<double> Edge;           // mm, from an insert code
    std::optional<double> Angle;          // degrees as written ("35*", "55 DEG", "TAPER=130DEG")
    std::optional<NoteLength> Radius;     // nose, blade corner or thread tip radius
    std::optional<NoteLength> CodeRadius; // the nose radius an insert code gives
    std::optional<int> Tip;               // tip direction 0 to 9
    std::optional<NoteLength> Width;      // blades
    std::optional<NoteLength> Diameter;   // drills
    // Whether it says anything about the tool at all.
    bool Any() const;
    // Whether a length in the program's unit is too small to be millimetres: a nose radius under
    // 0.1 or a blade under 0.3 wide exists in inches only.
    bool LooksInch() const;
};

// Reads one comment's text (without its parentheses). Non-ASCII characters the comments use
// are understood: ° as "DEG", Ø and ⌀ as "DIA" (UTF-8).
ToolNote ReadToolNote(std::string_view comment);

// The tool number a comment of a tool list names at its start, as the control would read the
// same number in a T word: "T02 = ..." and "TO1 = ..." (2, 1), "T0303 GROOVE" (3), "T010101 NR=..."
// (1), "TOOL 4 - ...", "TOOL - 1 OFFSET - 1", "TOOL NO. - 2 ..." (4, 1, 2). `rest` is where the
// description after the number begins.
std::optional<int> ListedToolNumber(std::string_view comment, size_t* rest = nullptr);

// `over`'s values replace `base`'s where it has them.
ToolNote MergeNotes(ToolNote base, const ToolNote& over);

// The tool a note describes, its lengths in the program's unit read as inches when `inch`, with
// everything the note does not say taken from the defaults and named in Tool::Assumed, and what
// it does say named in Tool::Source after `where` ("comment, line 6").
Tool ToolFromNote(const ToolNote& note, bool inch, const std::string& where);

} // namespace stock
