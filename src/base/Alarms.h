// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two things every layer of the simulated control may do to the run: raise an alarm and wait.
// And what each alarm text of the control means, for operators who do not read its words.

#include <string>
#include <string_view>

namespace interp {
struct Machine;

// The alarm path: both status-bar panels and RunState 4.
void RaiseAlarm(Machine& m, const std::string& mainBar, const std::string& fkeyBar);
inline void RaiseAlarm(Machine& m, const std::string& message) {
    RaiseAlarm(m, message, message);
}

// Pause of the run that keeps the user interface responsive; returns at once during a re-run
// or for a zero or negative duration.
void WaitSeconds(Machine& m, double seconds);

// An alarm text of the control (as panel 1 of the main bar shows it) with a stable code
// ("limit-plus-x", "d-or-h-zero") and an English explanation. The texts themselves stay the
// control's own, Japanese and misspellings included.
struct AlarmMeaning {
    std::string_view Code;        // "alarm" for a text the control never shows
    std::string_view Explanation; // empty for such a text
};
AlarmMeaning MeaningOfAlarm(std::string_view mainBarText);

} // namespace interp
