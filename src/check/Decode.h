// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program files as the window reads them (text/ProgramEncoding): UTF-8, else Shift_JIS, else
// Latin-1, with the same characters at the same positions as the window's text.

#include "text/ProgramEncoding.h"

#include <string>
#include <string_view>

namespace check {

using Encoding = text::Encoding;

Encoding DetectEncoding(std::string_view bytes);
std::u16string DecodeProgram(std::string_view bytes, Encoding* used = nullptr);
// Reads the program file through the input gate and decodes it; the bytes are let go at once.
// False, with the gate's reason in `why`, when it cannot be read.
bool ReadProgram(const std::string& path, std::u16string& text, std::string& why);

} // namespace check
