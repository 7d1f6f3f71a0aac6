// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

// The keys of the calculator and the keyboard that drives them.
namespace calc {

// One entry per key of the calculator window. The digit keys come first in order, so that
// Number0 + d is the key of digit d; the operator keys follow in the order of their index
// ("/", "+", "X", "-", "=").
enum class Key {
    Number0,
    Number1,
    Number2,
    Number3,
    Number4,
    Number5,
    Number6,
    Number7,
    Number8,
    Number9,
    Divide,
    Plus,
    Times,
    Minus,
    Equals,
    Decima,
    PlasMuns,
    Cancel,
    CancelEntry,
    MS,
    MRead,
    MP,
    Square,
    Gyakusu,
    SQRT,
    Pai,
    swSIN,
    swCOS,
    swTAN,
    swINV,
    Command1,
    Command2,
    Command3,
    Command4,
    Command5,
};

inline constexpr int KeyCount = static_cast<int>(Key::Command5) + 1;

// Key codes of the keys the calculator reacts to when they go down.
namespace KeyCode {
inline constexpr int Enter = 13;
inline constexpr int Shift = 16;
} // namespace KeyCode

// Characters the calculator reacts to when typed.
namespace KeyChar {
inline constexpr char32_t Backspace = 8;
inline constexpr char32_t Escape = 27;
} // namespace KeyChar

// The key that a key code going down presses (letters by their upper-case code), given the state
// of the calculator's shift toggle. M and X have a second meaning after shift.
std::optional<Key> KeyDownTarget(int Code, bool ShiftOn);

// The key that a typed character presses.
std::optional<Key> KeyPressTarget(char32_t Character);

} // namespace calc
