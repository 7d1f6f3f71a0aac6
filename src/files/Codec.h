// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program files as the window reads and writes them, by the one rule the checker follows too
// (text/ProgramEncoding): UTF-8 when the bytes are valid UTF-8, else Shift_JIS when they decode
// and encode back to the same bytes, else Latin-1; saved in the encoding they were read with, so
// that a file loads and saves back byte for byte.

#include "text/ProgramEncoding.h"

#include <QByteArray>
#include <QString>

namespace files {

using Encoding = text::Encoding;

struct Decoded {
    QString Text;
    Encoding Enc = Encoding::Utf8;
};

Decoded Decode(const QByteArray& bytes);

// Encodes in `enc`; false when the text holds a character that encoding cannot write (typed into
// a Latin-1 file, say). Nothing is ever re-encoded behind the operator's back: the window asks
// before a program changes its encoding.
bool Encode(const QString& text, Encoding enc, QByteArray& out);

// Index of the first character `enc` cannot write, or -1 when the whole text fits.
qsizetype FirstUnencodable(const QString& text, Encoding enc);

using text::EncodingName;

} // namespace files
