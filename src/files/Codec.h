#pragma once
// Program files are 8-bit text as the controls write it. A file is decoded as UTF-8 when it is
// valid UTF-8, else as Shift_JIS when that decodes cleanly and encodes back to the same bytes,
// else as Latin-1 (every byte a character); it is saved in the encoding it was read with, so that
// a file loads and saves back byte for byte.

#include <QByteArray>
#include <QString>

namespace files {

enum class Encoding { Utf8, ShiftJis, Latin1 };

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

const char* EncodingName(Encoding enc);

} // namespace files
