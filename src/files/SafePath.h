// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shared-folder link rule for the program files: the rule itself is Qt-free (input/SafePath.h),
// so that the setup files and tool tables of the stock are read under it too.

#include "input/SafePath.h"

namespace files {

using input::FolderOf;
using input::MayFollowLink;
using input::NameOf;
using input::ResolvedPath;
using input::ResolvePath;

} // namespace files
