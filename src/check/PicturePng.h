// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PNG and PDF pictures for the checker, drawn with Qt Gui. Only the checker's program links this.

#include "check/Picture.h"

namespace check {

// A PNG picture. A QGuiApplication on the offscreen platform is started with the first one
// (text needs fonts).
std::unique_ptr<Picture> MakePngPicture(const picture::SheetLayout& layout);
// A PDF page, the path in vectors.
std::unique_ptr<Picture> MakePdfPicture(const picture::SheetLayout& layout);

} // namespace check
