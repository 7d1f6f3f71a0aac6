// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Quick fixes: where a finding has one obvious repair, the text edit that makes it. The window
// applies the edit to the program pane as one undoable change; nothing here touches a file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace inspect {

enum class QuickFix {
    None,
    LineEndsCrLf,   // no-crlf: every line break becomes CR LF
    LineBreakAtEnd, // unterminated-last-line: CR LF after the last line
    UpperCase,      // lower-case-address: the program in capitals outside comments
    AddProgramEnd,  // no-program-end: an M30 block at the end
};

// The repair of a finding's code, or None.
QuickFix FixFor(std::string_view code);
// The command's caption ("Convert line ends to CR LF").
const char* FixCaption(QuickFix fix);

// A replacement in the exact program text: `Length` code units from `At` become `Text`.
struct TextEdit {
    size_t At = 0;
    size_t Length = 0;
    std::u16string Text;
    bool operator==(const TextEdit&) const = default;
};

// The runs of lower-case letters outside comments ("(" to ")", over lines as the control reads
// them), each with its capitals; in text order, none overlapping.
std::vector<TextEdit> UpperCaseEdits(std::u16string_view text);
// CR LF after the last line.
TextEdit LineBreakEdit(std::u16string_view text);
// An M30 block at the end: before the closing "%" lines when there are any, after a line break
// of its own when the last line has none.
TextEdit ProgramEndEdit(std::u16string_view text);

} // namespace inspect
