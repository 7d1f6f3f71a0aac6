// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check of an archive as HTML that needs nothing else: no file beside it but its own pages,
// and nothing from the network (its content security policy forbids every load). A table of the
// programs: the verdict first (pass, warnings, fails, not checked, with the reason in a few
// words), then blocks, end, cutting time, the machine's time when it was timed on one (unfolding
// to its split), the alarms and the findings grouped by code (unfolding to each line), the
// stock's figures, the check time and the picture of the fitted path (with the stock's section
// when a setup was in effect); below the rows, the totals. A click on a column's heading sorts by
// it (a small script in the page; the page reads the same without it, in the order of the list),
// and "#sort=KEY" or "#sort=-KEY" in the address sorts at once (KEY: verdict, program, blocks,
// end, cutting, machine, alarms, findings, stock, time). Every text that comes from a program or
// its name is escaped. A program whose setup could not be read counts as not checked: its row
// and the summary say why. The page is written in three parts so that the rows of a large archive
// go to the file as they are checked; an archive of more than HtmlSplitAbove programs goes to
// pages of HtmlPageRows rows beside an index (Archive.cpp).

#include "check/ArchiveSummary.h"

#include <string>
#include <string_view>
#include <vector>

namespace check {

// The start of the page, up to the table's first row.
std::string HtmlHead(size_t programs);
// One program's row.
std::string HtmlRow(const ProgramResult& r);
// The end of the table, the summary and the sorting script.
std::string HtmlTail(const ArchiveSummary& summary);

// An archive of more programs than HtmlSplitAbove is reported as an index page and pages of
// HtmlPageRows programs each: a browser takes seconds for a page of a few hundred rows with
// their pictures, minutes for ten thousand.
inline constexpr size_t HtmlSplitAbove = 1000;
inline constexpr size_t HtmlPageRows = 200;

// A program's verdict as the report shows it.
struct HtmlVerdict {
    int Rank = 0;               // sorts: pass, warnings, fails, not checked
    const char* Word = "pass";  // "pass", "warnings", "fails", "not checked"
    const char* Class = "pass"; // of the verdict's badge
    std::string Why;            // a few words; empty for a pass
};
HtmlVerdict VerdictOf(const ProgramResult& r);

// A split report: the pages' names beside the index (FILE.html gives FILE.pages/0001.html ...),
// each page's start, and the index.
std::string HtmlPagePath(const std::string& indexPath, size_t page); // as written
std::string HtmlPageLink(const std::string& indexPath, size_t page); // relative to the index
std::string HtmlPageHead(size_t first, size_t last, size_t programs, const std::string& indexName);
std::string HtmlPageTail(const std::string& indexName);
struct HtmlIndexEntry {
    size_t Index = 0; // in the list
    std::string Path;
    HtmlVerdict Verdict;
};
// The index: the summary, each page with its first and last program and its verdicts, and the
// programs that do not pass (the first thousand) with their page.
std::string HtmlIndex(const ArchiveSummary& summary, const std::string& indexPath,
                      const std::vector<HtmlIndexEntry>& programs);

// Text for HTML element content or a quoted attribute value: &, <, >, " and ' escaped, control
// characters (bidirectional ones too) shown as in the text outputs (check/Shown.h), and a name
// that is not UTF-8 read as Latin-1.
std::string HtmlEscape(std::string_view text);

// The start of a page of the report's look, up to its heading `title`, loading nothing.
std::string HtmlPageStart(const std::string& title);

// An SVG document as an element to put into an HTML page (without its XML declaration).
std::string InlineSvg(const std::string& document);

} // namespace check
