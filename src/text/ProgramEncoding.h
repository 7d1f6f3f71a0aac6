// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How program files are read and written, one rule for the window and the checker. Program files
// are 8-bit text as the controls write it: a file is read as UTF-8 when it is valid UTF-8, else as
// Shift_JIS (code page 932, what the operators' controls write) when every byte decodes and the
// text encodes back to the same bytes, else as Latin-1 (every byte a character). It is written in
// the encoding it was read with, so that a file loads and saves back byte for byte.
//
// Positions count UTF-16 units: one for each ASCII, Latin-1 or Shift_JIS character, two for a
// UTF-8 character beyond the Basic Multilingual Plane. A byte order mark stays a character.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

enum class Encoding { Utf8, ShiftJis, Latin1 };

// No encoding gives more UTF-16 units than the file has bytes.
constexpr size_t MaxDecodedUnits(size_t bytes) {
    return bytes;
}

// Decodes `bytes` into `out`, which has room for MaxDecodedUnits(bytes.size()) units. Returns the
// number of units written; `enc` tells the encoding read.
size_t DecodeInto(std::string_view bytes, char16_t* out, Encoding& enc);

std::u16string Decode(std::string_view bytes, Encoding* enc = nullptr);
Encoding DetectEncoding(std::string_view bytes);

// Writes `text` in `enc` to `out`; false when the text holds a character that encoding cannot
// write (typed into a Latin-1 file, say, or a lone surrogate). Nothing is replaced or dropped.
bool Encode(std::u16string_view text, Encoding enc, std::string& out);

// Index of the first UTF-16 unit `enc` cannot write (the first of a surrogate pair), or -1 when
// the whole text fits.
std::ptrdiff_t FirstUnencodable(std::u16string_view text, Encoding enc);

const char* EncodingName(Encoding enc);

// `text` as UTF-8 for the labels and reports. A lone surrogate (half of a pair cut off) is written
// as its own three bytes rather than lost; Encode refuses it instead.
void AppendUtf8(std::u16string_view text, std::string& out);
std::string Utf8(std::u16string_view text);

} // namespace text
