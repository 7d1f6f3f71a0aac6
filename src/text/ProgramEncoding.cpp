// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/ProgramEncoding.h"

#include "text/Cp932Table.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace text {

namespace {

constexpr size_t kRefused = static_cast<size_t>(-1);

// The user-defined rows F0-F9 of code page 932: U+E000 on, one trail byte after the other.
constexpr unsigned char kUserFirstLead = 0xF0, kUserLastLead = 0xF9;
constexpr char16_t kUserFirst = 0xE000;
constexpr char16_t kUserLast = kUserFirst + (kUserLastLead - kUserFirstLead + 1) * cp932::kTrails - 1;

// Half-width katakana: single bytes A1-DF.
constexpr unsigned char kKanaFirstByte = 0xA1, kKanaLastByte = 0xDF;
constexpr char16_t kKanaFirst = 0xFF61, kKanaLast = kKanaFirst + (kKanaLastByte - kKanaFirstByte);

// UTF-8 into `out` (when writing); kRefused at the first malformed sequence: overlong forms,
// surrogates, values beyond Unicode and sequences cut short are not UTF-8.
template <bool kWrite> size_t DecodeUtf8(const unsigned char* p, size_t n, char16_t* out) {
    constexpr size_t kRun = 32;
    size_t i = 0, k = 0;
    while (i < n) {
        // Nearly every program is plain ASCII: widened in runs while it is checked. The run is
        // written before it is checked; a run that is not all ASCII is written over below.
        if (n - i >= kRun) {
            unsigned char any = 0;
            for (size_t j = 0; j < kRun; ++j) {
                any |= p[i + j];
                if constexpr (kWrite) out[k + j] = p[i + j];
            }
            if (any < 0x80) {
                i += kRun;
                k += kRun;
                continue;
            }
        }
        const unsigned char c = p[i];
        uint32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1Fu;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0Fu;
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07u;
            extra = 3;
        } else {
            return kRefused;
        }
        if (extra >= n - i) return kRefused;
        for (size_t t = 1; t <= extra; ++t) {
            if ((p[i + t] & 0xC0) != 0x80) return kRefused;
            cp = (cp << 6) | (p[i + t] & 0x3Fu);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return kRefused;
        if (cp >= 0x10000) {
            if constexpr (kWrite) {
                out[k] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                out[k + 1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            }
            k += 2;
        } else {
            if constexpr (kWrite) out[k] = static_cast<char16_t>(cp);
            ++k;
        }
        i += extra + 1;
    }
    return k;
}

// The character of the pair `lead` `trail`, or 0 when the pair is none (or does not write back to
// the same two bytes).
char16_t Cp932Pair(unsigned char lead, unsigned char trail) {
    const int l = cp932::LeadIndex(lead), t = cp932::TrailIndex(trail);
    if (l < 0 || t < 0) return 0;
    if (lead >= kUserFirstLead && lead <= kUserLastLead)
        return static_cast<char16_t>(kUserFirst + (lead - kUserFirstLead) * cp932::kTrails + t);
    const int row = cp932::kRowOfLead[l];
    return row < 0 ? 0 : cp932::kRows[row][t];
}

// Shift_JIS into `out` (when writing); kRefused at the first byte that is no character of it.
template <bool kWrite> size_t DecodeShiftJis(const unsigned char* p, size_t n, char16_t* out) {
    size_t k = 0;
    for (size_t i = 0; i < n; ++i, ++k) {
        const unsigned char c = p[i];
        char16_t u;
        if (c < 0x80) {
            u = c;
        } else if (c >= kKanaFirstByte && c <= kKanaLastByte) {
            u = static_cast<char16_t>(kKanaFirst + (c - kKanaFirstByte));
        } else {
            u = i + 1 < n ? Cp932Pair(c, p[i + 1]) : 0;
            if (u == 0) return kRefused;
            ++i;
        }
        if constexpr (kWrite) out[k] = u;
    }
    return k;
}

const unsigned char* Bytes(std::string_view b) {
    return reinterpret_cast<const unsigned char*>(b.data());
}

// Characters the Shift_JIS table holds, by character: the pair each is written as.
const std::vector<std::pair<char16_t, uint16_t>>& Cp932ByCharacter() {
    static const std::vector<std::pair<char16_t, uint16_t>> pairs = [] {
        std::vector<std::pair<char16_t, uint16_t>> v;
        for (int l = 0; l < cp932::kLeads; ++l) {
            const int row = cp932::kRowOfLead[l];
            if (row < 0) continue;
            for (int t = 0; t < cp932::kTrails; ++t)
                if (const char16_t u = cp932::kRows[row][t])
                    v.emplace_back(u, static_cast<uint16_t>(cp932::LeadByte(l) << 8 | cp932::TrailByte(t)));
        }
        std::sort(v.begin(), v.end());
        return v;
    }();
    return pairs;
}

// Shift_JIS bytes of `u` (one or two, the pair's lead first), 0 bytes when it has none.
int EncodeShiftJis(char16_t u, unsigned char bytes[2]) {
    if (u < 0x80) {
        bytes[0] = static_cast<unsigned char>(u);
        return 1;
    }
    if (u >= kKanaFirst && u <= kKanaLast) {
        bytes[0] = static_cast<unsigned char>(kKanaFirstByte + (u - kKanaFirst));
        return 1;
    }
    if (u >= kUserFirst && u <= kUserLast) {
        const int index = u - kUserFirst;
        bytes[0] = static_cast<unsigned char>(kUserFirstLead + index / cp932::kTrails);
        bytes[1] = cp932::TrailByte(index % cp932::kTrails);
        return 2;
    }
    const auto& pairs = Cp932ByCharacter();
    const auto it = std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(u, uint16_t{0}));
    if (it == pairs.end() || it->first != u) return 0;
    bytes[0] = static_cast<unsigned char>(it->second >> 8);
    bytes[1] = static_cast<unsigned char>(it->second & 0xFF);
    return 2;
}

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Appends `text` as UTF-8 up to the first lone surrogate; returns its index or -1.
std::ptrdiff_t EncodeUtf8(std::u16string_view text, std::string* out) {
    std::ptrdiff_t lone = -1;
    for (size_t i = 0; i < text.size() && lone < 0; ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]))
            lone = static_cast<std::ptrdiff_t>(i);
    }
    if (out) AppendUtf8(lone < 0 ? text : text.substr(0, static_cast<size_t>(lone)), *out);
    return lone;
}

