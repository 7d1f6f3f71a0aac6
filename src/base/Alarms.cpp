// SPDX-License-Identifier: GPL-3.0-or-later
// Alarms, what their texts mean, and the run's pause.

#include "base/Alarms.h"

#include "base/Machine.h"

namespace interp {

void RaiseAlarm(Machine& m, const std::string& mainBar, const std::string& fkeyBar) {
    // In a block of a subprogram file (ISO control) the alarm says where that block stands: the
    // line the run reports is the program's M98.
    if (const std::string& where = m.S.Iso.Where; !where.empty())
        m.Ui.SetMessage(mainBar + " (" + where + ")", fkeyBar + " (" + where + ")");
    else
        m.Ui.SetMessage(mainBar, fkeyBar);
    m.S.RunState = RunAlarm;
    m.Ui.AlarmRaised();
}

void WaitSeconds(Machine& m, double seconds) {
    if (m.S.Replay || !(seconds > 0)) return;
    m.Ui.WaitSeconds(seconds);
}

} // namespace interp

namespace interp {

AlarmMeaning MeaningOfAlarm(std::string_view text) {
    struct Known {
        std::string_view Text;
        AlarmMeaning Meaning;
    };
    static constexpr Known known[] = {
        {"Feed is 0.",
         {"feed-zero",
          "A cutting move, arc or cycle without a feed: give an F word in or before the block."}},
        {"Speed is 0.",
         {"speed-zero", "Feed per revolution (G95) without a spindle speed: give an S word before cutting."}},
        {"Calcu Error",
         {"calcu-error",
          "The arc or cycle cannot be worked out: an arc radius of 0 or shorter than half the distance from "
          "start to end point. R is not converted by the Unit setting: with Unit 1 inch, R is millimetres."}},
        {"X-Axis puls limit over.",
         {"limit-plus-x", "The point lies on or beyond the plus soft limit of X (Soft Limit setting)."}},
        {"Z-Axis plus limit over.",
         {"limit-plus-z", "The point lies on or beyond the plus soft limit of Z (Soft Limit setting)."}},
        {"Z-Axis puls limit over.",
         {"limit-plus-z", "The point lies on or beyond the plus soft limit of Z (Soft Limit setting)."}},
        {"X-Axis -Limt over",
         {"limit-minus-x", "The point lies on or beyond the minus soft limit of X (Soft Limit setting)."}},
        {"Z-Axis -Limt over",
         {"limit-minus-z", "The point lies on or beyond the minus soft limit of Z (Soft Limit setting)."}},
        {"D\xE5\x8F\x88H\xE3\x81\x8C\xEF\xBC\x90\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82", // D又Hが０です。
         {"d-or-h-zero", "\"D or H is 0.\": the G71 thread-cutting cycle needs the depth per pass D and the "
                         "thread height H; nothing is cut."}},
        {"D or H vale is 0.",
         {"d-or-h-zero", "The G72 thread-cutting cycle needs the depth per pass D and the thread height H; "
                         "nothing is cut."}},
    };
    for (const Known& k : known)
        if (k.Text == text) return k.Meaning;
    // "X100 no point": a letter, the value, the words.
    constexpr std::string_view noPoint = " no point";
    if (text.size() > noPoint.size() && text.ends_with(noPoint) && text[0] >= 'A' && text[0] <= 'Z')
        return {"no-point", "FANUC dialect: a value written without a decimal point (X100 for X100.) is "
                            "refused; write the point."};
    return {"alarm", {}};
}

} // namespace interp
