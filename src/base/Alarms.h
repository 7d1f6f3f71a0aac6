#pragma once
// The two things every layer of the simulated control may do to the run: raise an alarm and wait.

#include <string>

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

} // namespace interp
