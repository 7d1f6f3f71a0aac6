// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/PicturePlugin.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <vector>

// The package's private library folder, relative to the folder of the installed program
// (packaging/CMakeLists.txt works it out from the install folders).
#ifndef ZARVIK_PICTURES_RELDIR
#define ZARVIK_PICTURES_RELDIR "../lib/zarvik"
#endif

namespace check {

namespace {

namespace fs = std::filesystem;

// Where the library may be: beside the program, then in the private folder of its install.
std::vector<fs::path> LibraryCandidates() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const fs::path folder = self.parent_path();
    return {folder / PictureLibraryName,
            (folder / ZARVIK_PICTURES_RELDIR / PictureLibraryName).lexically_normal()};
}

} // namespace

bool LoadPictureLibrary(PictureFormats& formats, std::string& why) {
    const std::vector<fs::path> candidates = LibraryCandidates();
    for (const fs::path& path : candidates) {
        std::error_code ec;
        if (!fs::exists(path, ec)) continue;
        // Kept loaded for the rest of the run: the pictures it makes are its objects.
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* error = ::dlerror();
            why = std::string("cannot load the picture library: ") + (error ? error : path.c_str());
            return false;
        }
        const auto entry = reinterpret_cast<PictureEntry>(::dlsym(library, PictureEntryName));
        const PictureFormats* found = entry ? entry(PictureBuildTag) : nullptr;
        if (!found || !found->Png || !found->Pdf) {
            why = "the picture library " + path.string() + " belongs to another version of zarvik-check";
            return false;
        }
        formats.Png = found->Png;
        formats.Pdf = found->Pdf;
        return true;
    }
    why = std::string("PNG and PDF pictures need the picture library ") + PictureLibraryName +
          ", which is not in ";
    if (candidates.empty()) return why += "the checker's folder (it cannot be found)", false;
    why += candidates[0].parent_path().string() + " nor in " + candidates[1].parent_path().string() +
           " (reinstall zarvik-check with it)";
    return false;
}

} // namespace check
