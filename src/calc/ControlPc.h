#pragma once

#include <QString>

namespace calc {

// Path of the marker file whose presence means the calculator runs on the PC of a KVZ control.
// ZARVIK_KVZ_MARKER overrides it (tests, unusual installations).
QString KvzMarkerPath();

// Whether the marker file exists.
bool DetectKvzControl();

// Brings the control's operator window "KVZ-R200 HMI" back to the front, where the platform
// allows it. Any failure is ignored: the calculator closes in any case.
void ActivateHmi();

} // namespace calc
