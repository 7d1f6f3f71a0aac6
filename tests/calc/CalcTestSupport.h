// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CalcEngine.h"

#include <sstream>
#include <string>

// Presses the keys of a sequence like "150 = 50 =" or "shift sin": numbers are typed digit by
// digit, the other words name keys.
inline void Type(calc::CalcEngine& Calc, const std::string& Sequence) {
    using calc::Key;
    std::istringstream Words(Sequence);
    std::string Word;
    while (Words >> Word) {
        static const std::pair<const char*, Key> Named[] = {
            {"/", Key::Divide},    {"+", Key::Plus},       {"X", Key::Times},     {"-", Key::Minus},
            {"=", Key::Equals},    {"+/-", Key::PlasMuns}, {"AC", Key::Cancel},   {"C", Key::CancelEntry},
            {"Min", Key::MS},      {"MR", Key::MRead},     {"M+", Key::MP},       {"x2", Key::Square},
            {"1/x", Key::Gyakusu}, {"sqrt", Key::SQRT},    {"PI", Key::Pai},      {"sin", Key::swSIN},
            {"cos", Key::swCOS},   {"tan", Key::swTAN},    {"shift", Key::swINV}, {"N", Key::Command1},
            {"V", Key::Command2},  {"F", Key::Command3},   {"T", Key::Command4},  {"H", Key::Command5},
        };
        bool Found = false;
        for (const auto& [Name, Which] : Named) {
            if (Word == Name) {
                Calc.Press(Which);
                Found = true;
                break;
            }
        }
        if (Found) continue;
        for (char C : Word) {
            if (C == '.') {
                Calc.Press(Key::Decima);
            } else {
                Calc.Press(static_cast<Key>(static_cast<int>(Key::Number0) + (C - '0')));
            }
        }
    }
}
