// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Legacy.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace legacy {

double CInt(double v) {
    return std::nearbyint(v);
}

double Int(double v) {
    return std::floor(v);
}

double RoundTo(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double r = std::nearbyint(v * scale) / scale;
    return std::isfinite(r) ? r : v;
}

namespace {

// Powers of ten that a double holds exactly.
constexpr double ExactPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

template <typename Char> bool IsDigitAt(std::basic_string_view<Char> t, size_t k) {
    return k < t.size() && t[k] >= '0' && t[k] <= '9';
}

// The common case of LeadingNumber: [sign] digits [. digits] with at most 15 digits and no
// exponent after them. The digits form an integer below 2^53 and the divisor is an exact power
// of ten, so the one rounding of the division gives the nearest double, as a full conversion
// does. Returns false when the text needs the full conversion.
template <typename Char> bool PlainNumber(std::basic_string_view<Char> t, size_t i, double& out) {
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    uint64_t mantissa = 0;
    int digits = 0, decimals = 0;
    for (; IsDigitAt(t, i); ++i, ++digits)
        mantissa = mantissa * 10 + static_cast<uint64_t>(t[i] - '0');
    if (i < t.size() && t[i] == '.')
        for (++i; IsDigitAt(t, i); ++i, ++digits, ++decimals)
            mantissa = mantissa * 10 + static_cast<uint64_t>(t[i] - '0');
    if (digits > 15) return false;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) return false;
    if (digits == 0) {
        out = 0;
        return true;
    }
    const double v = static_cast<double>(mantissa) / ExactPow10[decimals];
    out = negative ? -v : v;
    return true;
}

template <typename Char> double LeadingNumber(std::basic_string_view<Char> t) {
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t'))
        ++i;
    // One to three digits and nothing after them, as G and M codes are written: read directly.
    if (const size_t n = t.size() - i; n >= 1 && n <= 3) {
        int whole = 0;
        size_t k = i;
        for (; IsDigitAt(t, k); ++k)
            whole = whole * 10 + (t[k] - '0');
        if (k == t.size()) return whole;
    }
    if (double v; PlainNumber(t, i, v)) return v;
    char buf[64];
    size_t n = 0;
    auto put = [&](Char c) {
        if (n < sizeof buf - 1) buf[n++] = static_cast<char>(c);
    };
    auto isDigit = [&](size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
    // A long run of digits only matters for its leading ones and its length; keep the buffer
    // small by counting the surplus as a power of ten.
    int extraExp = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) put(t[i++]);
    size_t digits = 0;
    while (isDigit(i)) {
        if (digits < 30)
            put(t[i]);
        else
            ++extraExp;
        ++digits;
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        put('.');
        ++i;
        while (isDigit(i)) {
            if (digits < 30) put(t[i]);
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
        size_t k = i + 1;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        if (isDigit(k)) {
            put('e');
            if (t[i + 1] == '-' || t[i + 1] == '+') put(t[i + 1]);
            int e = 0;
            while (isDigit(k)) {
                if (e < 100000) e = e * 10 + (t[k] - '0');
                ++k;
            }
            int len = std::snprintf(buf + n, sizeof buf - n, "%d", e);
            n += static_cast<size_t>(len);
        }
    }
    buf[n] = 0;
    double v = 0;
    const char* first = buf + (buf[0] == '+' ? 1 : 0);
    auto res = std::from_chars(first, buf + n, v);
    if (res.ec == std::errc::result_out_of_range) v = (buf[0] == '-') ? -HUGE_VAL : HUGE_VAL;
    if (extraExp) v *= std::pow(10.0, extraExp);
    return v;
}

// Rewrites the exponent of a %g text the control's way: "1.5e+20" -> "1.5E+20".
std::string General(const char* first, const char* last) {
    std::string s(first, last);
    auto e = s.find('e');
    if (e != std::string::npos) s[e] = 'E';
    return s;
}

} // namespace

