// Alarms and the run's pause.

#include "base/Alarms.h"

#include "base/Machine.h"

namespace interp {

void RaiseAlarm(Machine& m, const std::string& mainBar, const std::string& fkeyBar) {
    m.Ui.SetMessage(mainBar, fkeyBar);
    m.S.RunState = RunAlarm;
    m.Ui.AlarmRaised();
}

void WaitSeconds(Machine& m, double seconds) {
    if (m.S.Replay || !(seconds > 0)) return;
    m.Ui.WaitSeconds(seconds);
}

} // namespace interp
