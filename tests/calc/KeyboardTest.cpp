// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcTestSupport.h"

#include <gtest/gtest.h>

using namespace calc;

TEST(CalcKeyboard, KeysGoingDown) {
    struct Case {
        int Code;
        bool Shift;
        Key Target;
    };
    for (Case C :
         {Case{KeyCode::Shift, false, Key::swINV}, Case{KeyCode::Enter, false, Key::Equals},
          Case{'S', false, Key::swSIN}, Case{'C', false, Key::swCOS}, Case{'T', false, Key::swTAN},
          Case{'R', false, Key::SQRT}, Case{'P', false, Key::Pai}, Case{'M', false, Key::MS},
          Case{'M', true, Key::MRead}, Case{'X', false, Key::Square}, Case{'X', true, Key::Gyakusu},
          Case{'N', false, Key::Command1}, Case{'V', false, Key::Command2}, Case{'F', false, Key::Command3},
          Case{'G', false, Key::Command4}, Case{'H', false, Key::Command5}, Case{'H', true, Key::Command5}}) {
        EXPECT_EQ(KeyDownTarget(C.Code, C.Shift), C.Target) << C.Code << " shift " << C.Shift;
    }
    for (int Ignored : {int('A'), int('E'), int('Z'), int('5'), 27, 8, 0})
        EXPECT_FALSE(KeyDownTarget(Ignored, false)) << Ignored;
}

TEST(CalcKeyboard, TypedCharacters) {
    struct Case {
        char32_t Character;
        Key Target;
    };
    for (Case C : {Case{KeyChar::Escape, Key::Cancel}, Case{KeyChar::Backspace, Key::CancelEntry},
                   Case{U'/', Key::Divide}, Case{U'+', Key::Plus}, Case{U'*', Key::Times},
                   Case{U'-', Key::Minus}, Case{U'=', Key::Equals}, Case{U'.', Key::Decima},
                   Case{U'0', Key::Number0}, Case{U'7', Key::Number7}, Case{U'9', Key::Number9}}) {
        EXPECT_EQ(KeyPressTarget(C.Character), C.Target) << static_cast<int>(C.Character);
    }
    for (char32_t Ignored : {U'x', U'X', U'a', U'\r', U' ', U',', U'\u3000'}) {
        EXPECT_FALSE(KeyPressTarget(Ignored)) << static_cast<int>(Ignored);
    }
}

TEST(CalcKeyboard, ShiftThenMRecallsTheMemory) {
    CalcEngine Calc;
    for (char32_t C : U"42")
        Calc.KeyPress(C);
    EXPECT_TRUE(Calc.KeyDown('M'));
    EXPECT_EQ(Calc.Memory(), 42.0);
    Calc.KeyPress(KeyChar::Escape);
    EXPECT_TRUE(Calc.KeyDown(KeyCode::Shift));
    EXPECT_TRUE(Calc.KeyDown('M'));
    EXPECT_EQ(Calc.Readout(), "42");
    Calc.KeyPress(U'*');
    Calc.KeyPress(U'2');
    EXPECT_TRUE(Calc.KeyDown(KeyCode::Enter));
    EXPECT_EQ(Calc.Readout(), "84");
    EXPECT_FALSE(Calc.KeyPress(U'q'));
}