double Val(std::string_view text) {
    return LeadingNumber(text);
}
double Val(std::u16string_view text) {
    return LeadingNumber(text);
}

namespace {

template <typename Char>
bool PlainSingleOf(std::basic_string_view<Char> digits, bool negative, std::string& text, double& value) {
    // The whole part without its leading zeros and the fraction without its trailing ones are
    // found first; the text is then put together from them and assigned once, since this runs for
    // nearly every word.
    const size_t n = digits.size();
    if (n > 24) return false;
    const auto isDigit = [&](size_t k) { return k < n && digits[k] >= '0' && digits[k] <= '9'; };
    size_t i = 0;
    while (i < n && digits[i] == '0')
        ++i;
    const size_t intFrom = i;
    while (isDigit(i))
        ++i;
    const size_t intLen = i - intFrom;
    if (intLen > 7) return false; // 1E+07 and beyond are written with an exponent
    size_t fracFrom = i, fracTo = i;
    if (i < n && digits[i] == '.') {
        fracFrom = ++i;
        while (isDigit(i))
            ++i;
        fracTo = i;
    }
    if (i != n) return false; // a comma, a second point: the long way
    while (fracTo > fracFrom && digits[fracTo - 1] == '0')
        --fracTo;
    const size_t fracLen = fracTo - fracFrom;
    if (intLen == 0 && fracLen == 0) {
        text = "0";
        value = 0;
        return true;
    }
    size_t zeros = 0; // after the point of a value below 1
    if (intLen == 0)
        while (digits[fracFrom + zeros] == '0')
            ++zeros;
    const size_t significant = intLen ? intLen + fracLen : fracLen - zeros;
    if (significant > 7 || zeros > 2) return false;
    char out[24]; // a sign, at most 7 digits before the point or "0", the point, at most 9 after
    size_t len = 0;
    uint64_t mantissa = 0;
    const auto put = [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            out[len++] = static_cast<char>(digits[k]);
            mantissa = mantissa * 10 + static_cast<uint64_t>(digits[k] - '0');
        }
    };
    if (negative) out[len++] = '-';
    if (intLen == 0) out[len++] = '0';
    put(intFrom, intFrom + intLen);
    if (fracLen > 0) {
        out[len++] = '.';
        put(fracFrom, fracTo);
    }
    value = static_cast<double>(mantissa) / ExactPow10[fracLen];
    if (negative) value = -value;
    text.assign(out, len);
    return true;
}

} // namespace

bool PlainSingle(std::string_view digits, bool negative, std::string& text, double& value) {
    return PlainSingleOf(digits, negative, text, value);
}
bool PlainSingle(std::u16string_view digits, bool negative, std::string& text, double& value) {
    return PlainSingleOf(digits, negative, text, value);
}

std::string Str7(float v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
    if (v == 0) return "0";
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 7);
    return General(buf, r.ptr);
}

std::string Str15(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
    if (v == 0) return "0";
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return General(buf, r.ptr);
}

std::string RoundText(double v, int decimals) {
    return Str15(RoundTo(v, decimals));
}

std::string FormatFixed(double v, int decimals) {
    if (!std::isfinite(v)) return Str15(v);
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    // A value that rounds to zero is written without a sign.
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::string Format000(double v) {
    return FormatFixed(v, 3);
}

std::string Format0Hash(double v) {
    if (!std::isfinite(v)) return Str15(v);
    std::string s = FormatFixed(CInt(v), 0);
    bool neg = s[0] == '-';
    if (s.size() - (neg ? 1 : 0) < 2) s.insert(neg ? 1 : 0, "0");
    return s;
}

std::string Format0HashDot0(double v) {
    std::string s = FormatFixed(v, 1);
    bool neg = !s.empty() && s[0] == '-';
    auto dot = s.find('.');
    if (dot != std::string::npos && dot - (neg ? 1 : 0) < 2) s.insert(neg ? 1 : 0, "0");
    return s;
}

} // namespace legacy
