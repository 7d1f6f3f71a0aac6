// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Decode.h"

#include "check/LargeBuffer.h"
#include "input/InputGuard.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace check {

Encoding DetectEncoding(std::string_view bytes) {
    return text::DetectEncoding(bytes);
}

std::u16string DecodeProgram(std::string_view bytes, Encoding* used) {
    std::u16string out;
    out.reserve(text::MaxDecodedUnits(bytes.size()));
    AdviseLargeBuffer(out.data(), out.capacity() * sizeof(char16_t));
    out.resize(text::MaxDecodedUnits(bytes.size()));
    Encoding e;
    out.resize(text::DecodeInto(bytes, out.data(), e));
    if (used) *used = e;
    return out;
}

namespace {

// The piece a program file is read in: small enough to stay in the processor's cache.
constexpr size_t PieceBytes = size_t{1} << 16;

// Appends `n` bytes to `text`, one unit each. False (and `text` as it was) when one of them is
// beyond ASCII.
bool AppendAscii(std::u16string& text, const char* bytes, size_t n) {
    const size_t at = text.size();
    text.resize(at + n);
    char16_t* out = text.data() + at;
    unsigned char any = 0;
    for (size_t k = 0; k < n; ++k) {
        const auto c = static_cast<unsigned char>(bytes[k]);
        any |= c;
        out[k] = c;
    }
    if (any < 0x80) return true;
    text.resize(at);
    return false;
}

} // namespace

bool ReadProgram(const std::string& path, std::u16string& text, std::string& why) {
    // Nearly every program is plain ASCII, which every encoding reads alike, one unit a byte: it
    // is widened into the text as it is read, without holding the file's bytes as well. From the
    // first byte beyond ASCII on, the bytes are gathered whole (those before it are the text's
    // units) and decoded as the window decodes a file.
    input::InputFile in(path);
    std::u16string ascii;
    FileBytes bytes;
    bool whole = false;
    if (in.Ok()) {
        ascii.reserve(static_cast<size_t>(in.Size()));
        AdviseLargeBuffer(ascii.data(), ascii.capacity() * sizeof(char16_t));
    }
    const std::unique_ptr<char[]> piece(new char[PieceBytes]);
    const bool read = in.ReadPieces(piece.get(), PieceBytes, [&](const char* p, size_t n) {
        if (!whole && AppendAscii(ascii, p, n)) return;
        if (!whole) {
            whole = true;
            bytes.reserve(std::max(static_cast<size_t>(in.Size()), ascii.size() + n) +
                          input::InputFile::ReadStep);
            AdviseLargeBuffer(bytes.data(), static_cast<size_t>(in.Size()));
            bytes.resize(ascii.size());
            std::copy(ascii.begin(), ascii.end(), bytes.data());
            std::u16string().swap(ascii);
        }
        const size_t at = bytes.size();
        bytes.resize(at + n);
        std::memcpy(bytes.data() + at, p, n);
    });
    if (!read) {
        why = in.Why();
        return false;
    }
    if (whole)
        text = DecodeProgram(bytes.View());
    else
        text = std::move(ascii);
    return true;
}

} // namespace check
