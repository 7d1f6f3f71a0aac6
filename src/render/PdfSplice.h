// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Parts of a page's drawing written by our own code (PdfPath.h), put into the page that Qt wrote,
// without Qt. Qt paints everything small on the sheet (background, texts, rulers, legend, the
// stock's section) and, where a part of ours goes, a mark in the part's place and style: the page
// keeps Qt's order of painting, clip, transformation and pen, and only the mark's coordinates are
// replaced by the part. The page's content is then compressed anew, fast and in parts on the
// cores there are (Qt compresses slowly and on one core).

#include <string>
#include <vector>

namespace render {

// The marks, in the drawing units of the part they stand for; nothing else on a page is drawn at
// these fractions. Part n of a path: a line from (n, MarkY) to (n, MarkEndY), drawn with the
// part's pen. Part n of squares: one square at (n, MarkY), MarkSide wide, filled with the part's
// colour.
constexpr double MarkY = 0.3515625, MarkEndY = 0.6171875, MarkSide = 0.25;

// Page content of this size and more is packed in one stream for each core, less in one stream.
constexpr size_t StreamSize = 4 << 20;

// `document` (one page, as QPdfWriter writes it) with each mark replaced by the part of its number,
// in `out`. A part whose mark is not there (the page clipped it away) is left out. False, with the
// reason in `why`, when the document is not laid out as Qt lays it out.
bool SpliceParts(const std::string& document, const std::vector<std::string>& parts, std::string& out,
                 std::string& why, size_t streamSize = StreamSize);

} // namespace render