// Appends `text` in a single- or double-byte encoding up to the first character it cannot
// write; returns that character's index or -1.
std::ptrdiff_t EncodeBytewise(std::u16string_view text, Encoding enc, std::string* out) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char bytes[2];
        int n = 0;
        if (enc == Encoding::Latin1) {
            if (text[i] <= 0xFF) {
                bytes[0] = static_cast<unsigned char>(text[i]);
                n = 1;
            }
        } else {
            n = EncodeShiftJis(text[i], bytes);
        }
        if (n == 0) return static_cast<std::ptrdiff_t>(i);
        if (out) out->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
    }
    return -1;
}

std::ptrdiff_t EncodeTo(std::u16string_view text, Encoding enc, std::string* out) {
    return enc == Encoding::Utf8 ? EncodeUtf8(text, out) : EncodeBytewise(text, enc, out);
}

} // namespace

void AppendUtf8(std::u16string_view text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

std::string Utf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

size_t DecodeInto(std::string_view bytes, char16_t* out, Encoding& enc) {
    const unsigned char* p = Bytes(bytes);
    size_t n = DecodeUtf8<true>(p, bytes.size(), out);
    if (n != kRefused) {
        enc = Encoding::Utf8;
        return n;
    }
    n = DecodeShiftJis<true>(p, bytes.size(), out);
    if (n != kRefused) {
        enc = Encoding::ShiftJis;
        return n;
    }
    enc = Encoding::Latin1;
    std::copy(p, p + bytes.size(), out);
    return bytes.size();
}

std::u16string Decode(std::string_view bytes, Encoding* enc) {
    std::u16string out(MaxDecodedUnits(bytes.size()), u'\0');
    Encoding used;
    out.resize(DecodeInto(bytes, out.data(), used));
    if (enc) *enc = used;
    return out;
}

Encoding DetectEncoding(std::string_view bytes) {
    if (DecodeUtf8<false>(Bytes(bytes), bytes.size(), nullptr) != kRefused) return Encoding::Utf8;
    if (DecodeShiftJis<false>(Bytes(bytes), bytes.size(), nullptr) != kRefused) return Encoding::ShiftJis;
    return Encoding::Latin1;
}

bool Encode(std::u16string_view text, Encoding enc, std::string& out) {
    out.clear();
    out.reserve(text.size());
    return EncodeTo(text, enc, &out) < 0;
}

std::ptrdiff_t FirstUnencodable(std::u16string_view text, Encoding enc) {
    return EncodeTo(text, enc, nullptr);
}

const char* EncodingName(Encoding enc) {
    switch (enc) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::ShiftJis:
        return "Shift_JIS";
    case Encoding::Latin1:
        return "Latin-1";
    }
    return "";
}

} // namespace text
