// SPDX-License-Identifier: GPL-3.0-or-later
// Every alarm the control raises has a stable code and an English explanation in the checker's
// JSON, the Japanese text of the G71 cycle included, while the texts stay the control's own.

#include "check/Checker.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

TEST(AlarmMeaning, EveryAlarmTextHasACodeAndAnExplanationInTheJson) {
    // Program -> the code of its first alarm.
    const std::map<std::string, std::string> programs = {
        {"G00 X100. Z0.\r\nG01 X600. F0.2\r\n", "limit-plus-x"},
        {"G00 X100. Z0.\r\nG01 Z300. F0.2\r\n", "limit-plus-z"},
        {"G00 X-300. Z0.\r\n", "limit-minus-x"},
        {"G00 X0. Z-300.\r\n", "limit-minus-z"},
        {"G00 X10. Z0.\r\nG01 Z-10.\r\n", "feed-zero"},
        {"G95 G00 X10. Z0.\r\nG01 Z-10. F0.2\r\n", "speed-zero"},
        {"G00 X10. Z0.\r\nG02 X10. Z-50. L5. F0.2 S100\r\n", "calcu-error"},
        {"G00 X50. Z2.\r\nG71 X46. Z-24. F1.5 S500\r\n", "d-or-h-zero"},
        {"G00 X50. Z2.\r\nG72 X26. Z-1. F1.5 S500\r\n", "d-or-h-zero"},
    };
    for (const auto& [program, code] : programs) {
        check::CheckReport r = check::CheckProgram(U(program), {});
        ASSERT_FALSE(r.Alarms.empty()) << program;
        const std::string json = check::ReportJson(r);
        EXPECT_NE(json.find("\"code\": \"" + code + "\", \"explanation\": \""), std::string::npos) << json;
        EXPECT_EQ(json.find("\"explanation\": \"\""), std::string::npos) << json;
    }
    check::CheckOptions fanuc;
    fanuc.Lathe.Fanuc = true;
    const check::CheckReport point = check::CheckProgram(U("G00 X100 Z0.\r\n"), fanuc);
    ASSERT_EQ(point.Alarms.size(), 1u);
    EXPECT_EQ(point.Alarms[0].Message, "X100 no point");
    EXPECT_NE(check::ReportJson(point).find("\"code\": \"no-point\""), std::string::npos);
    // The G71 alarm keeps the control's Japanese words, with their meaning beside them.
    const check::CheckReport g71 = check::CheckProgram(U("G00 X50. Z2.\r\nG71 X46. Z-24. F1.5\r\n"), {});
    ASSERT_EQ(g71.Alarms.size(), 1u);
    EXPECT_EQ(g71.Alarms[0].Message,
              "D\xE5\x8F\x88H\xE3\x81\x8C\xEF\xBC\x90\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82");
    EXPECT_NE(check::ReportJson(g71).find("D or H is 0."), std::string::npos);
    // A text the control never shows claims no meaning.
    check::CheckReport made;
    made.Alarms.push_back({1, "Something else"});
    check::CollectFindings(made);
    EXPECT_NE(check::ReportJson(made).find("\"code\": \"alarm\", \"explanation\": \"\""), std::string::npos);
}
