// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A length in millimetres as the reports, the profile and the drawing's messages write it.

#include <cmath>
#include <cstdio>
#include <string>

namespace stock {

// Four decimals, a tenth of the least deviation worth telling, without trailing zeros; "-0" is
// written as 0.
inline std::string MmText(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.4f", std::fabs(v) < 5e-5 ? 0.0 : v);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

} // namespace stock
