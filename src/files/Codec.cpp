// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Codec.h"

#include <string>

namespace files {

namespace {

std::u16string_view View(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}

} // namespace

Decoded Decode(const QByteArray& bytes) {
    Decoded d;
    // Decoded straight into the text's own buffer: a large program is not held twice.
    d.Text.resize(static_cast<qsizetype>(text::MaxDecodedUnits(static_cast<size_t>(bytes.size()))));
    const size_t n = text::DecodeInto(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                                      reinterpret_cast<char16_t*>(d.Text.data()), d.Enc);
    d.Text.resize(static_cast<qsizetype>(n));
    return d;
}

bool Encode(const QString& text, Encoding enc, QByteArray& out) {
    std::string bytes;
    if (!text::Encode(View(text), enc, bytes)) return false;
    out = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return true;
}

qsizetype FirstUnencodable(const QString& text, Encoding enc) {
    return static_cast<qsizetype>(text::FirstUnencodable(View(text), enc));
}

} // namespace files
