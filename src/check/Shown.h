// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text from a file or the command line (a program's name, a value of its setup, a word of the
// program) as the checker shows it to the operator, on the terminal and in the HTML page. A
// character that would move the cursor, colour the terminal, start a line or turn the text around
// is shown as an escape, so that a name can neither forge a line of a report nor change what
// follows it. One rule everywhere:
//   \e, \n, \r and \t for those four; \xHH for the other bytes below 0x20, for DEL, and for the
//   bytes 0x80 to 0x9F of a text that is not UTF-8 and of an overlong form; \uHHHH for the C1 controls
//   (U+0080 to U+009F), the line and paragraph separators (U+2028, U+2029) and the bidirectional controls
//   (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069).
// NOTE: a backslash stays as it is: paths and words that hold one read as they always did, and
// an escape can only spell the characters above, never hide one.

#include <string>
#include <string_view>

namespace check {

// `text` as shown in a text output.
std::string Shown(std::string_view text);

// Appends `text` as shown; with `html`, also with &, <, >, " and ' as entities and the bytes from
// 0xA0 of a text that is not UTF-8 read as Latin-1.
void AppendShown(std::string& out, std::string_view text, bool html);

} // namespace check
