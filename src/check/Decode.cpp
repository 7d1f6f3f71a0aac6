#include "check/Decode.h"

#include "check/LargeBuffer.h"

#include <algorithm>
#include <cstdint>

namespace check {

namespace {

// Decodes UTF-8 into `out` (when not null); false at the first malformed sequence.
bool DecodeUtf8(std::string_view b, std::u16string* out) {
    size_t i = 0;
    while (i < b.size()) {
        const auto c = static_cast<uint8_t>(b[i]);
        uint32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            extra = 3;
        } else
            return false;
        if (i + static_cast<size_t>(extra) >= b.size() + (extra == 0 ? 1 : 0)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<uint8_t>(b[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (out) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
                out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
            } else {
                out->push_back(static_cast<char16_t>(cp));
            }
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

// Appends the bytes to `out` as UTF-16 while they are all ASCII; false at the first other byte.
bool WidenAscii(std::string_view b, std::u16string& out) {
    char16_t block[4096];
    for (size_t at = 0; at < b.size(); at += sizeof block / sizeof *block) {
        const size_t n = std::min(b.size() - at, sizeof block / sizeof *block);
        unsigned char any = 0;
        for (size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(b[at + i]);
            any |= c;
            block[i] = c;
        }
        if (any >= 0x80) return false;
        out.append(block, n);
    }
    return true;
}

bool IsSjisLead(uint8_t c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsSjisTrail(uint8_t c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

bool DecodeSjis(std::string_view b, std::u16string* out) {
    for (size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<uint8_t>(b[i]);
        if (c < 0x80) {
            if (out) out->push_back(c);
        } else if (c >= 0xA1 && c <= 0xDF) { // half-width katakana
            if (out) out->push_back(static_cast<char16_t>(0xFF61 + (c - 0xA1)));
        } else if (IsSjisLead(c) && i + 1 < b.size() && IsSjisTrail(static_cast<uint8_t>(b[i + 1]))) {
            if (out) out->push_back(u'\uFFFD'); // one character; its face does not matter here
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

Encoding DetectEncoding(std::string_view bytes) {
    if (DecodeUtf8(bytes, nullptr)) return Encoding::Utf8;
    if (DecodeSjis(bytes, nullptr)) return Encoding::ShiftJis;
    return Encoding::Latin1;
}

std::u16string DecodeProgram(std::string_view bytes, Encoding* used) {
    std::u16string out;
    out.reserve(bytes.size());
    AdviseLargeBuffer(out.data(), out.capacity() * sizeof(char16_t));
    // Nearly every program is plain ASCII, UTF-8 that widens byte for byte: widened in blocks
    // while it is checked, in one pass; the first other byte sends it the long way.
    if (WidenAscii(bytes, out)) {
        if (used) *used = Encoding::Utf8;
        return out;
    }
    out.clear();
    const Encoding e = DetectEncoding(bytes);
    if (used) *used = e;
    if (e == Encoding::Utf8)
        DecodeUtf8(bytes, &out);
    else if (e == Encoding::ShiftJis)
        DecodeSjis(bytes, &out);
    else
        for (char c : bytes)
            out.push_back(static_cast<uint8_t>(c));
    return out;
}

} // namespace check
