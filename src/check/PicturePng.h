#pragma once
// PNG pictures for the checker, drawn with Qt Gui. Only the checker's program links this.

#include "check/Picture.h"

namespace check {

// A PNG picture. A QGuiApplication on the offscreen platform is started with the first one
// (text needs fonts).
std::unique_ptr<Picture> MakePngPicture();

} // namespace check
