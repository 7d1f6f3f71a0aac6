// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Shown.h"

#include "text/Utf8.h"

#include <cstdio>

namespace check {

namespace {

bool IsHiddenMover(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 ||
           c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendHex(std::string& out, const char* format, unsigned value) {
    char buf[12];
    std::snprintf(buf, sizeof buf, format, value);
    out += buf;
}

void AppendControl(std::string& out, unsigned char c) {
    switch (c) {
    case 0x1B:
        out += "\\e";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        AppendHex(out, "\\x%02x", c);
    }
}

bool AppendHtmlSpecial(std::string& out, char c) {
    switch (c) {
    case '&':
        out += "&amp;";
        return true;
    case '<':
        out += "&lt;";
        return true;
    case '>':
        out += "&gt;";
        return true;
    case '"':
        out += "&quot;";
        return true;
    case '\'':
        out += "&#39;";
        return true;
    default:
        return false;
    }
}

} // namespace

void AppendShown(std::string& out, std::string_view text, bool html) {
    const bool utf8 = text::LooksLikeUtf8(text);
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            AppendControl(out, c);
            ++i;
        } else if (c < 0x80) {
            if (!html || !AppendHtmlSpecial(out, text[i])) out += text[i];
            ++i;
        } else if (!utf8) {
            if (c < 0xA0)
                AppendHex(out, "\\x%02x", c);
            else if (html)
                AppendHex(out, "&#x%X;", c); // Latin-1: the byte is the code point
            else
                out += text[i];
            ++i;
        } else {
            // A whole sequence (the text is UTF-8, so it is there).
            const size_t n = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
            char32_t code = c & (0x7F >> n);
            for (size_t k = 1; k < n; ++k)
                code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            if (code < 0x80) {
                // An overlong form (of ESC, say), which some terminals take for the character.
                for (size_t k = 0; k < n; ++k)
                    AppendHex(out, "\\x%02x", static_cast<unsigned char>(text[i + k]));
            } else if (IsHiddenMover(code))
                AppendHex(out, "\\u%04x", static_cast<unsigned>(code));
            else
                out.append(text.substr(i, n));
            i += n;
        }
    }
}

std::string Shown(std::string_view text) {
    std::string out;
    AppendShown(out, text, false);
    return out;
}

} // namespace check
