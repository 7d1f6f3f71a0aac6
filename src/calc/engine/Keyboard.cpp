// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keys.h"

namespace calc {

std::optional<Key> KeyDownTarget(int Code, bool ShiftOn) {
    switch (Code) {
    case KeyCode::Shift:
        return Key::swINV;
    case KeyCode::Enter:
        return Key::Equals;
    case 'S':
        return Key::swSIN;
    case 'C':
        return Key::swCOS;
    case 'T':
        return Key::swTAN;
    case 'R':
        return Key::SQRT;
    case 'P':
        return Key::Pai;
    case 'M':
        return ShiftOn ? Key::MRead : Key::MS;
    case 'X':
        return ShiftOn ? Key::Gyakusu : Key::Square;
    case 'N':
        return Key::Command1;
    case 'V':
        return Key::Command2;
    case 'F':
        return Key::Command3;
    case 'G':
        return Key::Command4;
    case 'H':
        return Key::Command5;
    default:
        return std::nullopt;
    }
}

std::optional<Key> KeyPressTarget(char32_t Character) {
    if (Character >= U'0' && Character <= U'9') {
        return static_cast<Key>(static_cast<int>(Key::Number0) + static_cast<int>(Character - U'0'));
    }
    switch (Character) {
    case KeyChar::Escape:
        return Key::Cancel;
    case KeyChar::Backspace:
        return Key::CancelEntry;
    case U'/':
        return Key::Divide;
    case U'+':
        return Key::Plus;
    case U'*':
        return Key::Times;
    case U'-':
        return Key::Minus;
    case U'=':
        return Key::Equals;
    case U'.':
        return Key::Decima;
    default:
        return std::nullopt;
    }
}

} // namespace calc
