#pragma once
// Program files as the window reads them: UTF-8 when the bytes are valid UTF-8, else Shift_JIS
// (what the operators' controls write) when they form clean Shift_JIS, else Latin-1. The core
// only needs the positions to agree with the window's text, so each Shift_JIS double-byte
// character becomes one UTF-16 unit here.

#include <string>
#include <string_view>

namespace check {

enum class Encoding { Utf8, ShiftJis, Latin1 };

Encoding DetectEncoding(std::string_view bytes);
std::u16string DecodeProgram(std::string_view bytes, Encoding* used = nullptr);

} // namespace check
