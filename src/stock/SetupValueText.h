// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A value of a setup or machine file as its messages quote it: a number as written (an integer
// with every digit, which a double cannot hold when large), a text in double quotes, or what
// kind of value it is.

#include <sstream>
#include <string>
#include <toml++/toml.h>

namespace stock {

inline std::string ValueText(const toml::node& n) {
    std::ostringstream s;
    if (const toml::value<int64_t>* i = n.as_integer())
        s << i->get();
    else if (auto v = n.value<double>())
        s << *v;
    else if (auto t = n.value<std::string>())
        s << '"' << *t << '"';
    else if (n.is_table())
        s << "a table";
    else if (n.is_array())
        s << "a list";
    else if (auto b = n.value<bool>())
        s << (*b ? "true" : "false");
    else
        s << "a date or time";
    return s.str();
}

} // namespace stock
