// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/SetupNumber.h"

#include <toml++/toml.h>

#include <cmath>
#include <string>

namespace stock {

std::optional<double> ReadSetupNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, last - first + 1);
    // Only what a number can hold: no second value, comment or table can come with it.
    for (const char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!plain && c != '+' && c != '-' && c != '.' && c != '_') return std::nullopt;
    }
    try {
        const toml::table doc = toml::parse("v = " + std::string(text));
        const toml::node* v = doc.get("v");
        if (!v || !(v->is_integer() || v->is_floating_point())) return std::nullopt;
        const std::optional<double> d = v->value<double>();
        if (!d || !std::isfinite(*d)) return std::nullopt;
        return d;
    } catch (const toml::parse_error&) {
        return std::nullopt;
    }
}

} // namespace stock
