// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// --diff OLD NEW --report FILE.html: the comparison of two versions as one HTML page that needs
// nothing else: the verdict, the regions of material added and removed with the blocks of both
// files (their numbers and text), the cutting times per tool and the findings of both side by
// side, and the overlay (NEW over OLD's part, material added orange, removed red) as inline SVG.

#include "check/VersionDiff.h"

#include <string>

namespace check {

// The page. `oldText` and `newText` are the programs as compared, for the blocks' text;
// `overlaySvg` the picture (an SVG document), or empty for none.
std::string DiffHtml(const VersionDiff& diff, const std::u16string& oldText, const std::u16string& newText,
                     const std::string& overlaySvg);

} // namespace check
