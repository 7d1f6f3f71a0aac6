// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File names as the operating system holds them: bytes, usually UTF-8 but not always (a name
// copied from an old control or a Latin-1 machine). A name that is not valid UTF-8 still has to
// open and save the file it names, so each byte outside valid UTF-8 is kept in the QString as
// one lone low surrogate (U+DC80 to U+DCFF), which turns back into the same byte.

#include <QString>

#include <string>
#include <string_view>

namespace files {

// The name's bytes as text; valid UTF-8 reads as usual, any other byte as its surrogate.
QString PathFromNative(std::string_view bytes);
// The bytes of a name made by PathFromNative, or typed by the operator (UTF-8).
std::string NativePath(const QString& path);

} // namespace files
