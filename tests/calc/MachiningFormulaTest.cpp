// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcTestSupport.h"

#include <gtest/gtest.h>

using calc::CalcEngine;
using calc::Key;

namespace {

// Types one step of a machining function and checks the prompt that follows.
void Step(CalcEngine& Calc, const std::string& Keys, const std::string& NextPrompt) {
    Type(Calc, Keys);
    EXPECT_EQ(Calc.Label1Caption(), NextPrompt) << "after " << Keys;
    EXPECT_TRUE(Calc.Label1Visible());
}

void ExpectResult(CalcEngine& Calc, const std::string& Shown) {
    EXPECT_EQ(Calc.Readout(), Shown);
    EXPECT_EQ(Calc.TakeClipboard(), std::optional<std::string>(Shown));
}

} // namespace

TEST(CalcMachining, SpindleSpeedFromCuttingSpeedAndDiameter) {
    CalcEngine Calc;
    Step(Calc, "N", "Cut speed(m/min) =");
    EXPECT_TRUE(Calc.KeyLatched(Key::Command1));
    Step(Calc, "1 5 0 =", "DIA(mm) =");
    EXPECT_EQ(Calc.Readout(), "0.");
    Step(Calc, "5 0 =", "Speed(min-1) =");
    ExpectResult(Calc, "955");
    Step(Calc, "7 =", "Speed(min-1) ="); // the result rests until AC
    EXPECT_EQ(Calc.Readout(), "7");
}

TEST(CalcMachining, CuttingSpeedFromSpindleSpeedAndDiameter) {
    CalcEngine Calc;
    Step(Calc, "V", "SP speed(min-1) =");
    Step(Calc, "1 0 0 0 =", "DIA(mm) =");
    Step(Calc, "5 0 =", "Speed V(m/min) =");
    ExpectResult(Calc, "157");
}

TEST(CalcMachining, FeedFromRoughnessGivenAsRzOrRa) {
    CalcEngine Rz;
    Step(Rz, "F", "Rough(Ra=1,Rz=2) =");
    Step(Rz, "2 =", "Rough(\u03bcm) =");
    Step(Rz, "3 . 2 =", "Nose-R(mm) =");
    Step(Rz, ". 8 =", "Feed(mm/rev)=");
    ExpectResult(Rz, "0.143");

    CalcEngine Ra;
    Type(Ra, "F 1 = . 8 = . 8 =");
    ExpectResult(Ra, "0.143");
}

TEST(CalcMachining, MachiningTimeAsHoursMinutesSeconds) {
    CalcEngine Calc;
    Step(Calc, "T", "Speed(min-1) =");
    Step(Calc, "5 0 0 =", "Feed(mm/rev) =");
    Step(Calc, ". 2 =", "Cut Length(mm) =");
    Step(Calc, "1 0 0 =", "Time ");
    ExpectResult(Calc, "00:01:00.0");
    EXPECT_EQ(Calc.Label1Width(), calc::Label1TimeWidth);

    struct Case {
        const char* Length; // at 600 min-1 and 0.1 mm/rev one millimetre takes a second
        const char* Shown;
    };
    for (Case C : {Case{"1 2 5 . 3", "00:02:05.3"}, Case{"1 1 9 . 9 9", "00:02:00.0"},
                   Case{"3 7 2 1", "01:02:01.0"}, Case{"0", "00:00:00.0"}}) {
        CalcEngine One;
        Type(One, std::string("T 6 0 0 = . 1 = ") + C.Length + " =");
        EXPECT_EQ(One.Readout(), C.Shown) << C.Length;
    }
}

TEST(CalcMachining, DegreesMinutesSecondsToDecimalDegrees) {
    CalcEngine Calc;
    Step(Calc, "H", "deg =");
    Step(Calc, "1 2 =", "12deg\u3000min =");
    Step(Calc, "3 0 =", "12deg30min  sec =");
    Step(Calc, "0 =", "12deg30min00sec  =");
    ExpectResult(Calc, "12.5");

    CalcEngine Small;
    Type(Small, "H 1 . 2 3 4 5 = 5 = 7 =");
    EXPECT_EQ(Small.Label1Caption(), "1.234deg05min07sec  =");
    EXPECT_EQ(Small.Readout(), "1.319"); // 1.234 + 5/60 + 7/3600
}

TEST(CalcMachining, DecimalDegreesToDegreesMinutesSecondsAtOnce) {
    struct Case {
        const char* Keys;
        const char* Shown;
        const char* Prompt;
    };
    for (Case C : {Case{"1 2 . 5", "12'30'0", "12.5deg  ="}, Case{"- 1 2 . 5", "-13'30'0", "-12.5deg  ="},
                   Case{"1 2 . 1", "12'6'0", "12.1deg  ="}, Case{"3 0 . 2 5 1", "30'15'3.6", "30.251deg  ="},
                   Case{"5 . 9 9 9 9 9 9 9 9", "6'0'0", "5.99999999deg  ="}}) {
        CalcEngine Calc;
        Type(Calc, std::string(C.Keys) + " 7 Min AC " + C.Keys + " shift H");
        ExpectResult(Calc, C.Shown);
        EXPECT_EQ(Calc.Label1Caption(), C.Prompt);
        EXPECT_EQ(Calc.Label1Width(), calc::Label1DmsWidth);
        EXPECT_FALSE(Calc.LabelMVisible());
        EXPECT_FALSE(Calc.ShiftOn());
    }
}

TEST(CalcMachining, AFailedStepShowsErrorAndAsksAgain) {
    CalcEngine Calc;
    Type(Calc, "N 1 5 0 = 0 =");
    EXPECT_EQ(Calc.Readout(), "Error");
    EXPECT_EQ(Calc.Label1Caption(), "DIA(mm) =");
    Type(Calc, "5 0 =");
    EXPECT_EQ(Calc.Readout(), "955");

    for (const char* Keys :
         {"V 1 0 0 0 = 8 / 0 =", "F 2 = 3 . 2 = - . 8 =", "T 0 = . 2 = 1 0 0 =", "T 5 0 0 = 0 = 1 0 0 ="}) {
        CalcEngine One;
        Type(One, Keys);
        EXPECT_EQ(One.Readout(), "Error") << Keys;
        EXPECT_NE(One.Label1Caption(), "Feed(mm/rev)=") << Keys;
        EXPECT_NE(One.Label1Caption(), "Time ") << Keys;
    }
}

TEST(CalcMachining, ArithmeticBetweenTheSteps) {
    CalcEngine Calc;
    Type(Calc, "N 7 5 X 2 = 1 0 0 / 2 =");
    EXPECT_EQ(Calc.Readout(), "955");
}

TEST(CalcMachining, OneFunctionAtATimeUntilAllClear) {
    CalcEngine Calc;
    Type(Calc, "5 Min N");
    EXPECT_FALSE(Calc.LabelMVisible()); // the prompt line has the room
    Type(Calc, "V");
    EXPECT_FALSE(Calc.KeyLatched(Key::Command1));
    EXPECT_TRUE(Calc.KeyLatched(Key::Command2));
    EXPECT_EQ(Calc.Label1Caption(), "SP speed(min-1) =");
    Type(Calc, "AC");
    EXPECT_FALSE(Calc.KeyLatched(Key::Command2));
    EXPECT_FALSE(Calc.Label1Visible());
    EXPECT_EQ(Calc.Label1Caption(), "");
    EXPECT_TRUE(Calc.LabelMVisible());
    Type(Calc, "1 0 0 0 = 5 0 =");
    EXPECT_EQ(Calc.Readout(), "50"); // no function runs any more
}
