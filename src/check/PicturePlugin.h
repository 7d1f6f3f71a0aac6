// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checker's PNG and PDF pictures live in a library of their own, zarvik-check-pictures.so
// (PicturePng.cpp), because they need Qt Gui: a plain check, which draws no such picture, then
// starts without loading Qt and its fifty libraries. The program loads the library the first
// time --png or --pdf is given, from beside itself (the build folder) or from the package's
// private library folder.

#include "ZarvikVersion.h"
#include "check/Picture.h"

#include <string>

namespace check {

inline constexpr char PictureLibraryName[] = "zarvik-check-pictures.so";
// The library's one entry point: its formats (Svg left empty) when `tag` is its own build's
// PictureBuildTag, else null, so that a library of another version is never used.
inline constexpr char PictureEntryName[] = "ZarvikCheckPictureFormats";
using PictureEntry = const PictureFormats* (*)(const char* tag);
inline constexpr char PictureBuildTag[] = ZARVIK_VERSION " " __VERSION__;

// Fills formats.Png and formats.Pdf from the library. False, with the reason, when it is not
// found, cannot be loaded or belongs to another build. Used as PictureFormats::Load by the
// checker's program.
bool LoadPictureLibrary(PictureFormats& formats, std::string& why);

} // namespace check
