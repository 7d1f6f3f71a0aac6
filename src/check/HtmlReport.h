// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check of an archive as one HTML page that needs nothing else: no file beside it and nothing
// from the network (its content security policy forbids every load). A table of the programs
// with their blocks, end, cutting time, alarms, findings, check time and the picture of the
// fitted path; a click on a column's heading sorts by it (a small script in the page; the page
// reads the same without it, in the order of the list), and "#sort=KEY" or "#sort=-KEY" in the
// address sorts at once (KEY: program, blocks, end, cutting, alarms, findings, time). Every text
// that comes from a program or its name is escaped. A program whose setup could not be read
// counts as not checked: its row and the summary say why. The page is written in three parts so that
// the rows of a large archive go to the file as they are checked.

#include "check/ArchiveSummary.h"

#include <string>
#include <string_view>

namespace check {

// The start of the page, up to the table's first row.
std::string HtmlHead(size_t programs);
// One program's row.
std::string HtmlRow(const ProgramResult& r);
// The end of the table, the summary and the sorting script.
std::string HtmlTail(const ArchiveSummary& summary);

// Text for HTML element content or a quoted attribute value: &, <, >, " and ' escaped, control
// characters (bidirectional ones too) shown as in the text outputs (check/Shown.h), and a name
// that is not UTF-8 read as Latin-1.
std::string HtmlEscape(std::string_view text);

// An SVG document as an element to put into an HTML page (without its XML declaration).
std::string InlineSvg(const std::string& document);

} // namespace check
